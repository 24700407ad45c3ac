"""atspi_window.py READY_FILE: five presses of "Следующий шаг" through AT-SPI's
action interface, then what a screen reader's review finds: every value label's
name and number as the worked example's fifth step has them, the change events a
screen reader listens for, and the memo labelled by "ODB" (and "ODB" saying so),
with no selection events while nothing is selected; the timing diagram's table,
a row for each step with its number as the row's header, a column per signal;
then an edit of the memo through the bus and a step, heard as the old text
removed and the history inserted. READY_FILE is made once the script listens."""
import collections
import sys
import time

import pyatspi
from gi.repository import GLib

# The fifth step of the worked example: what each value label shows.
EXPECTED = {
    "Y1, уменьшаемое": "0", "Y1, вычитаемое": "0", "Y2, разность": "7",
    "Y3, линия задержки, ячейка 1": "7", "Y3, линия задержки, ячейка 2": "0",
    "Y3, линия задержки, ячейка 3": "6", "Y3, линия задержки, ячейка 4": "3",
    "Y3, линия задержки, ячейка 5": "0", "Y3, линия задержки, ячейка 6": "0",
    "Y3, линия задержки, ячейка 7": "0", "Y3, линия задержки, ячейка 8": "0",
    "Y3, линия задержки, ячейка 9": "0", "Y3, линия задержки, ячейка 10": "0",
    "Y3, линия задержки, ячейка 11": "0", "Y3, сумма окна": "9",
}
# Labels whose number changed at each of the five steps: five insertions each.
CHANGED_EVERY_STEP = ["Y1, уменьшаемое", "Y1, вычитаемое"]
# Labels that show 0 from the first step on: one insertion, not one a step.
NEVER_CHANGED = [f"Y3, линия задержки, ячейка {cell}" for cell in range(5, 12)]

events = collections.Counter()
memo_changes = []  # (kind, offset, text) of each change the memo announces


def on_event(event):
    try:
        events[(event.type, event.source.name)] += 1
        if event.type.startswith("object:text-changed:") and event.source.getRoleName() == "text":
            memo_changes.append((event.type.split(":")[-1], event.detail1, event.any_data))
    except Exception:  # the source went away
        pass


def pump(seconds):
    """Delivers the bus's events for a while."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.iteration(False):
            pass
        time.sleep(0.02)


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(300):
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "preprocessor-sim":
                return app
        time.sleep(0.1)
    sys.exit("FAIL: the program is not on the accessibility bus")


def descendants(accessible):
    yield accessible
    for i in range(accessible.childCount):
        yield from descendants(accessible.getChildAtIndex(i))


def text_of(accessible):
    return accessible.queryText().getText(0, -1)


failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


pyatspi.Registry.registerEventListener(on_event, "object:text-changed",
                                       "object:text-selection-changed")
open(sys.argv[1], "w").close()  # listening: the program may start
nodes = list(descendants(application()))
labels = {node.name: node for node in nodes if node.getRoleName() == "label"}
for name in EXPECTED:
    check(name in labels, f"no label named {name!r}")
    if name in labels:
        check(text_of(labels[name]) == "", f"{name!r} is not empty before the first step")

buttons = [node for node in nodes
           if node.getRoleName() == "push button" and node.name == "Следующий шаг"]
check(len(buttons) == 1, "no button named 'Следующий шаг'")
press = buttons[0].queryAction()
for _ in range(5):
    press.doAction(0)  # "Press"
    pump(0.3)
pump(1)

print("After five presses of 'Следующий шаг':")
for name, expected in EXPECTED.items():
    shown = text_of(labels[name]) if name in labels else None
    print(f"  {name}: {shown}")
    check(shown == expected, f"{name!r} reads {shown!r}, expected {expected!r}")
    inserted = events[("object:text-changed:insert", name)]
    check(inserted >= 1, f"{name!r} sent no text-changed event")
for name in CHANGED_EVERY_STEP:
    inserted = events[("object:text-changed:insert", name)]
    check(inserted == 5, f"{name!r} sent {inserted} insertions for 5 changes")
for name in NEVER_CHANGED:
    inserted = events[("object:text-changed:insert", name)]
    check(inserted == 1, f"{name!r} sent {inserted} insertions for 1 change")

# The timing diagram's table (the program was started with --diagram): the tree
# read again, now that the steps are in it.
nodes = list(descendants(application()))
tables = [node for node in nodes if node.getRoleName() == "table"]
if check(len(tables) == 1, f"{len(tables)} tables, expected the timing diagram's"):
    table = tables[0].queryTable()
    columns = [table.getColumnDescription(c) for c in range(table.nColumns)]
    steps = [table.getRowDescription(r) for r in range(table.nRows)]
    differences = [table.getAccessibleAt(r, columns.index("Y2 разность")).name
                   for r in range(table.nRows)] if "Y2 разность" in columns else []
    print(f"  the diagram's table: steps {steps}, Y2 разность {differences}")
    check(steps == ["1", "2", "3", "4", "5"] and differences == ["0", "3", "6", "0", "7"] and
          len(columns) == 17 and columns[-1] == "Конец данных",
          f"the diagram's table: columns {columns}")

memo = [node for node in nodes if node.getRoleName() == "text"]
check(len(memo) == 1, "no memo")
if memo:
    print(f"  memo {memo[0].name!r}: {text_of(memo[0])!r}")
    check(text_of(memo[0]) == " 0 0 0 3 9 ", "the memo does not hold the history")
    def related(node, kind):
        return [relation.getTarget(0) for relation in node.getRelationSet()
                if relation.getRelationType() == kind]

    labelled_by = [target.name for target in related(memo[0], pyatspi.RELATION_LABELLED_BY)]
    check("ODB" in labelled_by, f"the memo is labelled by {labelled_by}, not by 'ODB'")
    label_for = [target.getRoleName() for target in related(labels["ODB"], pyatspi.RELATION_LABEL_FOR)]
    check(label_for == ["text"], f"'ODB' says it labels {label_for}, not the memo")
    # Each step is heard as what it adds at the memo's end, not as the whole history.
    at_the_end = [("insert", 0, " 0 "), ("insert", 3, "0 "), ("insert", 5, "0 "),
                  ("insert", 7, "3 "), ("insert", 9, "9 ")]
    check(memo_changes == at_the_end, f"the memo announced {memo_changes}, expected {at_the_end}")
    selections = events[("object:text-selection-changed", memo[0].name)]
    check(selections == 0, f"the memo sent {selections} selection events with nothing selected")

    # Edited through the bus, then a step: the old text is heard removed and the
    # whole history inserted.
    memo[0].queryEditableText().insertText(0, "a\n", 2)
    pump(0.3)
    del memo_changes[:]
    press.doAction(0)
    pump(1)
    history = " 0 0 0 3 9 9 "
    expected = [("delete", 0, "a\n 0 0 0 3 9 "), ("insert", 0, history)]
    check(memo_changes == expected and text_of(memo[0]) == history,
          f"an edit and a step: the memo announced {memo_changes}, expected {expected}")
print("events:", dict(sorted(events.items())))

if failures:
    print("FAIL:\n  " + "\n  ".join(failures))
    sys.exit(1)
print("PASS")
