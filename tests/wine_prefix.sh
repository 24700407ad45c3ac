#!/usr/bin/env bash
# wine_prefix.sh WINE: makes the Wine prefix that $WINEPREFIX names, with the
# fonts a Windows installation keeps in its Fonts folder: Wine's own stand-ins
# for them, from fonts-wine. Without them every face falls back to one of the
# host's, and text in a face that lacks its script is not drawn as boxes, as it
# is on Windows. The prefix is made anew each time, so that what an earlier run
# installed, or left behind when it was stopped, cannot change what this one finds.
set -euo pipefail
# wine64 keeps its server beside it.
"$(dirname "$1")/wineserver" -k 2>/dev/null || true
rm -rf "${WINEPREFIX:?}"
"$1" wineboot --init
fonts=$("$1" winepath -u 'C:\windows\Fonts' | tr -d '\r')
cp /usr/share/wine/fonts/* "$fonts/"
