#!/usr/bin/env bash
# windows_batch.sh WINE WINDOWS_BATCH NATIVE_BATCH: the Windows runner under Wine,
# given Windows paths to a folder named in Cyrillic with a space, on the worked
# example and on a large random input; its output.txt must be byte for byte what
# the native runner writes, and its trace too.
set -euo pipefail
wine=$1 windows_batch=$2 native_batch=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
folder="$work/Данные с пробелом"
mkdir -p "$folder" "$work/native"
windows_folder=$("$wine" winepath -w "$folder" | tr -d '\r')

compare() {
    local name=$1 steps=$2
    "$native_batch" --steps "$steps" --input "$folder/input.txt" \
        --output "$work/native/output.txt" --trace "$work/native/trace.csv"
    "$wine" "$windows_batch" --steps "$steps" --input "$windows_folder\\input.txt" \
        --output "$windows_folder\\выход.txt" --trace "$windows_folder\\трасса.csv"
    cmp "$work/native/output.txt" "$folder/выход.txt"
    cmp "$work/native/trace.csv" "$folder/трасса.csv"
    echo "$name, $steps steps: $(wc -c <"$folder/выход.txt") bytes, identical"
}

cp "$(dirname "$0")/../examples/worked-example/input.txt" "$folder/input.txt"
compare "worked example" 16
[ "$(cat "$folder/выход.txt")" = "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 " ]

awk 'BEGIN { srand(8); for (i = 0; i < 200000; i++)
    printf "%d %d%s", int(rand() * 4e9) - 2e9, int(rand() * 2e6) - 1e6, (i % 5 == 4 ? "\r\n" : " ") }' \
    >"$folder/input.txt"
compare "random input with CR LF line ends" 200010

# A board on a COM port: Wine's COM8 made the line of a simulated board (built
# beside the native runner where Verilator is installed), as a USB adapter's
# COM port is on Windows.
board="$(dirname "$native_batch")/../../hdl/simulated-board"
if [ -x "$board" ]; then
    coproc BOARD { exec "$board"; }
    trap 'kill "$BOARD_PID" 2>/dev/null; rm -rf "$work"' EXIT
    read -r line <&"${BOARD[0]}"
    ln -sfn "$line" "${WINEPREFIX:?}/dosdevices/com8"
    cp "$(dirname "$0")/../examples/worked-example/input.txt" "$folder/input.txt"
    "$wine" "$windows_batch" --steps 16 --board COM8 --input "$windows_folder\\input.txt" \
        --output "$windows_folder\\выход.txt"
    [ "$(cat "$folder/выход.txt")" = "0 0 0 3 9 9 16 16 16 16 16 16 16 13 7 7 " ]
    status=0
    "$wine" "$windows_batch" --steps 16 --board COM9 2>"$work/said" || status=$?
    [ "$status" -eq 1 ] && grep -q "^preprocessor-batch: cannot open the port COM9: " "$work/said"
    echo "the worked example on a board on COM8: the runner's output; COM9, not there: $(cat "$work/said")"
fi
