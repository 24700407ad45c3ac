#!/usr/bin/env python3
"""Writes the web page, one self-contained file: the page's template with its
style sheet, the program (Emscripten's script, the WebAssembly inside it), the
page's own script and the bundled example put in place, so it needs nothing
from anywhere else.

usage: make_page.py TEMPLATE.html PAGE.css PROGRAM.js DIAGRAM.js PAGE.js EXAMPLE OUTPUT.html"""
import json
import re
import sys


def fail(message):
    sys.exit(f"make_page.py: {message}")


def script(text, name):
    # Inside <script>, only "</script" (in any case) would end it early.
    if "</script" in text.lower():
        fail(f"{name} holds '</script', which would end the page's script")
    return text


def style(text):
    # The style sheet without its comments, its indentation and its empty lines.
    text = re.sub(r"/\*.*?\*/", "", text, flags=re.S)
    return "\n".join(line.strip() for line in text.splitlines() if line.strip())


def main(template, css, program, diagram, page, example, output):
    read = lambda path: open(path, encoding="utf-8").read()
    parts = {
        "@PAGE_CSS@": style(read(css)),
        "@PROGRAM_JS@": script(read(program), program),
        "@DIAGRAM_JS@": script(read(diagram), diagram),
        "@PAGE_JS@": script(read(page), page),
        "@WORKED_EXAMPLE@": script(json.dumps(open(example, encoding="latin-1").read()), example),
    }
    text = read(template)
    for placeholder, value in parts.items():
        if text.count(placeholder) != 1:
            fail(f"the template must hold {placeholder} once")
        text = text.replace(placeholder, value)
    with open(output, "w", encoding="utf-8") as out:
        out.write(text)


if __name__ == "__main__":
    if len(sys.argv) != 8:
        fail(__doc__.split("usage: ")[1])
    main(*sys.argv[1:])
