"""What the end-to-end scenarios share: failures counted as they are met, waiting
for something to come true, and what each step of an input must show, from the
native runner's trace."""
import subprocess
import sys
import time
from pathlib import Path

WORKED_EXAMPLE_OUTPUT = "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 "
# A value label's register, as the runner's trace names it.
REGISTERS = {"FR1": "Minuend", "FR2": "Subtrahend", "FRM1": "Difference", "FROUT": "WindowSum",
             **{f"FRT{i}": f"DelayLine{i - 1}" for i in range(1, 12)}}
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)
    return condition


def wait_for(what, timeout=10.0):
    deadline = time.monotonic() + timeout
    while True:
        result = what()
        if result or time.monotonic() > deadline:
            return result
        time.sleep(0.02)


def expected_states(native_batch, input_file, steps, work):
    """After each of `steps` steps on `input_file`: what every value label and the
    memo show, from the native runner's trace; and the runner's output.txt."""
    trace, output = Path(work) / "trace.csv", Path(work) / "native-output.txt"
    subprocess.run([native_batch, "--steps", str(steps), "--input", str(input_file),
                    "--output", str(output), "--trace", str(trace)], check=True)
    rows = trace.read_text().splitlines()
    header = rows[0].split(",")
    states, memo = [], " "
    for row in rows[1:]:
        values = dict(zip(header, row.split(",")))
        memo += values["Written"] + " "
        states.append({**{label: values[register] for label, register in REGISTERS.items()},
                       "Memo1": memo})
    return states, output.read_text()


def check_dump(dump, native_batch, input_file, steps, work, what):
    """A window's dump of `steps` steps on `input_file` must be what the runner's
    --vcd writes, but for the line naming its maker, and GTKWave's vcd2fst must
    read it."""
    work = Path(work)
    subprocess.run([native_batch, "--steps", str(steps), "--input", str(input_file), "--output",
                    str(work / "batch-output.txt"), "--vcd", str(work / "batch.vcd")], check=True)
    lines, batch = dump.splitlines(), (work / "batch.vcd").read_text().splitlines()
    check(lines[:1] == ["$version preprocessor-sim $end"] and lines[1:] == batch[1:],
          f"{what}: {len(lines)} lines, the runner's {len(batch)}, first {lines[:1]}")
    (work / "dump.vcd").write_text(dump)
    read = subprocess.run(["vcd2fst", str(work / "dump.vcd"), str(work / "dump.fst")],
                          capture_output=True)
    check(read.returncode == 0, f"{what}: vcd2fst does not read it")


def finish():
    print("FAIL" if failures else "PASS")
    sys.exit(1 if failures else 0)
