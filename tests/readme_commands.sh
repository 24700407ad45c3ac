#!/usr/bin/env bash
# readme_commands.sh README DIRECTORY...: runs the commands of every block of the
# README marked as run by the suite, as written, in a copy of the tree's
# examples, with the programs of the DIRECTORYs on the PATH. A command that
# opens a window (gtkwave) runs under Xvfb until its window shows.
set -euo pipefail
readme=$(realpath "$1")
shift
for directory in "$@"; do PATH="$(realpath "$directory"):$PATH"; done
source "$(dirname "$0")/../tools/x-session.sh"
top="$x_session_dir/top"
mkdir -p "$top" && cp -r "$(dirname "$readme")/examples" "$top/"
cd "$top"

commands=$(awk '/<!-- The suite runs the commands of this block/ { marked = 1; next }
                marked && /^```/ { if (inside) { marked = 0; inside = 0 } else inside = 1; next }
                marked && inside' "$readme")
[ -n "$commands" ] || { echo "FAIL: no block of commands is marked in $readme"; exit 1; }
x_session_start
while IFS= read -r command; do
    echo "\$ $command"
    read -r -a words <<<"$command"
    if [ "${words[0]}" != gtkwave ]; then
        "${words[@]}" || { echo "FAIL: exit status $?"; exit 1; }
        continue
    fi
    "${words[@]}" >"$x_session_dir/gtkwave.log" 2>&1 &
    viewer=$!
    x_session_wait 30 xdotool search --onlyvisible --class gtkwave ||
        { cat "$x_session_dir/gtkwave.log"; echo "FAIL: no window"; exit 1; }
    kill -0 "$viewer" || { cat "$x_session_dir/gtkwave.log"; echo "FAIL: it ended"; exit 1; }
    grep -qi "error\\|could not" "$x_session_dir/gtkwave.log" &&
        { cat "$x_session_dir/gtkwave.log"; echo "FAIL: it reported an error"; exit 1; }
    kill "$viewer"
    wait "$viewer" 2>/dev/null || true
done <<<"$commands"
echo "PASS"
