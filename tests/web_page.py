#!/usr/bin/env python3
"""The web page in a real browser engine, as a person uses it, opened from disk:
its form against the form description (places, sizes, fonts, colours, captions,
tab order), the worked example stepped by Return and by clicks with every label
and the memo checked against the native runner's trace after each step,
output.txt downloaded, kept over a reload, the timer timed, other inputs opened
with the file chooser (one from the fixtures, one without numbers, a large one)
and each stepped against the runner, and the keyboard alone. In Chromium also
what a screen reader receives (its accessibility tree), and a folder chosen
through the File System Access API (the page served on the loopback for that,
with folders of the browser's own private file system standing in for the
user's): a missing input.txt's message box, and output.txt on disk at each step.

usage: web_page.py ENGINE PAGE NATIVE_BATCH INPUT SECOND_INPUT WORK_DIR
ENGINE: chromium or webkit"""
import base64
import collections
import functools
import glob
import http.server
import subprocess
import sys
import threading
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service as ChromeService
from selenium.common.exceptions import ElementClickInterceptedException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from scenario import (ACCESSIBLE_NAMES, COLOURS, CONTROLS, DIAGRAM_COLUMNS, FORM, REGISTERS,
                      TAB_STOPS, WORKED_EXAMPLE_OUTPUT, check, check_dump, check_timer, finish,
                      wait_for)
from scenario import expected_states as runner_states

engine, page, native_batch, input_path, second_input, work = sys.argv[1:7]
work = Path(work)
page = Path(page).resolve()


def open_browser():
    if engine == "chromium":
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                         "--no-first-run", "--disable-background-networking",
                         "--disable-component-update", "--disable-sync",
                         f"--user-data-dir={work / 'profile'}", "--window-size=1200,700"):
            options.add_argument(argument)
        return webdriver.Chrome(service=ChromeService("/usr/bin/chromedriver"), options=options)
    options = webdriver.WebKitGTKOptions()
    options.binary_location = glob.glob("/usr/lib/*/webkit2gtk-4.*/MiniBrowser")[0]
    options.add_argument("--automation")
    browser = webdriver.WebKitGTK(options=options)
    browser.set_window_size(1200, 700)
    return browser


browser = open_browser()


def load(url=page.as_uri()):
    browser.get(url)
    wait_for(lambda: browser.execute_script("return !!document.getElementById('Button1')"))


def shown():
    """Every value label's text and the memo's."""
    return browser.execute_script(
        "const shown = {};"
        "for (const name of arguments[0]) shown[name] = document.getElementById(name).textContent;"
        "shown.Memo1 = document.getElementById('Memo1').value;"
        "return shown;", list(REGISTERS))


def expected_states(input_file, steps):
    return runner_states(native_batch, input_file, steps, work)


def step_and_compare(states, what, first_by_return=False):
    """Steps once per state, by a click (the first by Return if asked), and
    compares what is shown; stops at the first difference."""
    for number, state in enumerate(states, start=1):
        if number == 1 and first_by_return:
            browser.switch_to.active_element.send_keys(Keys.RETURN)
        else:
            browser.find_element(By.ID, "Button1").click()
        if not wait_for(lambda: shown() == state, timeout=2):
            actual = shown()
            check(False, f"{what}, step {number}: shown, expected: "
                         f"{ {k: (actual.get(k), v) for k, v in state.items() if actual.get(k) != v} }")
            return False
    return True


def blank():
    return all(text == "" for text in shown().values())


CAPTURE_DOWNLOAD = """
const [id, done] = arguments;
const create = URL.createObjectURL;
URL.createObjectURL = blob => {
  URL.createObjectURL = create;
  blob.text().then(done);
  return create.call(URL, blob);
};
document.getElementById(id).click();
"""


def downloaded(button="download-output", name="output.txt"):
    """What a click on the button downloads. Chromium saves it to disk, where it is
    read; WebKit's driver keeps no downloads, so there it is the file as the page
    hands it to the browser."""
    if engine != "chromium":
        return browser.execute_async_script(CAPTURE_DOWNLOAD, button)
    folder = work / f"downloads-{time.monotonic_ns()}"
    folder.mkdir()
    browser.execute_cdp_cmd("Page.setDownloadBehavior",
                            {"behavior": "allow", "downloadPath": str(folder)})
    browser.find_element(By.ID, button).click()
    file = folder / name
    return wait_for(lambda: file.exists() and file.read_text()) or ""


# --- The scenarios ---------------------------------------------------------------------

GEOMETRY = """
const shown = {};
for (const name of arguments[0]) {
  const element = document.getElementById(name);
  const style = getComputedStyle(element);
  const caption = element.querySelector('.caption');
  shown[name] = [element.offsetLeft, element.offsetTop, element.offsetWidth, element.offsetHeight,
                 style.fontSize, style.backgroundColor, style.color,
                 (caption || element).textContent, element.parentElement.id];
}
const form = document.getElementById(arguments[1]);
const focusable = [...form.querySelectorAll('button, textarea')].filter(e => e.tabIndex >= 0);
return [shown, [form.offsetWidth, form.offsetHeight, getComputedStyle(form).backgroundColor,
                getComputedStyle(form).fontSize],
        focusable.map(e => e.id), document.title, document.documentElement.lang,
        document.activeElement.id, performance.getEntriesByType('resource').map(e => e.name)];
"""


def css_colour(colour):
    return "rgb(%d, %d, %d)" % colour


def form_as_described():
    names = [name for name, *_ in CONTROLS]
    controls, form, focusable, title, language, focus, fetched = browser.execute_script(
        GEOMETRY, names, FORM["name"])
    check(not fetched, f"the page fetched {fetched}: it must need nothing but itself")
    check(title == FORM["caption"] and language == "ru",
          f"the page's title {title!r} and language {language!r}")
    check(form == [*FORM["place"][2:], css_colour(FORM["background"]), f"{FORM['size']}px"],
          f"the form: {form}")
    check(focusable == TAB_STOPS, f"tab order {focusable}, expected {TAB_STOPS}")
    check(focus == "Button1", f"the focus at the start on {focus!r}")
    for name, kind, parent_name, place, described_caption, font_size in CONTROLS:
        left, top, width, height, size, background, colour, caption, parent = controls[name]
        what = f"{name}: at {left}, {top}, {width} x {height}, in {parent}"
        check((left, top, parent) == (*place[:2], parent_name),
              f"{what}; expected at {place[:2]} in {parent_name}")
        if kind != "Label":
            check((width, height) == place[2:], f"{what}; expected {place}")
        elif caption:  # a label fits its text, a line of its font high
            check(abs(height - place[3]) <= 4, f"{what}: its font's line is {place[3]}")
        check(size == f"{font_size}px", f"{name}: font {size}")
        check(caption == described_caption, f"{name}: caption {caption!r}")
        expected_background, expected_text = COLOURS[kind]
        if expected_background:
            check(background == css_colour(expected_background), f"{name}: background {background}")
        if expected_text:
            check(colour == css_colour(expected_text), f"{name}: text {colour}")
    check(blank(), f"before the first step: {shown()}")


COUNT_REWRITES = """
window.rewrites = {};
for (const name of arguments[0]) {
  rewrites[name] = 0;
  new MutationObserver(records => { rewrites[name] += records.length; })
    .observe(document.getElementById(name), { childList: true, characterData: true, subtree: true });
}
"""


def worked_example():
    states, native = expected_states(input_path, 16)
    browser.execute_script(COUNT_REWRITES, list(REGISTERS))
    shown_right = step_and_compare(states, "the worked example", first_by_return=True)
    # A value label is written only when its number changes, so a screen reader
    # hears of it only then.
    changes = {name: sum(1 for before, after in zip([{name: ""}, *states], states)
                         if before[name] != after[name]) for name in REGISTERS}
    rewrites = browser.execute_script("return rewrites")
    check(rewrites == changes, f"value labels written {rewrites}, their numbers changed {changes}")
    print(f"16 steps shown as the native trace: {shown_right}")
    output = downloaded()
    check(output == WORKED_EXAMPLE_OUTPUT == native, f"output.txt downloaded: {output!r}")

    check_dump(downloaded("download-vcd", "preprocessor-sim.vcd"), native_batch, input_path, 16,
               work, "the session's dump, downloaded")

    # The diagram fits the 16 steps; its cursor, moved by the keyboard from the
    # latest step to step 5, and its table for screen readers, say what the
    # trace says there.
    diagram = browser.find_element(By.ID, "diagram-canvas")

    def around(element_id):  # what stands around the drawing, once it has caught up
        time.sleep(0.15)
        return browser.find_element(By.ID, element_id).text

    check(around("diagram-span") == "шаги 1–16 из 16",
          f"the diagram shows {around('diagram-span')!r}")
    diagram.send_keys(Keys.END, *[Keys.ARROW_LEFT] * 11)
    by_register = {register: states[4][label] for label, register in REGISTERS.items()}
    by_register.update(Written=WORKED_EXAMPLE_OUTPUT.split()[4], EndOfData="1")
    expected = {column: by_register[register] for column, register in DIAGRAM_COLUMNS.items()}
    said = "Шаг 5: " + ", ".join(f"{column} {value}" for column, value in expected.items())
    at_cursor = around("diagram-cursor")
    check(at_cursor == said, f"the diagram's cursor says {at_cursor!r}, the trace's row 5 {said!r}")
    table = browser.execute_script(
        "const head = [...document.querySelectorAll('#diagram-table thead th')].map(c => c.textContent);"
        "return [...document.querySelectorAll('#diagram-table tbody tr')].map(row =>"
        "  Object.fromEntries([...row.cells].map((c, i) => [head[i], c.textContent])))")
    check(len(table) == 16 and {k: table[4].get(k) for k in expected} == expected,
          f"the diagram's table for screen readers: {len(table)} rows, row 5 {table[4:5]}")

    # The wheel over the diagram: a plain turn is the page's; with Ctrl it zooms.
    turned = browser.execute_script(
        "const turn = init => arguments[0].dispatchEvent(new WheelEvent('wheel',"
        "  { deltaY: -100, bubbles: true, cancelable: true, ...init }));"
        "return [turn({}), turn({ ctrlKey: true })]", diagram) + [around("diagram-span")]
    check(turned == [True, False, "шаги 9–16 из 16"],
          f"the wheel over the diagram: left to the page {turned[0]}, with Ctrl {turned[1]}, "
          f"then {turned[2]!r}")
    diagram.send_keys("-")

    # Return on the diagram opens the delay line into its cells, and makes no step.
    height = diagram.size["height"]
    diagram.send_keys(Keys.RETURN)
    check(wait_for(lambda: diagram.size["height"] > height, timeout=2) and
          shown()["Memo1"] == states[-1]["Memo1"],
          f"Return on the diagram: {height} px high, then {diagram.size['height']}, "
          f"the memo {shown()['Memo1']!r}")
    diagram.send_keys(Keys.RETURN)


def kept_over_a_reload():
    """The last session's output.txt stays downloadable after a reload, until the
    new run writes."""
    load()
    previous = browser.find_element(By.ID, "download-previous")
    if check(previous.is_displayed(), "no previous session's output.txt after a reload"):
        output = downloaded("download-previous")
        check(output == WORKED_EXAMPLE_OUTPUT, f"the previous session's output.txt: {output!r}")
    browser.find_element(By.ID, "Button1").click()
    check(wait_for(lambda: not previous.is_displayed()),
          "the previous session's output.txt offered after the new run wrote")


WATCH_STEPS = """
// The page's own clock: when Return reached the button, and when each step after it was recorded.
window.pressed = null;
window.steps = [];
let seen = running._WebRecordedSteps();
arguments[0].addEventListener('keydown', () => { pressed = performance.now(); }, { capture: true });
setInterval(() => {
  for (const now = running._WebRecordedSteps(); seen < now; ++seen) steps.push(performance.now());
}, 5);
"""


def timer():
    """Return on the focused "Имитация работы препроцессора" starts the timer: the
    button greyed, the focus on "Следующий шаг", no step at once, then one step a
    second, timed by the page's own record of its steps."""
    button2 = browser.find_element(By.ID, "Button2")
    browser.execute_script(WATCH_STEPS, button2)
    browser.execute_script("arguments[0].focus()", button2)
    browser.switch_to.active_element.send_keys(Keys.RETURN)
    focus = browser.switch_to.active_element.get_attribute("id")
    steps = browser.execute_script("return steps.length")
    check(not button2.is_enabled() and focus == "Button1" and steps == 0,
          f"after Return on it: enabled {button2.is_enabled()}, focus on {focus!r}, {steps} steps")
    wait_for(lambda: browser.execute_script("return steps.length >= 5"), timeout=9)
    pressed, ticks = browser.execute_script("return [pressed, steps.slice(0, 5)]")
    check_timer([tick / 1000 for tick in ticks], (pressed or 0) / 1000, engine)


def keyboard_alone():
    """Tab moves through the buttons to the memo; Return steps wherever the focus
    is but on another button or in the memo."""
    load()
    order = []
    for _ in range(3):
        order.append(browser.switch_to.active_element.get_attribute("id"))
        browser.switch_to.active_element.send_keys(Keys.TAB)
    check(order == ["Button1", "Button2", "Memo1"], f"Tab goes through {order}")
    browser.execute_script("document.activeElement.blur()")
    browser.find_element(By.TAG_NAME, "body").send_keys(Keys.RETURN)
    check(wait_for(lambda: shown()["Memo1"] == " 0 "), f"Return on the page: {shown()['Memo1']!r}")


def long_history():
    """A history of thousands of values: whenever the memo has the focus it holds
    all of it, and a step while it has the focus adds to its end."""
    load()
    steps = 2500
    browser.execute_script("for (let i = 0; i < arguments[0]; ++i) Button1.click()", steps - 1)
    states, _ = expected_states(input_path, steps + 1)
    memo = browser.find_element(By.ID, "Memo1")
    memo.click()
    text = memo.get_property("value")
    check(text == states[-3]["Memo1"], f"the memo after {steps - 1} steps, focused: "
                                       f"{len(text)} characters, expected {len(states[-3]['Memo1'])}")
    browser.execute_script("Button1.click()")  # as the timer steps, the focus staying
    text, caret = browser.execute_script("return [Memo1.value, Memo1.selectionEnd]")
    check(text == states[-2]["Memo1"] and caret == 0,
          f"a step with the memo focused: it ends {text[-20:]!r}, the caret at {caret}")
    # Typed into while it has the focus, the memo gets the whole history back at the next step.
    memo.send_keys(Keys.END, "x")
    browser.execute_script("Button1.click()")
    text = memo.get_property("value")
    check(text == states[-1]["Memo1"], f"a step after typing in the memo: {len(text)} characters, "
                                       f"expected {len(states[-1]['Memo1'])}, ending {text[-20:]!r}")
    # Kept in the browser's storage block by block, output.txt comes back whole
    # after a reload.
    load()
    kept = downloaded("download-previous")
    check(kept == states[-1]["Memo1"][1:], f"output.txt of {steps + 1} steps after a reload: "
                                           f"{len(kept)} characters, ending {kept[-20:]!r}")


def open_file(path, states, what):
    """Opens `path` with the file chooser: the run starts again on it (values and
    memo blank), and steps as the runner does."""
    browser.find_element(By.ID, "Button1").click()  # something to be cleared
    chooser = browser.find_element(By.ID, "input-file")
    browser.execute_script("window.started = false;"
                           "addEventListener('preprocessor-started', () => window.started = true)")
    chooser.send_keys(str(path))
    if not check(wait_for(lambda: browser.execute_script("return window.started"), timeout=20),
                 f"{what}: the run did not start again"):
        return
    enabled = browser.find_element(By.ID, "Button2").is_enabled()
    check(blank() and enabled, f"{what}: not started afresh: {shown()}, Button2 enabled {enabled}")
    step_and_compare(states, what)


DROP = """
const [name, text] = arguments;
const data = new DataTransfer();
data.items.add(new File([text], name, { type: 'text/plain' }));
document.getElementById('Memo1').dispatchEvent(
  new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
"""


def drop(path):
    """Drops `path` on the page: in Chromium as the browser itself does it, with a
    drag over the page first; elsewhere as the page receives it."""
    if engine != "chromium":
        return browser.execute_script(DROP, path.name, path.read_text())
    data = {"items": [], "files": [str(path.resolve())], "dragOperationsMask": 1}
    for kind in ("dragEnter", "dragOver", "drop"):
        browser.execute_cdp_cmd("Input.dispatchDragEvent", {"type": kind, "x": 500, "y": 250,
                                                            "data": data})


def other_inputs():
    second = expected_states(second_input, 24)[0]
    open_file(Path(second_input).resolve(), second, "an input from the fixtures")
    # A file dropped anywhere on the page is opened as the chooser opens it.
    browser.execute_script("window.started = false;"
                           "addEventListener('preprocessor-started', () => window.started = true)")
    dropped = work / "dropped.txt"
    dropped.write_text(Path(input_path).read_text())
    drop(dropped)
    if check(wait_for(lambda: browser.execute_script("return window.started")),
             "a dropped file did not start the run again"):
        step_and_compare(expected_states(input_path, 3)[0], "a dropped file")
    # Without a single pair (no numbers, or nothing at all) the bar says so, and
    # the run steps on as the desktop's does; with a number, it says nothing.
    for name, text in (("no numbers.txt", "нет здесь чисел\n"), ("empty.txt", ""),
                       ("one number.txt", " \r\n-5")):
        unread = work / name
        unread.write_text(text)
        open_file(unread, expected_states(unread, 4)[0], f"a file like {name}")
        notice = browser.find_element(By.ID, "notice").text
        check(("нет ни одной пары чисел" in notice) == (name != "one number.txt"),
              f"the bar over {name}: {notice!r}")

    # 50 MB of pairs: the page must not stall while it opens them. On a busy
    # machine the browser itself may not be run for a while, so a stall counts
    # only if it comes back when the file is opened again (three times at most).
    large = work / "large.txt"
    line = b"123456 -654321\r\n"
    large.write_bytes(line * (50 * 1024 * 1024 // len(line)))
    states = expected_states(large, 3)[0]
    stalls = []
    while len(stalls) < 3 and (not stalls or stalls[-1] >= 1000):
        browser.execute_script("clearInterval(window.beating); window.beats = [performance.now()];"
                               "window.beating = setInterval(() => beats.push(performance.now()), 20)")
        open_file(large, states, "a 50 MB input")
        stalls.append(browser.execute_script(
            "return Math.max(...beats.slice(1).map((beat, i) => beat - beats[i]))"))
    print(f"opening 50 MB: the longest stall {', then '.join(f'{stall:.0f}' for stall in stalls)} ms")
    check(min(stalls) < 1000, f"opening 50 MB stalled the page for {min(stalls):.0f} ms each time")


def accessibility_tree():
    """What a screen reader gets after five steps: each value label named for its
    register, its number as its text, changes announced politely; the memo a text
    box named ODB."""
    load()
    states, _ = expected_states(input_path, 5)
    for _ in range(5):
        browser.find_element(By.ID, "Button1").click()
    wait_for(lambda: shown() == states[4] and browser.execute_script(
        "return document.querySelectorAll('#diagram-table tbody tr').length === 5"))
    nodes = browser.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
    by_id = {node["nodeId"]: node for node in nodes}

    def name(node):
        return node.get("name", {}).get("value", "")

    def text(node):
        return "".join(name(by_id[child]) for child in node.get("childIds", []) if child in by_id)

    def properties(node):
        return {p["name"]: p["value"].get("value") for p in node.get("properties", [])}

    def found(role, accessible_name):
        return next((node for node in nodes if not node.get("ignored") and
                     node["role"]["value"] == role and name(node) == accessible_name), None)

    for label, accessible_name in ACCESSIBLE_NAMES.items():
        node = found("status", accessible_name)
        number = states[4][label]
        check(node and properties(node).get("live") == "polite" and text(node) == number,
              f"{accessible_name}: {node and properties(node)}, "
              f"text {node and text(node)!r}, shown {number!r}: expected a polite status")
    for _, kind, _, _, caption, _ in CONTROLS:
        if kind in ("Button", "GroupBox"):
            check(found(kind.lower().replace("groupbox", "group"), caption),
                  f"no {kind} {caption!r}")
    check(found("textbox", "ODB"), "the memo is no text box named ODB")
    # The diagram's values reach it as a table: a row header per step shown, a
    # column header per signal.
    headers = collections.Counter(node["role"]["value"] for node in nodes
                                  if not node.get("ignored") and
                                  node["role"]["value"] in ("rowheader", "columnheader"))
    check(headers == {"rowheader": 5, "columnheader": 18},
          f"the diagram's table, as a screen reader gets it: {dict(headers)}; expected a row "
          f"header for each of the 5 steps, and a column header for the step and each signal")


def boxes_in_a_row():
    """Two boxes asked for at once: the first shown, modal, its OK focused; once
    it is closed, the second, likewise; then the focus back where it was. In
    Chromium, what a screen reader hears of a box: the program's name, and the
    message as its description."""
    load()
    browser.execute_script("running.document.showBox('Первое', false);"
                           "running.document.showBox('Второе', true)")

    def modal():
        return browser.execute_script(
            "const box = document.querySelector('dialog:modal');"
            "return box && [box.querySelector('p').textContent, document.activeElement.textContent,"
            "               document.querySelectorAll('dialog').length]")

    first = wait_for(modal)
    check(first == ["Первое", "OK", 1], f"the first box: {first}")
    if engine == "chromium":
        nodes = browser.execute_cdp_cmd("Accessibility.getFullAXTree", {})["nodes"]
        heard = [(node.get("name", {}).get("value"), node.get("description", {}).get("value"))
                 for node in nodes if node["role"]["value"] in ("dialog", "alertdialog")]
        check(heard == [("preprocessor-sim", "Первое")], f"a screen reader hears the box as {heard}")
    browser.switch_to.active_element.send_keys(Keys.RETURN)
    second = wait_for(lambda: (lambda box: box and box[0] == "Второе" and box)(modal()))
    check(second == ["Второе", "OK", 1], f"after the first box closed: {second or modal()}")
    browser.switch_to.active_element.send_keys(Keys.ESCAPE)
    check(wait_for(lambda: browser.execute_script(
        "return !document.querySelector('dialog') && document.activeElement.id === 'Button1'")),
        "after both boxes the focus is not back on Следующий шаг")


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


PICKED_FOLDER = """
const [folder, files, done] = arguments;
(async () => {
  const root = await navigator.storage.getDirectory();
  const chosen = await root.getDirectoryHandle(folder, { create: true });
  for (const [name, text] of Object.entries(files)) {
    const writable = await (await chosen.getFileHandle(name, { create: true })).createWritable();
    await writable.write(text);
    await writable.close();
  }
  window.showDirectoryPicker = async () => chosen;
  document.getElementById('choose-folder').click();
  done();
})();
"""

FOLDER_FILE = """
const [folder, name, done] = arguments;
navigator.storage.getDirectory()
  .then(root => root.getDirectoryHandle(folder))
  .then(chosen => chosen.getFileHandle(name))
  .then(file => file.getFile()).then(file => file.text())
  .then(done, () => done(null));
"""


def chosen_folder():
    """A folder chosen through the File System Access API: without input.txt, the
    message box (modal, closed by Return) and nothing written; with it, output.txt
    there is emptied at the start and holds every value at its step."""
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Quiet, directory=str(page.parent)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    load(f"http://127.0.0.1:{server.server_address[1]}/{page.name}")

    browser.execute_async_script(PICKED_FOLDER, "empty", {})
    box = wait_for(lambda: browser.execute_script(
        "const box = document.querySelector('dialog:modal');"
        "return box && [box.querySelector('p').textContent, document.activeElement.textContent,"
        "               document.getElementById('Button1').disabled]"))
    if check(box, "no modal box for a folder without input.txt"):
        check(box == ["Невозможно открыть файл INPUT.TXT", "OK", True], f"the box: {box}")
        notice = browser.find_element(By.ID, "notice").text
        check(notice == "Шаги недоступны: в выбранной папке нет файла input.txt.",
              f"the bar over a folder without input.txt: {notice!r}")
        try:  # the page under the box takes no clicks
            browser.find_element(By.ID, "download-output").click()
            check(False, "a button under the box took a click")
        except ElementClickInterceptedException:
            pass
        browser.switch_to.active_element.send_keys(Keys.RETURN)
        check(wait_for(lambda: browser.execute_script("return !document.querySelector('dialog')")),
              "Return did not close the box")
    browser.execute_async_script(PICKED_FOLDER, "empty", {})
    if wait_for(lambda: browser.execute_script("return !!document.querySelector('dialog:modal')")):
        browser.switch_to.active_element.send_keys(Keys.ESCAPE)
        check(wait_for(lambda: browser.execute_script("return !document.querySelector('dialog')")),
              "Escape did not close the box")
    check(browser.execute_async_script(FOLDER_FILE, "empty", "output.txt") is None,
          "output.txt made in a folder without input.txt")

    # An output.txt there is emptied as the program starts, before any step.
    browser.execute_async_script(PICKED_FOLDER, "worked", {
        "input.txt": Path(input_path).read_text(), "output.txt": "from before "})
    check(wait_for(lambda: browser.execute_async_script(FOLDER_FILE, "worked", "output.txt") == ""),
          "output.txt in the folder not emptied at the start")
    for expected in ("0 ", "0 0 ", "0 0 0 ", "0 0 0 3 "):
        browser.find_element(By.ID, "Button1").click()
        written = wait_for(
            lambda: (lambda text: text == expected and text)(
                browser.execute_async_script(FOLDER_FILE, "worked", "output.txt")))
        if not check(written, f"output.txt in the folder: expected {expected!r}"):
            break
    server.shutdown()


NARROW_LAYOUT = """
const box = id => document.getElementById(id).getBoundingClientRect();
const cells = Array.from({ length: 11 }, (_, i) => box(`FRT${i + 1}`));
const small = [...document.querySelectorAll('button, input, textarea, canvas')]
  .filter(e => e.offsetParent && e.type !== 'file')
  .filter(e => { const r = e.getBoundingClientRect(); return r.width < 24 || r.height < 24; })
  .map(e => e.id || e.textContent);
return {
  sideways: document.documentElement.scrollWidth - innerWidth,
  sizes: ['FR1', 'Label2', 'Memo1', 'Button1'].map(id => getComputedStyle(document.getElementById(id)).fontSize),
  stacked: box('GroupBox1').bottom <= box('GroupBox2').top && box('GroupBox2').bottom <= box('GroupBox3').top,
  inOrder: cells.every((cell, i) => !i || cell.top > cells[i - 1].top + 1 ||
                                    (Math.abs(cell.top - cells[i - 1].top) <= 1 && cell.left > cells[i - 1].left)),
  small,
};
"""


def narrow_screens():
    """Narrower than the form, on a phone (390 CSS pixels) and at 200 % zoom on a
    1366 x 768 laptop (683 CSS pixels across): nothing to scroll sideways, every
    value, caption and button as large as at full width, every control at least
    24 pixels square, the group boxes one under another, the delay line's cells
    in order; and it still steps as the runner does."""
    for width, height, scale, what in ((390, 844, 3, "a phone"), (683, 384, 2, "200 % on a laptop")):
        if engine == "chromium":
            browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
                "width": width, "height": height, "deviceScaleFactor": scale, "mobile": width < 500})
        else:
            browser.set_window_size(width, height)
        load()
        states, _ = expected_states(input_path, 12)
        step_and_compare(states, what)
        layout = browser.execute_script(NARROW_LAYOUT)
        check(layout["sideways"] <= 0 and layout["sizes"] == ["27px", "20px", "19px", "11px"] and
              layout["stacked"] and layout["inOrder"] and not layout["small"], f"{what}: {layout}")
    if engine == "chromium":
        browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
    else:
        browser.set_window_size(1200, 700)


def two_tabs():
    """Two tabs of the page stepping at once: the first keeps its output.txt in the
    browser's storage, the second says it cannot; reloaded, the first offers its
    own run's output.txt whole, not pieces of two."""
    load()
    first = browser.current_window_handle
    browser.switch_to.new_window("tab")
    load()
    second = browser.current_window_handle
    _, native = expected_states(input_path, 6)
    for _ in range(6):
        browser.switch_to.window(first)
        browser.execute_script("Button1.click()")
        browser.switch_to.window(second)
        browser.execute_script("Button1.click(); Button1.click()")
    notice = browser.find_element(By.ID, "notice").text
    check("другой вкладки" in notice, f"the second tab's bar: {notice!r}")
    browser.switch_to.window(first)
    load()
    kept = wait_for(lambda: browser.find_element(By.ID, "download-previous").is_displayed()) and \
        downloaded("download-previous")
    check(kept == native, f"after two tabs stepped, the first's previous output.txt: {kept!r}")
    browser.switch_to.window(second)
    browser.close()
    browser.switch_to.window(first)


def printed():
    """Printed (to PDF, by the browser): the form with its values, the whole memo,
    the diagram, and none of the page's controls."""
    load()
    rising = work / "rising.txt"  # every written value differs from the last
    rising.write_text("".join(f"{i} {-i}\n" for i in range(1200)))
    states, _ = expected_states(rising, 1200)
    open_file(rising, states[:1], "an input to print")
    browser.execute_script("for (let i = 1; i < 1200; ++i) Button1.click()")
    pdf = work / "printed.pdf"
    pdf.write_bytes(base64.b64decode(browser.execute_cdp_cmd("Page.printToPDF", {})["data"]))
    text = subprocess.run(["pdftotext", "-layout", str(pdf), "-"], capture_output=True,
                          text=True).stdout
    memo = states[-1]["Memo1"].split()
    check(" ".join(memo) in " ".join(text.split()), "the printed page lacks the memo's "
          f"{len(memo)} values in order, of which the last {memo[-3:]}")
    check("Временная диаграмма" in text and "Следующий шаг" in text,
          "the printed page lacks the diagram or the form")
    controls = [c for c in ("Открыть input.txt", "Скачать", "К последнему шагу") if c in text]
    check(not controls, f"the printed page shows the page's controls {controls}")
    # As images: the diagram's bus lines in their light green ink, drawn on paper.
    subprocess.run(["pdftoppm", "-r", "50", str(pdf), str(work / "printed")], check=True)
    green = 0
    for page_image in work.glob("printed*.ppm"):
        magic, width, height, _, pixels = page_image.read_bytes().split(maxsplit=4)
        green += sum(1 for at in range(0, len(pixels), 3)
                     if pixels[at + 1] > pixels[at] + 25 and pixels[at + 1] > pixels[at + 2] + 25)
    check(green > 200, f"the printed pages show {green} pixels of the diagram's ink")


scenarios = [form_as_described, worked_example, kept_over_a_reload, timer, keyboard_alone,
             long_history, boxes_in_a_row, narrow_screens]
if engine == "chromium":
    scenarios += [accessibility_tree, chosen_folder, two_tabs, printed]
else:
    def no_folder_without_the_api():
        check(not browser.find_element(By.ID, "choose-folder").is_displayed(),
              "a folder offered without the File System Access API")
    scenarios.insert(0, no_folder_without_the_api)
# Last: after a 50 MB input, WebKitGTK's web process has been seen to crash on
# the next page load (on a loaded machine), which is WebKit's, not the page's.
scenarios.append(other_inputs)
try:
    load()
    for scenario in scenarios:
        print(f"-- {engine}: {scenario.__name__.replace('_', ' ')}")
        scenario()
finally:
    browser.quit()
finish()
