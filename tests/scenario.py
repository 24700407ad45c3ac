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

# The form as src/Unit1.ui gives it, written out here by hand: the scenarios hold
# every front-end to these values, not to what the form's generator made of them.
GRAY, BLACK, WHITE = (128, 128, 128), (0, 0, 0), (255, 255, 255)
FORM = {"name": "TForm1", "caption": "Моделирование работы препроцессора",
        "place": (174, 135, 976, 378), "size": 11, "background": GRAY, "text": BLACK}
# Depth first, each parent's children in the order they are created in:
# (name, kind, parent, (left, top, width, height), caption, font size in pixels).
CONTROLS = [
    ("GroupBox1", "GroupBox", "TForm1", (0, 0, 976, 65), "Режим моделирования", 11),
    ("Button1", "Button", "GroupBox1", (720, 24, 185, 25), "Следующий шаг", 11),
    ("Button2", "Button", "GroupBox1", (48, 24, 193, 25), "Имитация работы препроцессора", 11),
    ("GroupBox2", "GroupBox", "TForm1", (0, 65, 976, 248), "Операции препроцессора", 11),
    *((f"FRT{cell}", "Label", "GroupBox2", (left, top, 6, 32), "", 27) for cell, left, top in (
        (8, 647, 131), (9, 736, 131), (7, 559, 131), (6, 468, 132), (5, 383, 133),
        (4, 304, 133), (3, 220, 133), (2, 139, 133), (11, 904, 129), (10, 823, 130),
        (1, 67, 133))),
    ("FROUT", "Label", "GroupBox2", (66, 193, 6, 32), "", 27),
    ("FRM1", "Label", "GroupBox2", (69, 79, 6, 32), "", 27),
    ("FR2", "Label", "GroupBox2", (177, 24, 6, 32), "", 27),
    ("FR1", "Label", "GroupBox2", (71, 23, 6, 32), "", 27),
    ("Label1", "Label", "GroupBox2", (140, 24, 8, 32), "-", 27),
    ("Label5", "Label", "GroupBox2", (23, 204, 22, 24), "Y3", 20),
    ("Label4", "Label", "GroupBox2", (23, 140, 22, 24), "Y3", 20),
    ("Label3", "Label", "GroupBox2", (23, 84, 22, 24), "Y2", 20),
    ("Label2", "Label", "GroupBox2", (23, 28, 22, 24), "Y1", 20),
    ("GroupBox3", "GroupBox", "TForm1", (0, 313, 976, 65), "Выходные данные", 11),
    ("Label7", "Label", "GroupBox3", (15, 20, 40, 24), "ODB", 20),
    ("Memo1", "Memo", "GroupBox3", (64, 16, 881, 33), "", 19),
]
TAB_STOPS = ["Button1", "Button2", "Memo1"]
# (background, text) by kind; None where the toolkit's own look holds.
COLOURS = {"GroupBox": (None, BLACK), "Button": (None, None), "Label": (GRAY, BLACK),
           "Memo": (WHITE, BLACK)}
# What assistive technology calls each value label.
ACCESSIBLE_NAMES = {"FR1": "Y1, уменьшаемое", "FR2": "Y1, вычитаемое", "FRM1": "Y2, разность",
                    **{f"FRT{cell}": f"Y3, линия задержки, ячейка {cell}" for cell in range(1, 12)},
                    "FROUT": "Y3, сумма окна"}
# The timing diagram's columns, in its order, by the names the trace gives them.
DIAGRAM_COLUMNS = {"Y1 уменьшаемое": "Minuend", "Y1 вычитаемое": "Subtrahend",
                   "Y2 разность": "Difference",
                   **{f"Y3 ячейка {cell}": f"DelayLine{cell - 1}" for cell in range(1, 12)},
                   "Y3 сумма окна": "WindowSum", "ODB вывод": "Written", "Конец данных": "EndOfData"}
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


def check_timer(ticks, clicked, what):
    """Five steps of the timer: `ticks`, the times the program's own record gives
    them, and `clicked`, when the click that started it was made, on one clock.
    One step a second, each within half a second of the first plus whole seconds;
    the first a second after the click, within a wider window, since a busy machine
    may be slow to deliver the click, but never at once."""
    print(f"{what}: timer steps at", ", ".join(f"{t - clicked:.2f}" for t in ticks), "s")
    check(len(ticks) == 5 and 0.5 <= ticks[0] - clicked <= 2.5 and
          all(abs(t - ticks[0] - k) <= 0.5 for k, t in enumerate(ticks)),
          f"{what}: 5 timer steps at {[round(t - clicked, 2) for t in ticks]} s after the click: "
          f"expected one a second")


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
    --vcd writes, but for the line naming its maker, GTKWave's vcd2fst must read
    it, and the runner must find it equal to the model."""
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
    compared = subprocess.run([native_batch, "--compare-vcd", str(work / "dump.vcd"), "--input",
                               str(input_file)], capture_output=True, text=True)
    check(compared.returncode == 0 and compared.stdout.endswith(f"equal for {steps} steps\n"),
          f"{what}: --compare-vcd says {compared.stdout + compared.stderr!r}")


def finish():
    print("FAIL" if failures else "PASS")
    sys.exit(1 if failures else 0)
