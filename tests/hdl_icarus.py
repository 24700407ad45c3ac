#!/usr/bin/env python3
"""The Verilog pipeline in Icarus Verilog against the batch runner: for each input
of a table, the testbench's output.txt and trace must be byte for byte the
runner's, for as many steps, and reading past the end of the input.

usage: hdl_icarus.py IVERILOG VVP PREPROCESSOR_BATCH HDL_DIR WORK_DIR"""
import subprocess
import sys
from pathlib import Path

from hdl_inputs import FORMATS, generated

iverilog, vvp, batch, hdl, work = sys.argv[1:6]
hdl, work, batch = Path(hdl).resolve(), Path(work).resolve(), str(Path(batch).resolve())
work.mkdir(parents=True, exist_ok=True)

INPUTS = {**FORMATS,
          "the worked example": Path(hdl.parent / "examples/worked-example/input.txt").read_bytes(),
          "10^4 generated pairs": generated(10_000, 1),
          "10^4 generated pairs, no end marker": generated(10_000, 2)}

def compiled(name, sources):
    simulation = work / f"{name}.vvp"
    subprocess.run([iverilog, "-g2005", "-Wall", "-I", str(hdl), "-o", str(simulation),
                    *(str(hdl / source) for source in sources)], check=True)
    return simulation


pipeline = compiled("preprocessor_tb", ["preprocessor.v", "preprocessor_tb.v"])
# The serial top, its bytes sent and received bit by bit: on fewer inputs.
serial = compiled("serial_top_tb", ["preprocessor.v", "serial_top.v", "serial_top_tb.v"])
SERIAL_INPUTS = ["the worked example", "a lone sign fails once", "letters end the data",
                 "1,000 generated pairs"]
INPUTS["1,000 generated pairs"] = generated(1_000, 5)

failures = []
for name, text in INPUTS.items():
    steps = len(text.split()) // 2 + 12  # past the delay line, and past the end
    given = work / "input.txt"
    given.write_bytes(text)
    results = {}
    runs = {"runner": [batch, "--steps", str(steps), "--input", str(given)],
            "icarus": [vvp, "-n", str(pipeline), f"+steps={steps}", f"+input={given}"],
            "serial": [vvp, "-n", str(serial), f"+steps={steps}", f"+input={given}"]}
    if name not in SERIAL_INPUTS:
        del runs["serial"]
    for who, command in runs.items():
        output, trace = work / f"{who}-output.txt", work / f"{who}-trace.csv"
        trace.write_bytes(b"")
        if who == "runner":
            command += ["--output", str(output), "--trace", str(trace)]
        else:
            command += [f"+output={output}", f"+trace={trace}"]
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        results[who] = output.read_bytes(), trace.read_bytes()
    for who in runs.keys() - {"runner"}:
        # The serial top has no trace: only its output.txt is compared.
        runner = results["runner"] if who == "icarus" else (results["runner"][0], b"")
        if runner == results[who]:
            print(f"equal: {name}, {who} ({steps} steps)")
            continue
        failures.append(f"{name}, {who}")
        what = 1 if runner[1] != results[who][1] else 0
        expected, got = runner[what].split(), results[who][what].split()
        first = next((i for i, (a, b) in enumerate(zip(expected, got)) if a != b),
                     min(len(expected), len(got)))
        print(f"FAIL: {name}, {who}: {('output.txt', 'the trace')[what]} differs first at "
              f"item {first + 1}: runner {expected[first:first + 1]}, {who} {got[first:first + 1]}")
# hdl/simulate, as a student runs it: from a folder of theirs, with the runner's
# defaults and exit statuses.
folder = work / "a student's folder"
folder.mkdir(exist_ok=True)
(folder / "input.txt").write_bytes(INPUTS["the worked example"])
simulated = subprocess.run([str(hdl / "simulate"), "--steps", "16", "--trace", "-"], cwd=folder,
                           capture_output=True)
subprocess.run([batch, "--steps", "16", "--output", "runner.txt", "--trace", "runner.csv"],
               cwd=folder, check=True)
statuses = [subprocess.run([str(hdl / "simulate"), *arguments], cwd=folder,
                           capture_output=True).returncode
            for arguments in (["--steps", "1", "--input", "missing.txt"], ["--steps", "x"])]
if (simulated.returncode, simulated.stdout, (folder / "output.txt").read_bytes(), statuses) == \
        (0, (folder / "runner.csv").read_bytes(), (folder / "runner.txt").read_bytes(), [1, 2]):
    print("equal: hdl/simulate in a folder of its own")
else:
    failures.append("hdl/simulate")
    print(f"FAIL: hdl/simulate: status {simulated.returncode}, {simulated.stderr!r}, "
          f"statuses for a missing input and bad arguments {statuses}")
print("FAIL" if failures else "PASS")
sys.exit(1 if failures else 0)
