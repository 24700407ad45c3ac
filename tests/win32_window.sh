#!/usr/bin/env bash
# win32_window.sh WINE PROGRAM CONTROLS NATIVE_BATCH INPUT CPACK CPACK_CONFIG:
# the Windows front-end's scenario (win32_window.py) under Wine on a private X
# server with a window manager, once under a Western locale (code page 1252) and
# once under a Russian one (1251), in the Wine prefix that $WINEPREFIX names;
# the installer made from the build by CPack first.
set -euo pipefail
here=$(dirname "$0")
cpack=$6 cpack_config=$7
set -- "${@:1:5}"
source "$here/../tools/x-session.sh"
"$cpack" -G NSIS --config "$cpack_config" -B "$x_session_dir/installer" >/dev/null
installer=("$x_session_dir"/installer/*.exe)
x_session_start
wineserver="$(dirname "$1")/wineserver"
stop() {
    "$wineserver" -k 2>/dev/null || true  # whatever the scenario left running
    x_session_stop
}
trap stop EXIT
# One server for every program started rather than one each, and Wine's own
# processes started once, with nothing of this script's output to hold open.
"$wineserver" -p 30
"$1" wineboot >/dev/null 2>&1

status=0
for locale in C.UTF-8 ru_RU.UTF-8; do
    work="$x_session_dir/$locale"
    mkdir "$work"
    x_session_locale "$locale"
    env "${LOCALE_ENV[@]}" \
        python3 "$here/win32_window.py" "$@" "${installer[0]}" "$work" || status=1
done
exit "$status"
