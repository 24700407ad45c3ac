#!/usr/bin/env bash
# What a screen reader receives, through the real accessibility bus (AT-SPI):
# run inside dbus-run-session, the program under Xvfb on INPUT with its bridge
# to the bus on, and atspi_window.py driving it through the bus alone.
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
x_session_start
# The script listens before the program starts: the toolkit sends only the events
# someone listens for, and learns of listeners that come later only in its own
# time, which a slow build may take past the first steps. The system's own
# Python: the bus's bindings are a Debian package of it.
/usr/bin/python3 "$(dirname "$0")/atspi_window.py" "$x_session_dir/listening" &
script=$!
x_session_wait 30 test -e "$x_session_dir/listening" || { echo "The script did not start"; exit 1; }
APP_ARGUMENTS=(--diagram)  # the timing diagram's window too, whose table is read
x_session_open "$1" "$2"
wait "$script"
