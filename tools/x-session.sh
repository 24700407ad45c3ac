# Sourced: a private X server with a window manager, and the simulator started in
# it on a copy of an input file. Everything started here, the simulator too, is
# stopped when the sourcing script exits, however it exits.
# Needs: Xvfb, openbox, xdotool, xprop, xwininfo.

x_session_pids=()
x_session_dir=$(mktemp -d)
APP_PID=
APP_ARGUMENTS=()
x_session_stop() {
    local pid
    [ -z "${WINE:-}" ] || "$(dirname "$WINE")/wineserver" -k 2>/dev/null || true
    for pid in $APP_PID "${x_session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in $APP_PID "${x_session_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$x_session_dir"
}
trap x_session_stop EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# x_session_wait SECONDS COMMAND...: runs the command every 0.1 s until it succeeds.
x_session_wait() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

x_session_wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"
}

# Starts Xvfb on a free display and openbox in it, and waits until the window
# manager has taken the screen; exports DISPLAY.
x_session_start() {
    exec 3>"$x_session_dir/display"
    # Room for the window at 150 %.
    Xvfb -displayfd 3 -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
    x_session_pids+=($!)
    exec 3>&-
    x_session_wait 10 test -s "$x_session_dir/display" || { echo "Xvfb did not start"; return 1; }
    export DISPLAY=":$(head -n1 "$x_session_dir/display")"
    unset WAYLAND_DISPLAY
    openbox >/dev/null 2>&1 &
    x_session_pids+=($!)
    x_session_wait 10 x_session_wm_ready || { echo "openbox did not start"; return 1; }
}

# x_session_wine BUILD: Wine for the Windows build in BUILD, in a prefix of the
# session's own with Wine's stand-ins for the Windows fonts, putting nothing in
# the host's menus. Sets WINE; Wine's server is stopped with the session.
x_session_wine() {
    WINE=$(sed -n 's/^WINE64:FILEPATH=//p' "$1/CMakeCache.txt")
    export WINEPREFIX="$x_session_dir/wine" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    "$(dirname "${BASH_SOURCE[0]}")/../tests/wine_prefix.sh" "$WINE" >"$x_session_dir/wine-prefix.log" 2>&1 ||
        { cat "$x_session_dir/wine-prefix.log"; return 1; }
}

# x_session_locale LOCALE: sets LOCALE_ENV, the environment (for env) that runs a
# program under LOCALE: C.UTF-8, or ru_RU.UTF-8, which a fresh system does not
# have and which is made in the session the first time it is asked for.
x_session_locale() {
    LOCALE_ENV=(LANG="$1" LC_ALL=)
    [ "$1" != C.UTF-8 ] || return 0
    if [ ! -d "$x_session_dir/locales/$1" ]; then
        mkdir -p "$x_session_dir/locales"
        localedef -i "${1%%.*}" -f UTF-8 "$x_session_dir/locales/$1"
    fi
    LOCALE_ENV+=(LOCPATH="$x_session_dir/locales")
}

# x_session_open BINARY INPUT [FOLDER]: runs the simulator on a copy of INPUT,
# and waits for its window. Without FOLDER it is started in the folder holding
# the copy; with FOLDER (a name) the copy goes in a folder of that name, which
# is given to the program as its argument while it starts in another one.
# APP_ARGUMENTS, if set, are given to the program before the folder.
# Sets APP_PID, APP_DIR, WINDOW, and CLIENT_X, CLIENT_Y: the screen position of
# the window's client area.
x_session_open() {
    local binary
    binary=$(realpath "$1")
    APP_DIR="$x_session_dir/${3:-run}"
    mkdir -p "$APP_DIR"
    cp "$2" "$APP_DIR/input.txt"
    local arguments=("${APP_ARGUMENTS[@]}") start_in="$APP_DIR"
    if [ -n "${3:-}" ]; then
        arguments+=("$APP_DIR")
        start_in="$x_session_dir"
    fi
    # On this X server, whatever platform the environment asks Qt for.
    (cd "$start_in" && QT_QPA_PLATFORM=xcb exec "$binary" "${arguments[@]}" \
        2>"$x_session_dir/app.log") &
    APP_PID=$!
    WINDOW=
    local deadline=$((SECONDS + 30))
    while [ -z "$WINDOW" ] && [ "$SECONDS" -lt "$deadline" ] && kill -0 "$APP_PID" 2>/dev/null; do
        WINDOW=$(xdotool search --onlyvisible --name "Моделирование работы препроцессора" \
            2>/dev/null | head -n1) || true
        [ -n "$WINDOW" ] || sleep 0.1
    done
    if [ -z "$WINDOW" ]; then
        echo "The window did not appear within 30 s. The program said:"
        cat "$x_session_dir/app.log"
        return 1
    fi
    xdotool windowactivate --sync "$WINDOW" 2>/dev/null || true
    local info
    info=$(xwininfo -id "$WINDOW")
    CLIENT_X=$(awk -F: '/Absolute upper-left X/ { print $2 + 0 }' <<<"$info")
    CLIENT_Y=$(awk -F: '/Absolute upper-left Y/ { print $2 + 0 }' <<<"$info")
}

# x_session_launch BINARY INPUT [FOLDER]: both of the above.
x_session_launch() {
    x_session_start
    x_session_open "$@"
}

# x_session_click_next_step N: N clicks on "Следующий шаг", which stands at
# 720, 24 (185 x 25) in the top group box, itself at the client area's corner.
x_session_click_next_step() {
    xdotool mousemove --sync $((CLIENT_X + 720 + 92)) $((CLIENT_Y + 24 + 12))
    for _ in $(seq "$1"); do
        xdotool click 1
        sleep 0.15
    done
}

x_session_output_is() {
    [ "$(cat "$APP_DIR/output.txt" 2>/dev/null)" = "$1" ]
}

# x_session_expect_output TEXT: output.txt must come to hold exactly TEXT.
x_session_expect_output() {
    if ! x_session_wait 5 x_session_output_is "$1"; then
        echo "FAIL: output.txt is '$(cat "$APP_DIR/output.txt" 2>/dev/null)', expected '$1'"
        return 1
    fi
    echo "output.txt: '$1'"
}

# x_session_expect_dump DUMP BATCH INPUT STEPS: DUMP, recorded by the window, must
# be what the batch runner's --vcd writes for as many steps of INPUT, apart from
# the line that names the program, GTKWave's vcd2fst must read it, and the runner
# must find it equal to the model.
x_session_expect_dump() {
    "$2" --steps "$4" --input "$3" --output "$x_session_dir/batch-output.txt" \
        --vcd "$x_session_dir/batch.vcd"
    if [ "$(head -n1 "$1")" != '$version preprocessor-sim $end' ] ||
        ! cmp <(tail -n +2 "$1") <(tail -n +2 "$x_session_dir/batch.vcd"); then
        echo "FAIL: the window's dump of $4 steps is not the batch runner's:"
        diff "$1" "$x_session_dir/batch.vcd" | head -20
        return 1
    fi
    vcd2fst "$1" "$x_session_dir/dump.fst" >/dev/null ||
        { echo "FAIL: vcd2fst does not read the window's dump"; return 1; }
    local compared
    compared=$("$2" --compare-vcd "$1" --input "$3" | tail -n 1)
    [ "$compared" = "equal for $4 steps" ] ||
        { echo "FAIL: --compare-vcd on the window's dump says '$compared'"; return 1; }
    echo "the dump of $4 steps: the batch runner's, read by vcd2fst, equal to the model"
}
