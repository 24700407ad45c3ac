#!/usr/bin/env python3
"""Writes the form header of the front-ends without a designer compiler (the
Win32 window and the web page) from a Qt Designer form: the form and every
control as data (kind, name, parent, place, size, caption, font, colours, tab
stop, default button, accessible name, the control a label names), and a class
Ui::<form> whose setupUi builds the controls from that data, as Qt's uic does
for the Qt front-end. So the form is described once, in the .ui file, for all.

Fonts and colours come from the form's style sheet, of which this reads what
both front-ends share (the rules of one type, #name or * selector, for font,
font-size, color and background-color; the rest is Qt's look and ignored), and
from a control's palette (Base and Text, for a text box).

usage: ui_to_form.py FORM.ui OUTPUT.h"""
import re
import sys
import xml.etree.ElementTree as ET

KINDS = {"TGroupBox": "GroupBox", "TButton": "Button", "TLabel": "Label", "TMemo": "Memo"}
QT_TYPES = {"QGroupBox": "GroupBox", "QPushButton": "Button", "QLabel": "Label"}
NAMED_COLOURS = {"black": (0, 0, 0), "white": (255, 255, 255)}
QT_LOOK = {"border", "border-radius", "margin-top", "subcontrol-origin", "left", "padding"}


def fail(message):
    sys.exit(f"ui_to_form.py: {message}")


def colour(text):
    text = text.strip()
    if text in NAMED_COLOURS:
        return NAMED_COLOURS[text]
    match = re.fullmatch(r"rgb\((\d+),\s*(\d+),\s*(\d+)\)", text)
    if not match:
        fail(f"a colour this cannot read: {text}")
    return tuple(int(part) for part in match.groups())


def style_rules(sheet):
    """(selector, specificity, order, declarations) for every rule."""
    rules = []
    for order, (selectors, body) in enumerate(re.findall(r"([^{}]+)\{([^{}]*)\}", sheet)):
        declarations = {}
        for declaration in body.split(";"):
            if declaration.strip():
                name, value = (part.strip() for part in declaration.split(":", 1))
                declarations[name] = value
        for selector in (part.strip() for part in selectors.split(",")):
            if "::" in selector:
                continue  # a sub-control: Qt's look
            specificity = 100 if selector.startswith("#") else 0 if selector == "*" else 1
            rules.append((selector, specificity, order, declarations))
    return rules


def styled(rules, name, kind):
    """The font family, font size and colours the style sheet gives a widget."""
    style = {}
    matching = [rule for rule in rules
                if rule[0] in ("*", "#" + name) or QT_TYPES.get(rule[0]) == kind]
    for _, _, _, declarations in sorted(matching, key=lambda rule: (rule[1], rule[2])):
        for property_name, value in declarations.items():
            if property_name == "font":
                match = re.fullmatch(r'(\d+)px\s+"([^"]+)"', value)
                if not match:
                    fail(f"a font this cannot read: {value}")
                style["size"], style["family"] = int(match.group(1)), match.group(2)
            elif property_name == "font-size":
                style["size"] = int(value.removesuffix("px"))
            elif property_name == "color":
                style["text"] = colour(value)
            elif property_name == "background-color":
                style["background"] = colour(value)
            elif property_name not in QT_LOOK:
                fail(f"a style this does not know: {property_name}")
    return style


def prop(widget, name):
    for element in widget.findall("property"):
        if element.get("name") == name:
            return element[0]
    return None


def text_of(widget, name):
    value = prop(widget, name)
    return value.text or "" if value is not None else ""


def palette_colours(widget):
    palette = prop(widget, "palette")
    found = {}
    if palette is not None:
        for role in palette.find("active").findall("colorrole"):
            c = role.find("brush/color")
            found[role.get("role")] = tuple(int(c.find(part).text) for part in ("red", "green", "blue"))
    return found


def cxx_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def cxx_colour(value):
    return "std::nullopt" if value is None else "TColor{%d, %d, %d}" % value


def describe(form_path):
    """The form and its controls as the front-ends take them: (form, controls), each
    a dict; the controls depth first, parents before their children, siblings in
    the order they are created in."""
    ui = ET.parse(form_path).getroot()
    form = ui.find("widget")
    form_class = ui.find("class").text
    rules = style_rules(text_of(form, "styleSheet"))
    tab_stops = [stop.text for stop in ui.findall("tabstops/tabstop")]
    names = [name for name in (w.get("name") for w in form.iter("widget")) if name != form_class]
    controls = []

    def walk(widget, parent_index):
        for child in widget.findall("widget"):
            kind = KINDS.get(child.get("class"))
            if kind is None:
                fail(f"a control of a kind these front-ends lack: {child.get('class')}")
            name = child.get("name")
            rect = prop(child, "geometry")
            style = styled(rules, name, kind)
            palette = palette_colours(child)
            buddy = text_of(child, "buddy")
            if buddy and buddy not in names:
                fail(f"{name} names a control the form lacks: {buddy}")
            controls.append({
                "kind": kind, "class": child.get("class"), "name": name,
                "parent": parent_index, "parent_name": widget.get("name"),
                "place": tuple(int(rect.find(part).text) for part in ("x", "y", "width", "height")),
                "caption": text_of(child, "title" if kind == "GroupBox" else "text"),
                "family": style["family"], "size": style["size"],
                "background": palette.get("Base", style.get("background")),
                "text": palette.get("Text", style.get("text")),
                "tab_stop": name in tab_stops, "default": text_of(child, "default") == "true",
                "accessible_name": text_of(child, "accessibleName"),
                "buddy": names.index(buddy) if buddy else -1})
            walk(child, len(controls) - 1)

    walk(form, -1)
    size = prop(form, "geometry")
    position = prop(form, "framePosition")
    style = styled(rules, form_class, "Form")
    described_form = {
        "class": form_class, "caption": text_of(form, "windowTitle"),
        "place": (int(position.find("x").text), int(position.find("y").text),
                  int(size.find("width").text), int(size.find("height").text)),
        "family": style["family"], "size": style["size"],
        "background": style.get("background"), "text": style.get("text")}
    return described_form, controls


def cxx_bool(value):
    return "true" if value else "false"


def main(form_path, output_path):
    form, controls = describe(form_path)
    form_class = form["class"]
    rows = [
        f"    {{TControlKind::{c['kind']}, {cxx_string(c['name'])}, {c['parent']}, "
        f"{{{', '.join(map(str, c['place']))}}}, {cxx_string(c['caption'])}, "
        f"{cxx_string(c['family'])}, {c['size']}, {cxx_colour(c['background'])}, "
        f"{cxx_colour(c['text'])}, {cxx_bool(c['tab_stop'])}, {cxx_bool(c['default'])}, "
        f"{cxx_string(c['accessible_name'])}, {c['buddy']}}},"
        for c in controls]
    members = [(f"T{c['kind']}", c["name"], index) for index, c in enumerate(controls)]
    lines = [
        f"// Generated from {form_path.split('/')[-1]} by cmake/ui_to_form.py: do not edit.",
        "#pragma once", "", '#include "Controls.h"', "", "namespace Ui {", "",
        f"inline constexpr TFormDescription {form_class}Form{{",
        f"    {cxx_string(form_class)}, {cxx_string(form['caption'])},",
        f"    {{{', '.join(map(str, form['place']))}}},",
        f"    {cxx_string(form['family'])}, {form['size']}, "
        f"{cxx_colour(form['background'])}, {cxx_colour(form['text'])}}};", "",
        "// Parents before their children, siblings in the order they are created in.",
        f"inline constexpr TControlDescription {form_class}Controls[] = {{", *rows, "};", "",
        f"class {form_class} {{", "public:",
        *(f"    {cls}* {name};" for cls, name, _ in members), "",
        f"    void setupUi(TForm* form) {{",
        f"        form->Build({form_class}Form, {form_class}Controls);",
        *(f"        {name} = form->Control<{cls}>({index});" for cls, name, index in members),
        "    }", "};", "", "}  // namespace Ui", ""]
    with open(output_path, "w", encoding="utf-8") as output:
        output.write("\n".join(lines))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        fail(__doc__.split("usage: ")[1])
    main(sys.argv[1], sys.argv[2])
