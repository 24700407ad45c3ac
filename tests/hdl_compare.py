#!/usr/bin/env python3
"""preprocessor-batch --compare-vcd on dumps made by Icarus Verilog: the Verilog
pipeline's own dump (a clock with an enable), the pipeline as the clocked core of
another testbench (a step each clock, another time scale), and copies of the
pipeline with one fault each, reported at the step and signal they first show.

usage: hdl_compare.py IVERILOG VVP PREPROCESSOR_BATCH HDL_DIR WORK_DIR"""
import subprocess
import sys
from pathlib import Path

from hdl_inputs import generated

iverilog, vvp, batch, hdl, work = sys.argv[1:6]
hdl, work = Path(hdl).resolve(), Path(work).resolve()
work.mkdir(parents=True, exist_ok=True)
pipeline = (hdl / "preprocessor.v").read_text()

# The core clocked at every edge, its reset before the dump begins, time in µs.
(work / "clocked_tb.v").write_text(r"""
`timescale 1us / 1ns
module clocked_tb;
    reg clk = 0, reset = 1;
    reg signed [31:0] minuend = 0, subtrahend = 0;
    wire signed [31:0] Minuend, Subtrahend, Difference, WindowSum, Written;
    preprocessor core (.clk(clk), .reset(reset), .enable(1'b1),
        .in_minuend(minuend), .in_subtrahend(subtrahend), .Minuend(Minuend),
        .Subtrahend(Subtrahend), .DelayLine(), .Difference(Difference),
        .WindowSum(WindowSum), .Written(), .EndOfData());
    always #0.5 clk = !clk;
    `include "read_number.vh"
    integer step, steps;
    initial begin
        if (!$value$plusargs("steps=%d", steps)) steps = 0;
        input_file = $fopen("input.txt", "rb");
        @(posedge clk) #0.1 reset = 0;
        $dumpfile("clocked.vcd");
        $dumpvars(0, core);
        for (step = 0; step < steps; step = step + 1) begin
            minuend = Minuend;
            subtrahend = Subtrahend;
            read_pair(minuend, subtrahend);
            @(posedge clk) #0.1;
        end
        $finish;
    end
endmodule
""")


def simulate(name, source, testbench, steps):
    """Compiles `source` as the pipeline with a testbench and runs it in `work`."""
    (work / f"{name}.v").write_text(source)
    simulation = work / f"{name}.vvp"
    subprocess.run([iverilog, "-g2005", "-I", str(hdl), "-o", str(simulation),
                    str(work / f"{name}.v"), str(testbench)], check=True)
    subprocess.run([vvp, "-n", str(simulation), f"+steps={steps}", "+vcd=twin.vcd"],
                   cwd=work, check=True, stdout=subprocess.DEVNULL)


def compare(dump, *options):
    said = subprocess.run([batch, "--compare-vcd", dump, *options], cwd=work,
                          capture_output=True, text=True)
    return said.returncode, said.stdout + said.stderr


def fault(what, replace, by):
    assert replace in pipeline, what
    return pipeline.replace(replace, by)


TWIN = ["--clock", "clk", "--enable", "enable"]
failures = []


def check(what, outcome, status, *said):
    if outcome[0] == status and all(text in outcome[1] for text in said):
        print(f"as expected: {what}")
    else:
        failures.append(what)
        print(f"FAIL: {what}: status {outcome[0]}, said:\n{outcome[1]}")


for name, text, steps in [
        ("the worked example", (hdl.parent / "examples/worked-example/input.txt").read_bytes(), 16),
        ("2,000 generated pairs", generated(2_000, 7), 2_012)]:
    (work / "input.txt").write_bytes(text)
    simulate("twin", pipeline, hdl / "preprocessor_tb.v", steps)
    check(f"{name}: the twin's own dump", compare("twin.vcd", *TWIN), 0,
          "compared: preprocessor_tb.dut.Minuend, preprocessor_tb.dut.Subtrahend, "
          "preprocessor_tb.dut.DelayLine (as DelayLine0 to DelayLine10), ",
          f"equal for {steps} steps\n")
    subprocess.run([iverilog, "-g2005", "-I", str(hdl), "-o", str(work / "clocked.vvp"),
                    str(hdl / "preprocessor.v"), str(work / "clocked_tb.v")], check=True)
    subprocess.run([vvp, "-n", str(work / "clocked.vvp"), f"+steps={steps}"], cwd=work, check=True,
                   stdout=subprocess.DEVNULL)
    check(f"{name}: the clocked core, in µs", compare("clocked.vcd", "--clock", "clk"), 0,
          "compared: clocked_tb.core.Minuend, ",
          f"equal for {steps} steps\n")

(work / "input.txt").write_bytes((hdl.parent / "examples/worked-example/input.txt").read_bytes())
simulate("twin", pipeline, hdl / "preprocessor_tb.v", 16)
check("a clocked dump taken a step a time unit", compare("twin.vcd"), 2,
      "goes to 1 ", "say so with --clock clk")
# A line of 10 cells: the oldest difference leaves the window a step early.
simulate("short", fault("the line one cell short", "{DelayLine[319:0], PairDifference}",
                        "{32'sd0, DelayLine[287:0], PairDifference}")
         .replace("DelayLine[319:288]", "DelayLine[287:256]"), hdl / "preprocessor_tb.v", 16)
check("the delay line one cell short", compare("twin.vcd", *TWIN), 1,
      "step 12: DelayLine10 differs: the dump has 0 (preprocessor_tb.dut.DelayLine), the model 3; "
      "the step read no pair: the input has ended\n", "at this step also: WindowSum\n")
simulate("sign", fault("the difference's sign", "in_minuend - in_subtrahend",
                       "in_subtrahend - in_minuend"), hdl / "preprocessor_tb.v", 16)
check("a sign error in the difference", compare("twin.vcd", *TWIN), 1,
      "step 2: DelayLine0 differs: the dump has -3 (preprocessor_tb.dut.DelayLine), the model 3; "
      "the step's pair from the input: 7 1\n", "at this step also: Difference\n")
print("FAIL" if failures else "PASS")
sys.exit(1 if failures else 0)
