#!/usr/bin/env bash
# End to end, as a person uses it: the real program in a real X server with a
# window manager, sixteen mouse clicks on "Следующий шаг", then the window closed
# from the keyboard. output.txt and the exit code must be those of the example.
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

x_session_launch "$1" "$2"
echo "client area at $CLIENT_X, $CLIENT_Y"
x_session_click_next_step 16
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4

status=0
wait "$APP_PID" || status=$?
expected="0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 "
actual=$(cat "$APP_DIR/output.txt")
echo "exit code: $status"
echo "output.txt: '$actual'"
[ "$status" -eq 0 ] || { cat "$x_session_dir/app.log"; echo "FAIL: exit code $status"; exit 1; }
[ "$actual" = "$expected" ] || { echo "FAIL: expected '$expected'"; exit 1; }
echo "PASS"
