#!/usr/bin/env bash
# under_x.sh PROGRAM [ARGUMENT...]: runs PROGRAM on an X server of its own, with
# Qt's X11 platform, for what the offscreen platform cannot show (the primary
# selection that the middle button pastes).
set -euo pipefail
source "$(dirname "$0")/../tools/x-session.sh"

x_session_start
QT_QPA_PLATFORM=xcb "$@"
