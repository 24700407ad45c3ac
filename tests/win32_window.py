#!/usr/bin/env python3
"""The Windows front-end under Wine, as a person uses it: started on the worked
example in a folder named in Cyrillic with a space, its controls read back
through Win32 by win32_controls.exe and checked against the form (places,
sizes, captions, styles and the colours on the screen), stepped by Return and
by mouse clicks, each step's labels and memo checked against the native
runner's trace, the timer timed, then closed from the keyboard; the memo
holding a long history and taking Return as a line break; a missing input.txt
and a failing output.txt as the user meets them; then its installer, silently
installed, started, and uninstalled. Run by win32_window.sh, which provides the
X server, the Wine prefix and the installer.

usage: win32_window.py WINE PROGRAM CONTROLS NATIVE_BATCH INPUT INSTALLER WORK_DIR"""
import os
import re
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from scenario import (COLOURS, CONTROLS, DIAGRAM_COLUMNS, FORM, REGISTERS, TAB_STOPS,
                      WORKED_EXAMPLE_OUTPUT, check, check_dump, check_timer, finish, wait_for)
from scenario import expected_states as runner_states

TITLE = FORM["caption"]
BOX_TITLE = "preprocessor-sim"
NEXT_STEP = "Следующий шаг"
IMITATE = "Имитация работы препроцессора"
# The window classes of Windows' own controls, by the kind the form names.
WINDOW_CLASSES = {"GroupBox": "Button", "Button": "Button", "Label": "Static", "Memo": "Edit"}
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX = 0x40000, 0x20000, 0x10000
WS_SYSMENU, WS_CAPTION = 0x80000, 0xC00000
WS_HSCROLL, WS_VSCROLL, ES_MULTILINE, ES_AUTOHSCROLL = 0x100000, 0x200000, 0x4, 0x80
WS_TABSTOP, BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x10000, 0x0, 0x1

wine, program, controls_exe, native_batch, input_path, installer_exe, work = sys.argv[1:8]
work = Path(work)


class Control:
    def __init__(self, line):
        fields = line.split("|", 14)
        self.window_class, self.id, self.parent = fields[0], int(fields[1]), int(fields[2])
        self.left, self.top, self.width, self.height = (int(f) for f in fields[3:7])
        self.enabled, self.focused = fields[7] == "1", fields[8] == "1"
        self.style, self.shapes = int(fields[9], 16), int(fields[10])
        self.text_width, self.background = int(fields[11]), int(fields[12], 16)
        self.first_line, self.text = int(fields[13]), fields[14]
        self.colour = (self.background >> 16, self.background >> 8 & 255, self.background & 255)


def run_under_wine(*arguments):
    """A Windows program's exit code and what it wrote, read from a file: a pipe
    would stay open as long as the Wine processes it starts, which outlive it."""
    with tempfile.TemporaryFile() as output:
        status = subprocess.run([wine, *arguments], stdout=output,
                                stderr=subprocess.DEVNULL).returncode
        output.seek(0)
        return status, output.read().decode(errors="replace").replace("\r", "")


def read_window(title=TITLE):
    """The window and its controls, in the order the system enumerates them; None if
    there is no such window."""
    status, listed = run_under_wine(controls_exe, title)
    return [Control(line) for line in listed.splitlines()] if status == 0 else None


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True, capture_output=True)


def activate(title):
    found = subprocess.run(["xdotool", "search", "--name", title], capture_output=True, text=True)
    for window in found.stdout.split():
        subprocess.run(["xdotool", "windowactivate", "--sync", window], capture_output=True)


def click(text):
    """A click on the control showing `text`, found afresh: a busy machine may
    keep the window from answering at first."""
    place = wait_for(lambda: (lambda status, found: status == 0 and found.split())(
        *run_under_wine(controls_exe, TITLE, "--at", text)))
    if not check(place, f"no control showing {text!r} to click"):
        return
    xdotool("mousemove", *place, "sleep", "0.1", "click", "1")


def windows_path(path):
    return run_under_wine("winepath", "-w", str(path))[1].strip()


def unix_path(path):
    return Path(run_under_wine("winepath", "-u", path)[1].strip())


def example_folder(name):
    """A new folder of the scenario's, holding the worked example as input.txt."""
    folder = work / name
    folder.mkdir()
    (folder / "input.txt").write_bytes(Path(input_path).read_bytes())
    return folder


def start(folder, *arguments, executable=None):
    return subprocess.Popen([wine, executable or program, *arguments], cwd=folder,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def exit_status(process):
    try:
        return process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        process.kill()
        return "none: still running"


def close(process):
    activate(TITLE)
    xdotool("key", "--clearmodifiers", "alt+F4")
    status = exit_status(process)
    check(status == 0, f"closing the window: exit code {status}")


FRAME_AND_SIZE = FORM["place"]
KINDS = {name: kind for name, kind, *_ in CONTROLS}


def check_layout(listed):
    window, children = listed[0], listed[1:]
    check((window.left, window.top, window.width, window.height) == FRAME_AND_SIZE,
          f"the window at {window.left}, {window.top}, client area {window.width} x "
          f"{window.height}; described {FRAME_AND_SIZE}")
    check(window.text == TITLE, f"the window's caption {window.text!r}")
    check(window.style & (WS_SYSMENU | WS_CAPTION) == WS_SYSMENU | WS_CAPTION and
          not window.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
          f"the window's style {window.style:#x}: a fixed border, system menu and close only")
    if not check(len(children) == len(CONTROLS),
                 f"{len(children)} controls, the form describes {len(CONTROLS)}"):
        return
    names = names_of(listed)
    for control, (name, kind, parent, (left, top, width, height), caption, _) in zip(
            children, CONTROLS):
        window_class = WINDOW_CLASSES[kind]
        place = (control.left, control.top)
        check(control.window_class == window_class and names.get(control.parent, "TForm1") == parent
              and place == (left, top),
              f"{name}: a {control.window_class} in {names.get(control.parent, 'the window')} "
              f"at {place}; described: a {window_class} in {parent} at {(left, top)}")
        if window_class == "Static":
            # Labels size themselves to their text, a line of their font high.
            check(abs(control.height - height) <= 4,
                  f"{name}: {control.height} high, its font's line described as {height}")
        else:
            check((control.width, control.height) == (width, height),
                  f"{name}: {control.width} x {control.height}, described {width} x {height}")
        check(control.text == caption, f"{name}: caption {control.text!r}, described {caption!r}")
        if window_class == "Edit":
            check(control.style & (ES_MULTILINE | WS_HSCROLL | WS_VSCROLL | ES_AUTOHSCROLL) ==
                  ES_MULTILINE, f"{name}: style {control.style:#x}: lines wrapped, no scroll bars")
        if kind == "Button":
            push = BS_DEFPUSHBUTTON if name == "Button1" else BS_PUSHBUTTON
            check(control.style & 0xF == push, f"{name}: style {control.style:#x}, expected "
                                               f"{'the default' if push else 'a'} push button")
        check(bool(control.style & WS_TABSTOP) == (name in TAB_STOPS),
              f"{name}: style {control.style:#x}: a tab stop {name in TAB_STOPS} in the form")

        # Text in a font without its letters comes out as one box repeated.
        letters = {c for c in caption if "А" <= c <= "я"}
        if letters:
            check(control.shapes * 2 >= len(letters),
                  f"{name}: {caption!r} drawn in {control.shapes} glyph shapes: boxes?")
    return names


def check_colours(listed, names):
    """The colours on the screen: the labels on the form's gray, the memo's white
    with its numbers in dark glyphs (at least the 0, 3, 9, 1, 6 and 7 of the
    worked example's history)."""
    for control in listed[1:]:
        kind = KINDS.get(names.get(control.id))
        if kind in ("Label", "Memo"):
            background = COLOURS[kind][0]
            check(control.colour == background, f"{names[control.id]}: drawn on {control.colour}, "
                                                f"expected {background}")
        if kind == "Memo":
            check(control.shapes >= 5, f"the memo's numbers drawn in {control.shapes} dark shapes")


def names_of(listed):
    """The controls' names by their ids, in the form's order."""
    return {control.id: name for control, (name, *_) in zip(listed[1:], CONTROLS)}


def focus_in(listed, names):
    return [names.get(c.id) for c in listed[1:] if c.focused]


def labels_and_memo(listed, names):
    by_name = {names[c.id]: c for c in listed[1:] if c.id in names}
    return {name: by_name[name].text for name in [*REGISTERS, "Memo1"]}


def wait_for_state(expected, names, what):
    shown = wait_for(lambda: (lambda listed: listed and labels_and_memo(listed, names))(
        read_window()) == expected and expected, timeout=5)
    if not shown:
        listed = read_window()
        actual = labels_and_memo(listed, names) if listed else {}
        wrong = {k: (actual.get(k), v) for k, v in expected.items() if actual.get(k) != v}
        check(False, f"{what}: shown, expected: {wrong}")
    return bool(shown)


def worked_example():
    folder = example_folder("Данные с пробелом")
    states = runner_states(native_batch, folder / "input.txt", 16, work)[0]
    dump = work / "session.vcd"
    process = start(work, "--vcd", windows_path(dump), windows_path(folder))
    listed = wait_for(read_window)
    if not check(listed, "the window did not appear"):
        process.kill()
        return
    names = check_layout(listed)
    if not names:
        return close(process)
    # The window has the focus once the window manager has made it active.
    focused = wait_for(lambda: focus_in(read_window(), names), timeout=5)
    check(focused == ["Button1"], f"the focus at the start on {focused}")

    activate(TITLE)
    xdotool("key", "--clearmodifiers", "Return")
    steps_shown = wait_for_state(states[0], names, "after Return")
    for step, state in enumerate(states[1:], start=2):
        if not steps_shown:
            break
        click(NEXT_STEP)
        steps_shown = wait_for_state(state, names, f"after click {step - 1}")
    # Each value label as wide as its number: a label that kept its described
    # 6 pixels would show a sliver of it.
    listed = read_window()
    narrow = {names[c.id]: (c.width, c.text_width) for c in listed[1:]
              if names.get(c.id) in REGISTERS and c.width < c.text_width}
    check(not narrow, f"value labels narrower than their numbers (width, text): {narrow}")
    check_colours(listed, names)

    # Minimised and restored, the window gives the focus back where it was.
    activate(TITLE)
    xdotool("key", "--clearmodifiers", "Tab")  # to "Имитация работы препроцессора"
    before = wait_for(lambda: focus_in(read_window(), names), timeout=5)
    window = subprocess.run(["xdotool", "search", "--name", TITLE], capture_output=True,
                            text=True).stdout.split()[0]
    xdotool("windowminimize", "--sync", window)
    xdotool("windowactivate", "--sync", window)
    after = wait_for(lambda: focus_in(read_window(), names) == before and before, timeout=5)
    check(before == ["Button2"] and after, f"the focus before minimising on {before}, "
                                           f"after restoring on {focus_in(read_window(), names)}")

    output = folder / "output.txt"
    check(output.read_text() == WORKED_EXAMPLE_OUTPUT ==
          (work / "native-output.txt").read_text(),
          f"output.txt after 16 steps: {output.read_text()!r}")
    print(f"16 steps shown as the native trace: {steps_shown}")

    # The timer: one step a second from the click on, "Следующий шаг" focused.
    check_dump(dump.read_text(), native_batch, folder / "input.txt", 16, work,
               "the dump of 16 steps (--vcd)")

    # The timer started by Return on "Имитация работы препроцессора", which has the focus.
    activate(TITLE)
    clicked = time.time()
    xdotool("key", "--clearmodifiers", "Return")
    time.sleep(0.3)
    listed = read_window()
    button2 = [c for c in listed[1:] if names.get(c.id) == "Button2"][0]
    focused = focus_in(listed, names)
    check(not button2.enabled and focused == ["Button1"],
          f"after Return on {IMITATE!r}: enabled {button2.enabled}, focus on {focused}")
    check_timer(write_times(output, 16, 5), clicked, "under Wine")
    close(process)


def write_times(output, before, count):
    """When each of the next `count` values after the first `before` reached
    `output`, as the file's modification time: the program's own record of its
    steps, which a busy machine's late readings here do not move."""
    times = {}
    deadline = time.monotonic() + 10
    while len(times) < count and time.monotonic() < deadline:
        modified = output.stat().st_mtime_ns
        values = len(output.read_text().split())
        if output.stat().st_mtime_ns == modified and 0 < values - before not in times:
            times[values - before] = modified / 1e9
        time.sleep(0.02)
    return [times[k] for k in sorted(times) if k <= count]


def killed():
    """A window killed after 7 steps leaves a dump of the 7 steps a viewer reads."""
    folder = example_folder("killed")
    process = start(folder, "--vcd=session.vcd")
    if not check(wait_for(read_window), "the window did not appear"):
        return process.kill()
    for _ in range(7):
        click(NEXT_STEP)
    seven = " ".join(WORKED_EXAMPLE_OUTPUT.split()[:7]) + " "
    wait_for(lambda: (folder / "output.txt").read_text() == seven, timeout=5)
    process.kill()
    process.wait()
    check_dump((folder / "session.vcd").read_text(), native_batch, folder / "input.txt", 7, folder,
               "the dump of a window killed after 7 steps")


def long_history():
    """The memo holds a history of over 30,000 characters whole (past an edit box's
    default limit); a step shows its first line again, wherever the user took
    the view."""
    folder = work / "long history"
    folder.mkdir()
    # The difference wraps to -294967296, so from the fourth step on the values
    # written have ten digits or more: 2,550 steps write 30,561 characters.
    (folder / "input.txt").write_text("1000000000 -1000000000\n")
    output = folder / "output.txt"
    process = start(folder)
    listed = wait_for(read_window)
    if not check(listed, "the window did not appear"):
        return process.kill()
    names = names_of(listed)
    activate(TITLE)
    xdotool("key", "--clearmodifiers", "--repeat", "2550", "--delay", "2", "Return")
    wait_for(lambda: len(output.read_text().split()) >= 2550, timeout=90)

    def memo():
        return next(c for c in read_window()[1:] if names.get(c.id) == "Memo1")

    history = " " + output.read_text()
    shown = memo()
    check(len(history) > 30000 and shown.text == history,
          f"the memo holds {len(shown.text)} characters of a history of {len(history)}")
    check(shown.first_line == 0, f"after 2,550 steps the memo shows line {shown.first_line}")
    # To the memo, its view to the end, then a step.
    xdotool("key", "--clearmodifiers", "Tab", "Tab", "ctrl+End")
    moved = wait_for(lambda: memo().first_line, timeout=5)
    click(NEXT_STEP)
    wait_for(lambda: len(output.read_text().split()) > 2550, timeout=5)
    history, shown = " " + output.read_text(), memo()
    check(moved and shown.first_line == 0 and shown.text == history,
          f"the view at line {moved}, then a step: the memo shows line {shown.first_line}")
    close(process)


def command_line():
    """An unknown option: the usage in a box, exit status 2. After "--", a folder
    whose name begins with "-" is a folder; there, the memo edited."""
    process = start(work, "--no-such-option")
    box = wait_for(lambda: read_window(BOX_TITLE))
    if check(box, "no box for an unknown option"):
        activate(BOX_TITLE)
        xdotool("key", "--clearmodifiers", "Return")
    status = exit_status(process)
    check(status == 2, f"an unknown option: exit status {status}, expected 2")

    folder = example_folder("-x")
    process = start(work, "--", "-x")
    if not check(wait_for(read_window), "-- -x: the window did not appear"):
        return process.kill()
    click(NEXT_STEP)
    check(wait_for(lambda: (folder / "output.txt").exists() and
                   (folder / "output.txt").read_text() == "0 ", timeout=5),
          "-- -x: the window does not work in the folder -x")

    # Return in the memo is a line break there, not a step; the next step gives
    # the memo the whole history again, the edit gone.
    listed = read_window()
    names = names_of(listed)

    def memo():
        return next(c for c in read_window()[1:] if names.get(c.id) == "Memo1").text

    xdotool("key", "--clearmodifiers", "Tab", "Tab", "x", "Return")  # from Button1 to the memo
    edited = wait_for(lambda: memo().startswith("x\\n") and memo(), timeout=5)
    time.sleep(0.5)
    check(edited == "x\\n 0 " and (folder / "output.txt").read_text() == "0 ",
          f"Return in the memo: {edited or memo()!r}, output.txt "
          f"{(folder / 'output.txt').read_text()!r}: expected a line break after the x, no step")
    click(NEXT_STEP)
    check(wait_for(lambda: memo() == " 0 0 ", timeout=5),
          f"a step after the edit: the memo shows {memo()!r}")
    close(process)


DIAGRAM = "Временная диаграмма"
DIAGRAM_COMMAND = 0x10  # its entry in the window's system menu


def diagram_rows():
    """The diagram's list view, each row a dict by its columns' names; None if the
    window is not there."""
    status, listed = run_under_wine(controls_exe, DIAGRAM, "--list")
    if status:
        return None
    lines = listed.splitlines()
    return [dict(zip(lines[0].split("|"), line.split("|"))) for line in lines[1:]]


def window_place(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                           capture_output=True, text=True).stdout.split()
    if not found:
        return None
    geometry = subprocess.run(["xdotool", "getwindowgeometry", found[0]], capture_output=True,
                              text=True).stdout
    return geometry.split("Position: ")[1].split(" ")[0] if "Position: " in geometry else None


def timing_diagram():
    """The timing diagram's window: with --diagram it opens beside the window,
    which keeps its place and its focus; it follows each step, its list view a
    row a step with the runner's values; closed, it loses nothing; the system
    menu and Ctrl+D open it again where it was, also in the next run; closing
    the window ends the program with the diagram open."""
    folder = example_folder("diagram")
    states, _ = runner_states(native_batch, folder / "input.txt", 17, work)
    process = start(folder, "--diagram")
    listed = wait_for(read_window)
    if not check(listed and wait_for(diagram_rows) == [], "--diagram: the two windows did not appear"):
        return process.kill()
    names = names_of(listed)
    check((listed[0].left, listed[0].top) == FORM["place"][:2] and
          wait_for(lambda: focus_in(read_window(), names), timeout=5) == ["Button1"],
          f"beside the diagram the window is at {listed[0].left}, {listed[0].top}, the focus on "
          f"{focus_in(read_window(), names)}")
    activate(TITLE)
    xdotool("key", "--clearmodifiers", "--repeat", "16", "--delay", "50", "Return")
    wait_for(lambda: len(diagram_rows() or []) == 16, timeout=10)

    # The columns of the registers the form shows, against the labels' values in the trace.
    label_of = {register: label for label, register in REGISTERS.items()}
    columns = [column for column, register in DIAGRAM_COLUMNS.items() if register in label_of]
    expected = [{column: state[label_of[DIAGRAM_COLUMNS[column]]] for column in columns}
                for state in states]

    def shown_by(rows):
        return [{column: row.get(column) for column in columns} for row in rows]

    check(shown_by(diagram_rows()) == expected[:16],
          f"the diagram's list after 16 steps: {shown_by(diagram_rows())[:3]}…, the trace's "
          f"{expected[:3]}…")
    place = window_place(DIAGRAM)
    activate(DIAGRAM)
    xdotool("key", "--clearmodifiers", "alt+F4")
    check(wait_for(lambda: window_place(DIAGRAM) is None, timeout=5) and process.poll() is None,
          "closing the diagram's window: it is still shown, or the program ended")
    activate(TITLE)
    xdotool("key", "--clearmodifiers", "Return")
    # The system menu's entry, chosen as the menu chooses it (Wine shows a managed
    # window's system menu to nobody, nor lets another process read it).
    run_under_wine(controls_exe, TITLE, "--system-command", str(DIAGRAM_COMMAND))
    rows = wait_for(lambda: (lambda rows: rows and len(rows) == 17 and rows)(diagram_rows()))
    check(rows and shown_by(rows) == expected and window_place(DIAGRAM) == place,
          f"reopened from the system menu at {window_place(DIAGRAM)} (closed at {place}): "
          f"{len(rows or [])} rows")
    close(process)

    # The next run: Ctrl+D in the window opens the diagram where it was.
    process = start(folder)
    if check(wait_for(read_window), "the window did not appear"):
        activate(TITLE)
        xdotool("key", "--clearmodifiers", "ctrl+d")
        check(wait_for(lambda: window_place(DIAGRAM) == place, timeout=5),
              f"Ctrl+D: the diagram at {window_place(DIAGRAM)}, last at {place}")
    close(process)


def scaled(length, dpi):
    """A length of the form at `dpi`, rounded as Windows' MulDiv rounds it."""
    return (length * dpi + 48) // 96


def set_dpi(dpi):
    """The screen's dots per inch, as Windows' display settings give it; Wine
    reads it as it starts, so its server is stopped."""
    for key in (r"HKCU\Control Panel\Desktop", r"HKCC\Software\Fonts"):
        run_under_wine("reg", "add", key, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f")
    subprocess.run([str(Path(wine).parent / "wineserver"), "-k"], capture_output=True)


def at_150_percent():
    """At 144 dots per inch (150 %) the window is drawn at that scale: the form
    description's places, sizes and fonts times 1.5; and it steps by clicks at
    the scaled places."""
    set_dpi(144)
    folder = example_folder("150")
    process = start(folder)
    listed = wait_for(read_window)
    if not check(listed, "at 150 %: the window did not appear"):
        process.kill()
        return set_dpi(96)
    window = listed[0]
    frame = tuple(scaled(length, 144) for length in FRAME_AND_SIZE)
    check((window.left, window.top, window.width, window.height) == frame,
          f"at 150 %: the window at {window.left}, {window.top}, {window.width} x "
          f"{window.height}; the form scaled: {frame}")
    for control, (name, kind, _, place, *_) in zip(listed[1:], CONTROLS):
        left, top, width, height = (scaled(length, 144) for length in place)
        shown = (control.left, control.top, control.width, control.height)
        if kind == "Label":
            right = (control.left, control.top) == (left, top) and abs(control.height - height) <= 6
        else:
            right = shown == (left, top, width, height)
        check(right, f"at 150 %: {name} at {shown}; the form scaled: {(left, top, width, height)}")
    for _ in range(3):
        click(NEXT_STEP)
    check(wait_for(lambda: (folder / "output.txt").read_text() == "0 0 0 ", timeout=5),
          f"at 150 %: three clicks wrote {(folder / 'output.txt').read_text()!r}")
    close(process)
    set_dpi(96)


def missing_input():
    folder = work / "empty"
    folder.mkdir()
    process = start(folder)
    box = wait_for(lambda: read_window(BOX_TITLE))
    if check(box, "no message box for a missing input.txt"):
        messages = [c.text for c in box if c.window_class == "Static" and c.text]
        check("Невозможно открыть файл INPUT.TXT" in messages, f"the message box says {messages}")
        activate(BOX_TITLE)
        xdotool("key", "--clearmodifiers", "Return")
    listed = wait_for(read_window)
    if check(listed, "no window after the message"):
        buttons = [c for c in listed if c.text in (NEXT_STEP, IMITATE)]
        check(len(buttons) == 2 and not any(b.enabled for b in buttons),
              "the buttons are not greyed out without input.txt")
        close(process)
    else:
        process.kill()
    check(not any(folder.iterdir()), f"files created: {list(folder.iterdir())}")

    # A folder that cannot be entered is named, with the system's reason.
    process = start(work, windows_path(work / "нет такой"))
    box = wait_for(lambda: read_window(BOX_TITLE))
    if check(box, "no message box for a folder that does not exist"):
        messages = [c.text for c in box if c.window_class == "Static" and c.text]
        check(any(re.fullmatch(r"Невозможно открыть папку .*\\нет такой \(.+\)", m) for m in messages),
              f"the message box says {messages}")
        activate(BOX_TITLE)
        xdotool("key", "--clearmodifiers", "Return")
    if check(wait_for(read_window), "no window after the message"):
        close(process)
    else:
        process.kill()


def failing_output():
    folder = example_folder("full")
    (folder / "output.txt").symlink_to("/dev/full")
    process = start(folder)
    if not check(wait_for(read_window), "the window did not appear"):
        return process.kill()
    boxes = 0
    for _ in range(3):
        click(NEXT_STEP)
        if wait_for(lambda: read_window(BOX_TITLE), timeout=2):
            boxes += 1
            box = read_window(BOX_TITLE)
            messages = [c.text for c in box if c.window_class == "Static" and c.text]
            check("Ошибка записи в файл OUTPUT.TXT" in messages, f"the error box says {messages}")
            activate(BOX_TITLE)
            xdotool("key", "--clearmodifiers", "Return")
            wait_for(lambda: not read_window(BOX_TITLE))
    check(boxes == 1, f"a failing output.txt reported {boxes} times in 3 steps, not once")
    close(process)


def files_under(folder):
    return {path.relative_to(folder).as_posix() for path in folder.rglob("*")}


def installed_and_uninstalled():
    drive = unix_path("C:\\")
    # NSIS runs its uninstaller from a copy in the user's temporary folder, and
    # leaves that folder there.
    before = {path for path in files_under(drive) if "/Temp/" not in path}
    status, _ = run_under_wine(installer_exe, "/S")
    check(status == 0, f"the silent install: exit code {status}")
    folder = unix_path(r"C:\Program Files\Preprocessor Simulator")
    installed = {path.relative_to(folder).as_posix() for path in folder.rglob("*")
                 if path.is_file()}
    expected = {"Uninstall.exe", "bin/preprocessor-sim.exe", "bin/preprocessor-batch.exe",
                "examples/worked-example/input.txt"}
    check(installed == expected, f"installed: {sorted(installed)}")
    menu = unix_path(r"C:\ProgramData\Microsoft\Windows\Start Menu\Programs")
    shortcuts = [path for path in menu.rglob(f"{TITLE}.lnk")]
    if check(shortcuts, f"no Start menu entry {TITLE!r}: {sorted(files_under(menu))}"):
        # A shortcut keeps its target and arguments as UTF-16 text.
        link = shortcuts[0].read_bytes()
        check("preprocessor-sim.exe".encode("utf-16-le") in link and
              "--choose-folder".encode("utf-16-le") in link,
              "the Start menu entry does not start preprocessor-sim.exe --choose-folder")

    # The installed programs on the installed worked example.
    example = work / "installed example"
    example.mkdir()
    (example / "input.txt").write_bytes((folder / "examples/worked-example/input.txt").read_bytes())
    status, _ = run_under_wine(str(folder / "bin/preprocessor-batch.exe"), "--steps", "16",
                               "--input", windows_path(example / "input.txt"),
                               "--output", windows_path(example / "batch-output.txt"))
    check(status == 0 and (example / "batch-output.txt").read_text() == WORKED_EXAMPLE_OUTPUT,
          f"the installed preprocessor-batch.exe: exit code {status}")
    process = start(work, windows_path(example), executable=str(folder / "bin/preprocessor-sim.exe"))
    if check(wait_for(read_window), "the installed program's window did not appear"):
        activate(TITLE)
        xdotool("key", "--clearmodifiers", "Return")
        check(wait_for(lambda: (example / "output.txt").exists() and
                       (example / "output.txt").read_text() == "0 ", timeout=5),
              "the installed program did not step on Return")
        close(process)
    else:
        process.kill()

    status, _ = run_under_wine(str(folder / "Uninstall.exe"), "/S")
    check(status == 0 and wait_for(lambda: not folder.exists(), timeout=30),
          f"the silent uninstall: exit code {status}, {sorted(files_under(folder))} left")
    wait_for(lambda: not [p for p in files_under(drive) if p.endswith("/Un.exe")], timeout=10)
    after = {path for path in files_under(drive) if "/Temp/" not in path}
    check(after == before, f"left after the uninstall: {sorted(after - before)}, "
                           f"gone: {sorted(before - after)}")
    for key in (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Preprocessor Simulator",
                r"HKLM\Software\The Preprocessor Simulator developers"):
        check(run_under_wine("reg", "query", key)[0] != 0, f"left in the registry: {key}")


# The locale reaches Windows programs as the system's code page.
LOCALE_CODE_PAGES = {"C.UTF-8": "1252", "ru_RU.UTF-8": "1251"}
code_page = run_under_wine(controls_exe, "--code-page")[1].strip()
check(code_page == LOCALE_CODE_PAGES[os.environ["LANG"]],
      f"under {os.environ['LANG']}, the code page is {code_page}")
# What does not depend on the code page runs under the first locale only.
once = [long_history, timing_diagram] if os.environ["LANG"] == "C.UTF-8" else []
for scenario in (worked_example, killed, *once, command_line, missing_input, failing_output,
                 at_150_percent, installed_and_uninstalled):
    started = time.monotonic()
    scenario()
    print(f"-- {scenario.__name__.replace('_', ' ')} ({os.environ.get('LANG')}): "
          f"{time.monotonic() - started:.0f} s")
finish()
