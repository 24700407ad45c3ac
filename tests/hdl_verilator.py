#!/usr/bin/env python3
"""The verilated pipeline against the batch runner: output.txt byte for byte the
runner's, on the worked example and on 10^6 generated pairs.

usage: hdl_verilator.py PREPROCESSOR_VERILATED PREPROCESSOR_BATCH WORK_DIR"""
import subprocess
import sys
from pathlib import Path

from hdl_inputs import generated

verilated, batch, work = sys.argv[1:4]
work = Path(work)
work.mkdir(parents=True, exist_ok=True)
INPUTS = {
    "the worked example": ((Path(__file__).parent.parent / "examples/worked-example/input.txt")
                           .read_bytes(), 16),
    "10^6 generated pairs": (generated(1_000_000, 3), 1_000_010),
}
failures = []
for name, (text, steps) in INPUTS.items():
    given = work / "input.txt"
    given.write_bytes(text)
    outputs = {}
    for who, program in (("runner", batch), ("verilated", verilated)):
        output = work / f"{who}-output.txt"
        subprocess.run([program, "--steps", str(steps), "--input", str(given),
                        "--output", str(output)], check=True)
        outputs[who] = output.read_bytes()
    if outputs["runner"] == outputs["verilated"]:
        print(f"equal: {name} ({steps} steps)")
    else:
        runner, verilated_values = outputs["runner"].split(), outputs["verilated"].split()
        first = next((i for i, (a, b) in enumerate(zip(runner, verilated_values)) if a != b),
                     min(len(runner), len(verilated_values)))
        failures.append(name)
        print(f"FAIL: {name}: value {first + 1} differs: runner {runner[first:first + 1]}, "
              f"verilated {verilated_values[first:first + 1]}")
print("FAIL" if failures else "PASS")
sys.exit(1 if failures else 0)
