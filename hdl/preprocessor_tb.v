// Runs the pipeline on input.txt as the program does, step by step, and writes
// output.txt, the trace (CSV, one row a step) and a value change dump.
//
//   vvp preprocessor_tb.vvp +steps=N [+input=FILE] [+output=FILE] [+trace=FILE] [+vcd=FILE]
//
// The numbers are read as the program reads them (read_number.vh).
`timescale 1ns / 1ns
`default_nettype none

module preprocessor_tb;
    reg                clk = 0, reset = 1, enable = 0;
    reg  signed [31:0] in_minuend = 0, in_subtrahend = 0;
    wire signed [31:0] Minuend, Subtrahend, Difference, WindowSum, Written;
    wire       [351:0] DelayLine;
    wire               EndOfData;

    preprocessor dut (
        .clk(clk), .reset(reset), .enable(enable),
        .in_minuend(in_minuend), .in_subtrahend(in_subtrahend),
        .Minuend(Minuend), .Subtrahend(Subtrahend), .DelayLine(DelayLine),
        .Difference(Difference), .WindowSum(WindowSum), .Written(Written),
        .EndOfData(EndOfData));

    always #5 clk = !clk;

    `include "read_number.vh"

    integer output_file, trace_file, step, steps, index;
    reg     [8*4096-1:0] input_path, output_path, trace_path, vcd_path;

    reg signed [31:0] minuend, subtrahend;

    initial begin
        if (!$value$plusargs("steps=%d", steps) || steps < 0) begin
            $display("preprocessor_tb: +steps=N is required (0 or more)");
            $finish_and_return(2);
        end
        if (!$value$plusargs("input=%s", input_path)) input_path = "input.txt";
        if (!$value$plusargs("output=%s", output_path)) output_path = "output.txt";
        input_file = $fopen(input_path, "rb");
        if (input_file == 0) begin
            $display("Невозможно открыть файл INPUT.TXT");
            $finish_and_return(1);
        end
        output_file = $fopen(output_path, "wb");
        if (output_file == 0) begin
            $display("Невозможно открыть файл OUTPUT.TXT");
            $finish_and_return(1);
        end
        trace_file = 0;
        if ($value$plusargs("trace=%s", trace_path)) begin
            trace_file = $fopen(trace_path, "wb");
            $fwrite(trace_file, "step,Minuend,Subtrahend");
            for (index = 0; index < 11; index = index + 1) $fwrite(trace_file, ",DelayLine%0d", index);
            $fwrite(trace_file, ",Difference,WindowSum,Written\n");
        end
        if ($value$plusargs("vcd=%s", vcd_path)) begin
            $dumpfile(vcd_path);
            $dumpvars(0, dut);
        end

        @(negedge clk) reset = 0;
        for (step = 1; step <= steps; step = step + 1) begin
            minuend = Minuend;
            subtrahend = Subtrahend;
            read_pair(minuend, subtrahend);
            in_minuend = minuend;
            in_subtrahend = subtrahend;
            enable = 1;
            @(posedge clk) #1 enable = 0;
            $fwrite(output_file, "%0d ", Written);
            if (trace_file != 0) begin
                $fwrite(trace_file, "%0d,%0d,%0d", step, Minuend, Subtrahend);
                for (index = 0; index < 11; index = index + 1)
                    $fwrite(trace_file, ",%0d", $signed(DelayLine[32 * index +: 32]));
                $fwrite(trace_file, ",%0d,%0d,%0d\n", Difference, WindowSum, Written);
            end
            @(negedge clk);
        end
        $fclose(output_file);
        if (trace_file != 0) $fclose(trace_file);
        $finish;
    end
endmodule

`default_nettype wire
