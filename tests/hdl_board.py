#!/usr/bin/env python3
"""preprocessor-batch --board against hdl/simulate-board, the serial top verilated
behind a pseudo-terminal: output.txt byte for byte the runner's on the worked
example, reads that fail, and 10^4 generated pairs; and a board that stops answering is told,
with every value it gave kept.

usage: hdl_board.py HDL_DIR SIMULATED_BOARD PREPROCESSOR_BATCH WORK_DIR"""
import os
import subprocess
import sys
import time
from pathlib import Path

from hdl_inputs import FORMATS, generated

hdl, board_program, batch, work = sys.argv[1:5]
hdl, work = Path(hdl), Path(work)
work.mkdir(parents=True, exist_ok=True)
# The script finds the board where this build made it.
environment = {**os.environ, "PREPROCESSOR_BUILD": str(Path(board_program).parent.parent)}
failures = []


def run_on_board(steps, *stop_after):
    """A board of its own for each run: it keeps its registers between runs."""
    board = subprocess.Popen([str(hdl / "simulate-board"), *stop_after], env=environment,
                             stdout=subprocess.PIPE, text=True)
    try:
        port = board.stdout.readline().strip()
        start = time.monotonic()
        run = subprocess.run([batch, "--steps", str(steps), "--board", port, "--output",
                              "board.txt"], cwd=work, capture_output=True, text=True)
        return run, time.monotonic() - start
    finally:
        board.terminate()
        board.wait()


for name, text, steps in [
        ("the worked example", (hdl.parent / "examples/worked-example/input.txt").read_bytes(), 16),
        ("a lone sign fails once", FORMATS["a lone sign fails once"], 12),
        # No end marker: past the pairs each read fails, and the registers go again.
        ("10^4 generated pairs", generated(10_000, 2), 10_012)]:
    (work / "input.txt").write_bytes(text)
    subprocess.run([batch, "--steps", str(steps), "--output", "runner.txt"], cwd=work, check=True)
    run, seconds = run_on_board(steps)
    runner, board = (work / "runner.txt").read_bytes(), (work / "board.txt").read_bytes()
    if run.returncode == 0 and board == runner:
        print(f"equal: {name}, {steps} steps on the board in {seconds:.2f} s")
    else:
        failures.append(name)
        print(f"FAIL: {name}: status {run.returncode} {run.stderr!r}; "
              f"{len(board.split())} values, the runner's {len(runner.split())}")

# The runner's output for the last input is in runner.txt.
run, seconds = run_on_board(10_012, "--stop-after", "700")
said = "700 of 10012 values received, all written to board.txt\n"
kept = b" ".join((work / "runner.txt").read_bytes().split()[:700]) + b" "
if run.returncode == 1 and run.stderr.endswith(said) and (work / "board.txt").read_bytes() == kept:
    print(f"as expected: a board that stops answering, told after {seconds:.1f} s: {run.stderr}")
else:
    failures.append("a board that stops answering")
    print(f"FAIL: a board that stops answering: status {run.returncode} {run.stderr!r}")
print("FAIL" if failures else "PASS")
sys.exit(1 if failures else 0)
