#!/usr/bin/env bash
# End to end, as a person uses it: the real program in a real X server with a
# window manager. The first step comes from the Return key on the focused
# "Следующий шаг", fifteen more from mouse clicks on it; then the window is
# closed from the keyboard. output.txt and the exit code must be those of the
# example, and the window's class that of the menu entry, which docks match; the
# session, recorded with --vcd, what the batch runner's dump of 16 steps is.
# usage: e2e_window.sh PROGRAM INPUT BATCH [FOLDER]
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

APP_ARGUMENTS=(--vcd "$x_session_dir/session.vcd")
x_session_launch "$1" "$2" ${4:+"$4"}
echo "client area at $CLIENT_X, $CLIENT_Y"
entry_class=$(sed -n 's/^StartupWMClass=//p' "$(dirname "$0")"/../packaging/*.desktop)
window_class=$(xprop -id "$WINDOW" WM_CLASS | sed -n 's/.*", "\(.*\)"$/\1/p')
[ "$window_class" = "$entry_class" ] ||
    { echo "FAIL: the window's class '$window_class', the menu entry's '$entry_class'"; exit 1; }
xdotool key --window "$WINDOW" --clearmodifiers Return
x_session_expect_output "0 "
x_session_click_next_step 15
xdotool windowactivate --sync "$WINDOW" 2>/dev/null || true
xdotool key --clearmodifiers alt+F4

status=0
wait "$APP_PID" || status=$?
APP_PID=
echo "exit code: $status"
[ "$status" -eq 0 ] || { cat "$x_session_dir/app.log"; echo "FAIL: exit code $status"; exit 1; }
x_session_expect_output "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 "
x_session_expect_dump "$x_session_dir/session.vcd" "$3" "$2" 16
echo "PASS"
