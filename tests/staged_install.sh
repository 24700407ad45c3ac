#!/usr/bin/env bash
# staged_install.sh BUILD_DIR INPUT: installs the build into a staging folder
# (DESTDIR), checks that the files a desktop needs are there and valid, then
# runs the installed program under Xvfb on INPUT, in a folder whose name has
# Cyrillic letters and a space, given on its command line, with real clicks.
set -euo pipefail
build=$1 input=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

id=net.preprocessorsim.Simulator
expected="usr/bin/preprocessor-batch
usr/bin/preprocessor-sim
usr/share/applications/$id.desktop
usr/share/doc/preprocessor-sim/changelog.gz
usr/share/doc/preprocessor-sim/copyright
usr/share/icons/hicolor/128x128/apps/$id.png
usr/share/icons/hicolor/16x16/apps/$id.png
usr/share/icons/hicolor/24x24/apps/$id.png
usr/share/icons/hicolor/256x256/apps/$id.png
usr/share/icons/hicolor/32x32/apps/$id.png
usr/share/icons/hicolor/48x48/apps/$id.png
usr/share/icons/hicolor/64x64/apps/$id.png
usr/share/icons/hicolor/scalable/apps/$id.svg
usr/share/man/man1/preprocessor-batch.1.gz
usr/share/man/man1/preprocessor-sim.1.gz
usr/share/metainfo/$id.metainfo.xml"
actual=$(cd "$stage" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$(LC_ALL=C sort <<<"$expected")" ]; then
    diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") || true
    echo "FAIL: the staged files differ from those expected"
    exit 1
fi
echo "staged: $(wc -l <<<"$actual") files, as expected"
desktop-file-validate "$stage/usr/share/applications/$id.desktop"
appstreamcli validate --no-net --no-color "$stage/usr/share/metainfo/$id.metainfo.xml" |
    grep -q "Validation was successful" || { echo "FAIL: metainfo"; exit 1; }
[ -z "$(appstreamcli validate --no-net --no-color "$stage/usr/share/metainfo/$id.metainfo.xml" |
    grep -E '^[EWI]:' || true)" ] || { echo "FAIL: metainfo has remarks"; exit 1; }
for page in preprocessor-sim preprocessor-batch; do
    [ -z "$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)" ] ||
        { echo "FAIL: man page $page"; exit 1; }
done

"$(dirname "$0")/e2e_window.sh" "$stage/usr/bin/preprocessor-sim" "$input" "Данные с пробелом"
