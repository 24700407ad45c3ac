#!/usr/bin/env bash
# What a screen reader receives, through the real accessibility bus (AT-SPI):
# run inside dbus-run-session, the program under Xvfb on INPUT with its bridge
# to the bus on, and atspi_window.py driving it through the bus alone.
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
x_session_launch "$1" "$2"
# The system's own Python: the bus's bindings are a Debian package of it.
/usr/bin/python3 "$(dirname "$0")/atspi_window.py"
