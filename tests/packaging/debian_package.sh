#!/usr/bin/env bash
# cpack -G DEB gives a Debian package of the installed program (not the
# engine's library) that names the libraries it needs; unpacked (never
# installed into the system) it starts.
# Usage: debian_package.sh CPACK BUILD_DIR
source "$(dirname "$0")/common.sh"
cpack=$1 build=$2
(cd "$work" && "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > cpack.log 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/out/marbleck_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no marbleck_*.deb: $(ls "$work/out")"
deb=${debs[0]}

info=$(dpkg-deb --field "$deb" Package Section Depends)
echo "$info"
grep -qx "Package: marbleck" <<< "$info" || fail "the package's name"
grep -qx "Section: graphics" <<< "$info" || fail "the package's section"
# The image plug-ins Qt loads at run time (TIFF, WebP) are named by hand.
for library in libqt6widgets6 libqt6printsupport6 libtiff6 libopenblas qt6-image-formats-plugins; do
    grep -q "^Depends:.*$library" <<< "$info" || fail "the package does not depend on $library"
done

dpkg-deb -x "$deb" "$work/unpacked"
[ "$(ls -A "$work/unpacked")" = usr ] || fail "the package installs outside /usr: $(ls -A "$work/unpacked")"
check_files "$work/unpacked/usr"
check_starts "$work/unpacked/usr"
