#!/usr/bin/env python3
"""The serial top synthesized, placed and routed for each board with the open
toolchain (hdl/build-board): it must fit, nextpnr's fastest clock must be at
least three times the boards' 12 MHz, and Yosys must warn of nothing, for the
pipeline alone as for the whole top.

usage: hdl_boards.py HDL_DIR WORK_DIR"""
import re
import subprocess
import sys
from pathlib import Path

hdl, work = Path(sys.argv[1]), Path(sys.argv[2])
work.mkdir(parents=True, exist_ok=True)
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def yosys_warnings(log):
    # Yosys's own warnings; ABC, which it runs, prints notes of its own.
    return [line for line in log.read_text().splitlines() if line.startswith("Warning:")]


alone = work / "pipeline-yosys.log"
subprocess.run(["yosys", "-q", "-l", str(alone), "-p",
                f'read_verilog "{hdl / "preprocessor.v"}"; synth_ice40 -top preprocessor'],
               check=True)
check(not yosys_warnings(alone), f"Yosys warns of the pipeline: {yosys_warnings(alone)}")

for board in ("ice40-hx1k", "ice40-up5k"):
    built = subprocess.run([str(hdl / "build-board"), board, str(work)],
                           capture_output=True, text=True)
    print(built.stdout.strip() or built.stderr.strip())
    if not check(built.returncode == 0, f"{board}: not built (it does not fit?): {built.stderr}"):
        continue
    clock = float(re.search(r"the clock up to ([0-9.]+) MHz", built.stdout).group(1))
    check(clock >= 36, f"{board}: the clock up to {clock} MHz, under 3 x 12 MHz")
    warnings = yosys_warnings(work / f"{board}-yosys.log")
    check(not warnings, f"{board}: Yosys warns: {warnings}")
    check((work / f"{board}.bin").stat().st_size > 0, f"{board}: no bitstream")
print("FAIL" if failures else "PASS")
sys.exit(1 if failures else 0)
