#!/usr/bin/env bash
# wine_prefix.sh WINE: makes the Wine prefix that $WINEPREFIX names, with the
# fonts a Windows installation keeps in its Fonts folder: Wine's own stand-ins
# for them, from fonts-wine. Without them every face falls back to one of the
# host's, and text in a face that lacks its script is not drawn as boxes, as it
# is on Windows.
set -euo pipefail
"$1" wineboot --init
fonts=$("$1" winepath -u 'C:\windows\Fonts' | tr -d '\r')
cp /usr/share/wine/fonts/* "$fonts/"
