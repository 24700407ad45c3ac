// Reads input.txt as the program does, for a testbench (included in its module):
// the numbers character by character, by the C library's rules for successive
// "%d" conversions: white space skipped, an optional sign, a run of digits (kept
// to their low 32 bits). A read that fails takes at most a sign; it fails once
// when a blank or another sign follows that sign, and otherwise for good.
// ($fscanf would not do: it takes x, z, ? and _ as digits, and reads "0x10" as
// three numbers.) The module opens `input_file`.

localparam integer EOF = -1;
integer input_file, c, unread;
reg     failed_for_good = 0;  // nothing left that a read could take

function is_space(input integer c);
    is_space = c == " " || (c >= 9 && c <= 13);
endfunction

function is_digit(input integer c);
    is_digit = c >= "0" && c <= "9";
endfunction

// One "%d" read: `ok` says whether it gave a number, in `value`.
task read_number(output reg ok, output reg signed [31:0] value);
    reg negative, signed_;
    reg [31:0] magnitude;
    begin
        ok = 0;
        value = 0;
        if (!failed_for_good) begin
            c = $fgetc(input_file);
            while (is_space(c)) c = $fgetc(input_file);
            signed_ = c == "+" || c == "-";
            negative = c == "-";
            if (signed_) c = $fgetc(input_file);
            magnitude = 0;
            while (is_digit(c)) begin
                ok = 1;
                magnitude = magnitude * 10 + (c - "0");
                c = $fgetc(input_file);
            end
            if (c != EOF) unread = $ungetc(c, input_file);
            if (ok) value = negative ? -magnitude : magnitude;
            // A lone sign before a blank or a sign fails this read only.
            else if (!(signed_ && (is_space(c) || c == "+" || c == "-"))) failed_for_good = 1;
        end
    end
endtask

// A step's two reads. The program reads straight into its registers, so a read
// that fails leaves the register as it is: `minuend` and `subtrahend` hold the
// registers' values before, and the pair after.
task read_pair(inout reg signed [31:0] minuend, inout reg signed [31:0] subtrahend);
    reg ok;
    reg signed [31:0] value;
    begin
        read_number(ok, value);
        if (ok) minuend = value;
        read_number(ok, value);
        if (ok) subtrahend = value;
    end
endtask
