#!/usr/bin/env python3
"""The web page in Firefox, which has no WebDriver here: its own headless
screenshot of the page opened from disk, after the page's scripts have run, must
show the form as described: the form's gray over the client area's size, the
memo white, and something drawn where each caption stands (not a check of the
letters, but that the form and its captions were drawn at all).

usage: web_page_firefox.py FIREFOX PAGE"""
import struct
import subprocess
import sys
import tempfile
import zlib
from pathlib import Path

from scenario import CONTROLS, FORM, WHITE, check, finish

firefox, page = sys.argv[1:3]
PLACES = {name: (parent, place) for name, _, parent, place, *_ in CONTROLS}


def read_png(path):
    """Width, height and rows of (r, g, b) of an 8-bit RGB or RGBA PNG."""
    data = Path(path).read_bytes()
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.setdefault(kind, []).append(data[at + 8:at + 8 + length])
        at += 12 + length
    width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][0][:10])
    if depth != 8 or colour not in (2, 6):
        sys.exit(f"a PNG this cannot read: depth {depth}, colour type {colour}")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up, corner = previous[x], previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                nearest = min((abs(p - left), 0, left), (abs(p - up), 1, up), (abs(p - corner), 2, corner))
                line[x] = (line[x] + nearest[2]) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


with tempfile.TemporaryDirectory() as work:
    picture = Path(work) / "page.png"
    subprocess.run([firefox, "--headless", "--no-remote", "--profile", work,
                    "--window-size=1100,500", "--screenshot", str(picture),
                    Path(page).resolve().as_uri()], check=True, capture_output=True, timeout=120)
    width, height, rows = read_png(picture)

gray = tuple(FORM["background"])
# The form: the rows and columns mostly of its gray (the page has gray pixels
# elsewhere, in anti-aliased letters).
rows_of_gray = [y for y, row in enumerate(rows) if row.count(gray) > FORM["place"][2] // 2]
columns_of_gray = [x for x in range(width)
                   if sum(row[x] == gray for row in rows) > FORM["place"][3] // 2]
if check(rows_of_gray and columns_of_gray, "the form's gray is not on the page"):
    left, right = columns_of_gray[0], columns_of_gray[-1] + 1
    top, bottom = rows_of_gray[0], rows_of_gray[-1] + 1
    # Its outer pixels are the group boxes' frames.
    form_width, form_height = FORM["place"][2:]
    check(abs(right - left - form_width) <= 2 and abs(bottom - top - form_height) <= 2,
          f"the form's gray covers {right - left} x {bottom - top}, described {FORM['place'][2:]}")
    left, top = (left + right - form_width) // 2, (top + bottom - form_height) // 2

    def origin(name):
        """Where a control stands, on the picture."""
        if name == FORM["name"]:
            return left, top
        parent, place = PLACES[name]
        x, y = origin(parent)
        return x + place[0], y + place[1]

    def dark(x0, y0, w, h):
        return sum(1 for y in range(y0, min(y0 + h, height)) for x in range(x0, min(x0 + w, width))
                   if max(rows[y][x]) < 80)

    for name, kind, _, place, caption, size in CONTROLS:
        x, y = origin(name)
        if kind == "Memo":
            check(rows[y + place[3] // 2][x + place[2] // 2] == WHITE, f"{name} is not white")
        if not caption:
            continue
        # A caption's letters: within a line of its font from its place, about as
        # wide as its letters are high.
        w = len(caption) * size if kind != "Button" else place[2]
        h = size + 4 if kind != "Button" else place[3]
        if kind == "GroupBox":
            x += 8
        drawn = dark(x, y, w, h)
        check(drawn >= 2 * len(caption),
              f"{name}: {drawn} dark pixels where {caption!r} should stand")
finish()
