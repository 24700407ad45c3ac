#!/usr/bin/env bash
# staged_install.sh BUILD_DIR INPUT: installs the build into a staging folder
# (DESTDIR), checks that the files a desktop needs are there and valid, that
# the manual pages list every option the programs' --help lists, and that
# installing leaves alone what opens a folder; then runs the installed program
# under Xvfb on INPUT, in a folder whose name has Cyrillic letters and a space,
# given on its command line, with real clicks.
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
usr/share/doc/preprocessor-sim/examples/preprocessor.gtkw
usr/share/doc/preprocessor-sim/examples/worked-example/input.txt
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

# Every option --help lists, the manual page lists too.
for program in preprocessor-sim preprocessor-batch; do
    page=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$stage/usr/share/man/man1/$program.1.gz" 2>/dev/null)
    options=$(QT_QPA_PLATFORM=offscreen "$stage/usr/bin/$program" --help |
        grep -oE '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)
    for option in $options; do  # an entry of its own, as "  --vcd FILE" or "  -h, --help"
        grep -qE -- "^ +(-[a-z], )?$option([ ,]|$)" <<<"$page" ||
            { echo "FAIL: man $program lacks $option"; exit 1; }
    done
    echo "man $program: lists $(wc -w <<<"$options") options, as --help does"
done

# What opens a folder by default is the desktop's choice, not the package's.
default_for_folders() { gio mime inode/directory 2>&1 | head -n 1; }
home=$(mktemp -d) && trap 'rm -rf "$stage" "$home"' EXIT
export XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
before=$(XDG_DATA_DIRS=/usr/share default_for_folders)
update-desktop-database "$stage/usr/share/applications"
after=$(PATH="$stage/usr/bin:$PATH" XDG_DATA_DIRS="$stage/usr/share:/usr/share" default_for_folders)
[ "$before" = "$after" ] || { echo "FAIL: installing changed '$before' into '$after'"; exit 1; }
echo "gio mime inode/directory, before and after installing: $after"

"$(dirname "$0")/e2e_window.sh" "$stage/usr/bin/preprocessor-sim" "$input" \
    "$stage/usr/bin/preprocessor-batch" "Данные с пробелом"
