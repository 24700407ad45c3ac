#!/usr/bin/env bash
# web_page.sh ENGINE PAGE NATIVE_BATCH INPUT SECOND_INPUT: the web page's
# scenario (web_page.py) in one browser engine, headless: Chromium as it is,
# WebKitGTK on a private X server, which it needs for its windows.
set -euo pipefail
here=$(dirname "$0")
source "$here/../tools/x-session.sh"
[ "$1" = chromium ] || x_session_start
"$here/../tools/web-python" "$here/web_page.py" "$@" "$x_session_dir"
