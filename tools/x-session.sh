# Sourced: a private X server with a window manager, and the simulator started in
# it on a copy of an input file. Everything started here is stopped on exit.
# Needs: Xvfb, openbox, xdotool, xwininfo.

x_session_pids=()
x_session_dir=$(mktemp -d)
x_session_stop() {
    for pid in "${x_session_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$x_session_dir"
}
trap x_session_stop EXIT

# Starts Xvfb on a free display and openbox in it; exports DISPLAY.
x_session_start() {
    exec 3> "$x_session_dir/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    x_session_pids+=($!)
    for _ in $(seq 100); do [ -s "$x_session_dir/display" ] && break; sleep 0.05; done
    exec 3>&-
    export DISPLAY=":$(head -n1 "$x_session_dir/display")"
    openbox >/dev/null 2>&1 &
    x_session_pids+=($!)
    sleep 0.5
}

# x_session_open BINARY INPUT: runs the simulator in a fresh directory holding the
# input, and waits for its window. Sets APP_PID, APP_DIR, WINDOW, and CLIENT_X,
# CLIENT_Y: the screen position of the window's client area.
x_session_open() {
    local binary
    binary=$(realpath "$1")
    APP_DIR="$x_session_dir/run"
    mkdir -p "$APP_DIR"
    cp "$2" "$APP_DIR/input.txt"
    (cd "$APP_DIR" && exec "$binary" 2>"$x_session_dir/app.log") &
    APP_PID=$!
    WINDOW=$(timeout 60 xdotool search --sync --onlyvisible --name "Моделирование работы препроцессора" |
        head -n1) || true
    if [ -z "$WINDOW" ]; then
        echo "The window did not appear. The program said:"
        cat "$x_session_dir/app.log"
        return 1
    fi
    xdotool windowactivate --sync "$WINDOW" 2>/dev/null || true
    local info
    info=$(xwininfo -id "$WINDOW")
    CLIENT_X=$(awk -F: '/Absolute upper-left X/ { print $2 + 0 }' <<<"$info")
    CLIENT_Y=$(awk -F: '/Absolute upper-left Y/ { print $2 + 0 }' <<<"$info")
}

# x_session_launch BINARY INPUT: both of the above.
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
