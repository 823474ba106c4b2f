#!/usr/bin/env bash
# cmake --install into a staging folder gives every file a desktop needs and
# the engine's library, and nothing else (no tests, no benchmarks); the
# desktop's tools accept them.
# Usage: install_tree.sh CMAKE BUILD_DIR
source "$(dirname "$0")/common.sh"
cmake=$1 build=$2
"$cmake" --install "$build" --prefix "$work/usr" > "$work/install.log" || { cat "$work/install.log"; fail "install"; }
root=$work/usr
check_files "$root" library

id=io.github.marbleck.Marbleck
desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
# The metainfo's launchable is the installed desktop entry.
appstreamcli validate-tree --no-net "$work" || fail "appstreamcli validate-tree"
# The entry starts an installed program and names an installed icon.
grep -qx "Exec=marbleck" "$root/share/applications/$id.desktop" || fail "the desktop entry's Exec"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop" || fail "the desktop entry's Icon"
for size in 256 48; do
    file "$root/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size" ||
        fail "the ${size}x${size} icon is not a PNG of that size"
done
for page in marbleck marbleck-cli; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/$page.1" 2>&1 > /dev/null)
    [ -z "$warnings" ] || fail "the manual page $page.1 does not format cleanly: $warnings"
done
if readelf -d "$root/bin/marbleck" "$root/bin/marbleck-cli" | grep -F "$(cd "$build" && pwd)"; then
    fail "an installed program still looks for libraries in the build folder"
fi
check_starts "$root"
