// The serial top as a host talks to it: the pairs of input.txt, read as the
// program reads them, sent as 8 bytes a step; the 4 bytes of each reply written
// to output.txt as the program writes its values. A bit lasts 8 clocks here.
//
//   vvp serial_top_tb.vvp +steps=N [+input=FILE] [+output=FILE]
`timescale 1ns / 1ns
`default_nettype none

module serial_top_tb;
    localparam integer BIT = 8;
    localparam signed [31:0] END_MARKER = -32'sd999;
    reg  clk = 0, rx = 1;
    wire tx, led;

    serial_top #(.CLOCK_HZ(BIT * 1000), .BAUD(1000)) board (
        .clk(clk), .rx(rx), .tx(tx), .led(led));

    always #5 clk = !clk;

    `include "read_number.vh"

    integer output_file, step, steps, bit_index, replies = 0;
    reg [8*4096-1:0] input_path, output_path;

    task send_byte(input [7:0] data);
        begin
            rx = 0;
            repeat (BIT) @(posedge clk);
            for (bit_index = 0; bit_index < 8; bit_index = bit_index + 1) begin
                rx = data[bit_index];
                repeat (BIT) @(posedge clk);
            end
            rx = 1;
            repeat (BIT) @(posedge clk);
        end
    endtask

    // The replies, as they come: each byte's bits sampled at their middle.
    reg [31:0] reply;
    integer    reply_byte, reply_bit;
    initial forever begin
        for (reply_byte = 0; reply_byte < 4; reply_byte = reply_byte + 1) begin
            @(negedge tx);
            repeat (BIT / 2) @(posedge clk);
            for (reply_bit = 0; reply_bit < 8; reply_bit = reply_bit + 1) begin
                repeat (BIT) @(posedge clk);
                reply[8 * reply_byte + reply_bit] = tx;
            end
            repeat (BIT) @(posedge clk);  // the stop bit
        end
        $fwrite(output_file, "%0d ", $signed(reply));
        replies = replies + 1;
    end

    // What the board's registers hold, as the host knows them: a read that fails
    // sends the register's value again, as the program leaves it.
    reg signed [31:0] minuend = 0, subtrahend = 0;
    reg               ended = 0;
    initial begin
        if (!$value$plusargs("steps=%d", steps)) steps = 0;
        if (!$value$plusargs("input=%s", input_path)) input_path = "input.txt";
        if (!$value$plusargs("output=%s", output_path)) output_path = "output.txt";
        input_file = $fopen(input_path, "rb");
        output_file = $fopen(output_path, "wb");
        if (input_file == 0 || output_file == 0) begin
            $display("serial_top_tb: cannot open %0s or %0s", input_path, output_path);
            $finish_and_return(1);
        end
        repeat (40) @(posedge clk);  // the board's reset after configuration
        for (step = 0; step < steps; step = step + 1) begin
            read_pair(minuend, subtrahend);
            send_byte(minuend[7:0]);    send_byte(minuend[15:8]);
            send_byte(minuend[23:16]);  send_byte(minuend[31:24]);
            send_byte(subtrahend[7:0]); send_byte(subtrahend[15:8]);
            send_byte(subtrahend[23:16]); send_byte(subtrahend[31:24]);
            ended = ended || minuend == END_MARKER;
            if (ended) begin
                minuend = 0;
                subtrahend = 0;
            end
        end
        wait (replies == steps);
        $fclose(output_file);
        $finish;
    end
endmodule

`default_nettype wire
