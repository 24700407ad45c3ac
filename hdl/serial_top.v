// The pipeline on a board, talking over a serial line (8 data bits, no parity,
// 1 stop bit). Each step takes 8 bytes in, the minuend and then the subtrahend,
// each 32 bits little-endian (lowest byte first), and sends 4 bytes back: the
// step's value for output.txt, little-endian too. A LED lights once the end of
// data has come. After configuration every register is zero, as after a start of
// the program; see docs/hardware.md.
`timescale 1ns / 1ps
`default_nettype none

module serial_top #(
    parameter integer CLOCK_HZ       = 12_000_000,
    parameter integer BAUD           = 115_200,
    parameter         LED_ACTIVE_LOW = 0  // 1 where the board's LED lights on a low pin
) (
    input  wire clk,
    input  wire rx,   // from the host
    output wire tx,   // to the host
    output wire led   // lit once a pair has started with the end marker
);
    localparam integer BIT = CLOCK_HZ / BAUD;  // clocks a bit lasts

    // Held in reset for the first 16 clocks after configuration.
    reg [4:0] powering_up = 0;
    wire      reset = !powering_up[4];
    always @(posedge clk) if (reset) powering_up <= powering_up + 1'b1;

    // Bytes in, gathered into a pair; a step once eight have come.
    wire       byte_in;
    wire [7:0] received;
    uart_rx #(.BIT(BIT)) receiver (.clk(clk), .rx(rx), .valid(byte_in), .data(received));

    reg [63:0] pair = 0;
    reg [2:0]  bytes_in = 0;
    reg        step = 0;
    always @(posedge clk) begin
        step <= 0;
        if (reset) begin
            bytes_in <= 0;
        end else if (byte_in) begin
            pair     <= {received, pair[63:8]};
            bytes_in <= bytes_in + 1'b1;
            step     <= bytes_in == 7;
        end
    end

    wire signed [31:0] written;
    wire               end_of_data;
    assign led = LED_ACTIVE_LOW ? !end_of_data : end_of_data;
    preprocessor pipeline (
        .clk(clk), .reset(reset), .enable(step),
        .in_minuend(pair[31:0]), .in_subtrahend(pair[63:32]),
        .Minuend(), .Subtrahend(), .DelayLine(), .Difference(), .WindowSum(),
        .Written(written), .EndOfData(end_of_data));

    // The step's value out, a byte at a time. A reply takes four bytes' time and
    // the next pair eight, so a reply is always out before the next is ready.
    reg        stepped = 0;
    reg [31:0] reply = 0;
    reg [2:0]  bytes_out = 0;
    wire       sending;
    wire       next_byte = bytes_out != 0 && !sending;
    always @(posedge clk) begin
        stepped <= step;
        if (reset) begin
            bytes_out <= 0;
        end else if (stepped) begin
            reply     <= written;
            bytes_out <= 4;
        end else if (next_byte) begin
            reply     <= reply >> 8;
            bytes_out <= bytes_out - 1'b1;
        end
    end
    uart_tx #(.BIT(BIT)) transmitter (
        .clk(clk), .start(next_byte), .data(reply[7:0]), .busy(sending), .tx(tx));
endmodule

// A byte from the line: the start bit found at its middle, then each bit sampled
// a bit's time later; `valid` for one clock with the byte, at the stop bit.
module uart_rx #(parameter integer BIT = 104) (
    input  wire       clk,
    input  wire       rx,
    output reg        valid = 0,
    output reg  [7:0] data = 0
);
    reg [1:0] line = 2'b11;  // the line, brought into this clock's domain
    reg [3:0] bits = 0;      // 0: waiting for a start bit; 1 to 10: in a byte
    reg [$clog2(BIT) - 1:0] wait_clocks = 0;
    always @(posedge clk) begin
        line  <= {line[0], rx};
        valid <= 0;
        if (bits == 0) begin
            if (!line[1]) begin  // a start bit: look again at its middle
                bits        <= 1;
                wait_clocks <= BIT / 2;
            end
        end else if (wait_clocks != 0) begin
            wait_clocks <= wait_clocks - 1'b1;
        end else if (bits == 1 && line[1]) begin
            bits <= 0;  // a glitch, not a start bit
        end else begin
            wait_clocks <= BIT - 1;
            bits        <= bits == 10 ? 4'd0 : bits + 1'b1;
            if (bits >= 2 && bits <= 9) data <= {line[1], data[7:1]};
            valid <= bits == 10 && line[1];  // a byte whose stop bit is there
        end
    end
endmodule

// A byte onto the line: start bit, eight data bits (lowest first), stop bit.
module uart_tx #(parameter integer BIT = 104) (
    input  wire       clk,
    input  wire       start,
    input  wire [7:0] data,
    output wire       busy,
    output wire       tx
);
    reg [9:0] frame = 10'h3ff;  // what is still to go, lowest bit on the line
    reg [3:0] bits = 0;
    reg [$clog2(BIT) - 1:0] wait_clocks = 0;
    assign busy = bits != 0;
    assign tx   = frame[0];
    always @(posedge clk) begin
        if (!busy) begin
            if (start) begin
                frame       <= {1'b1, data, 1'b0};
                bits        <= 10;
                wait_clocks <= BIT - 1;
            end
        end else if (wait_clocks != 0) begin
            wait_clocks <= wait_clocks - 1'b1;
        end else begin
            frame       <= {1'b1, frame[9:1]};
            bits        <= bits - 1'b1;
            wait_clocks <= BIT - 1;
        end
    end
endmodule

`default_nettype wire
