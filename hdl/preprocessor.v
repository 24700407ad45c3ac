// The preprocessor's pipeline: one pair of 32-bit signed numbers taken per
// clock enable, its difference pushed into an 11-cell delay line, a running sum
// of the 10 cells behind the newest, and each step's output the sum as it stood
// one step before.
//
// Read it beside the window: after the clock edge of step k every register here
// holds what the window shows after its k-th step ("Следующий шаг"), and
// `Written` is the value that step appends to output.txt. All arithmetic wraps
// modulo 2^32, as 32-bit registers do.
`timescale 1ns / 1ps
`default_nettype none

module preprocessor (
    input  wire               clk,
    input  wire               reset,       // synchronous, active high: all registers to zero
    input  wire               enable,      // one step: take a pair, move everything on
    input  wire signed [31:0] in_minuend,
    input  wire signed [31:0] in_subtrahend,
    output reg  signed [31:0] Minuend,     // Y1, left
    output reg  signed [31:0] Subtrahend,  // Y1, right
    output reg        [351:0] DelayLine,   // Y3: 11 cells of 32 bits, cell 0 (the newest) lowest
    output reg  signed [31:0] Difference,  // Y2: the newest cell
    output reg  signed [31:0] WindowSum,   // the sum of cells 1 to 10, the window behind the newest
    output reg  signed [31:0] Written,     // ODB: this step's value for output.txt
    output reg                EndOfData    // latched once a pair starts with the end marker
);
    localparam signed [31:0] END_MARKER = -32'sd999;

    // Once the end marker has come first in a pair, that pair and every later one
    // count as zeros (they are still taken from the input, only not used).
    wire                ends       = EndOfData || in_minuend == END_MARKER;
    wire signed [31:0]  minuend    = ends ? 32'sd0 : in_minuend;
    wire signed [31:0]  subtrahend = ends ? 32'sd0 : in_subtrahend;

    // Two registers that the window does not show, so that no clock has to wait
    // for two additions one after the other: this pair's difference, ready to
    // enter the line at the next step, and what the window sum gains at the next
    // step (the cell that enters the window less the one that leaves it).
    reg signed [31:0] PairDifference;
    reg signed [31:0] SumChange;

    always @(posedge clk) begin
        if (reset) begin
            Minuend        <= 0;
            Subtrahend     <= 0;
            DelayLine      <= 0;
            Difference     <= 0;
            WindowSum      <= 0;
            Written        <= 0;
            EndOfData      <= 0;
            PairDifference <= 0;
            SumChange      <= 0;
        end else if (enable) begin
            // This step's pair is shown now; its difference enters the line at
            // the next step, as the window shows the subtraction one step later.
            Minuend        <= minuend;
            Subtrahend     <= subtrahend;
            EndOfData      <= ends;
            PairDifference <= ends ? 32'sd0 : in_minuend - in_subtrahend;
            // Every cell moves one place on; the previous pair's difference
            // becomes the newest cell, and the oldest (cell 10) drops out.
            DelayLine      <= {DelayLine[319:0], PairDifference};
            Difference     <= PairDifference;
            // What the window (cells 1 to 10) gains at the next step: the cell
            // that is newest now, less cell 9, which will be the oldest by then.
            SumChange      <= PairDifference - DelayLine[319:288];
            WindowSum      <= WindowSum + SumChange;
            // The output lags the sum by one step.
            Written        <= WindowSum;
        end
    end
endmodule

`default_nettype wire
