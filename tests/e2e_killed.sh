#!/usr/bin/env bash
# A crash loses nothing already shown: the real program under Xvfb, seven clicks
# on "Следующий шаг", then SIGKILL. output.txt must hold exactly the seven values,
# and the session's dump (--vcd) the seven steps, readable by a waveform viewer.
# usage: e2e_killed.sh PROGRAM INPUT BATCH
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

APP_ARGUMENTS=(--vcd "$x_session_dir/session.vcd")
x_session_launch "$1" "$2"
x_session_click_next_step 7
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=
x_session_expect_output "0 0 0 3 9 9 16 "
x_session_expect_dump "$x_session_dir/session.vcd" "$3" "$2" 7
echo "PASS"
