#!/usr/bin/env bash
# A new kind of hologram is a folder of its own under engine/kinds/: in a copy
# of the sources, adding a folder with its <Name>Kind.h (and a header of its
# own beside it) and bringing the build up to date installs that header and
# lists it in the generated <marbleck/kinds.h>, with no line written outside
# the folder; removing the folder takes it out again. Only the engine is
# configured (no programs, nothing compiled).
# Usage: new_kind.sh CMAKE SOURCE_DIR
source "$(dirname "$0")/common.sh"
cmake=$1 source=$2
copy=$work/source build=$work/build
mkdir -p "$copy"
for item in CMakeLists.txt cmake platform engine marbleck LICENSE; do
    cp -r "$source/$item" "$copy/"
done
kinds() { sed -n 's/^#include "\(.*\)"$/\1/p' "$build/include/marbleck/kinds.h" | tr '\n' ' '; }
installs() { grep -rqF --include=cmake_install.cmake "$1\"" "$build"; }
# The kinds' headers in the copy's folders, as kinds.h should list them.
folders() { (cd "$copy" && printf '%s ' engine/kinds/*/*Kind.h); }
configure() {
    "$cmake" --build "$build" --target build.ninja > "$work/log" 2>&1 || { cat "$work/log" >&2; fail "$1"; }
}

"$cmake" -S "$copy" -B "$build" -G Ninja -DMARBLECK_PROGRAMS=OFF -DMARBLECK_BUILD_TESTS=OFF \
    -DMARBLECK_BUILD_BENCH=OFF -DMARBLECK_PYTHON=OFF > "$work/log" 2>&1 || { cat "$work/log" >&2; fail "configure"; }
before=$(folders)
[[ $before == *engine/kinds/amplitude/AmplitudeKind.h* ]] || fail "the copy has no amplitude kind: $before"
[[ $(kinds) == "$before" ]] || fail "kinds.h of the sources as they are: $(kinds)"

mkdir "$copy/engine/kinds/sample"
printf '#pragma once\n#include "engine/kinds/HologramKind.h"\nconst HologramKind& SampleKind();\n' \
    > "$copy/engine/kinds/sample/SampleKind.h"
printf '#pragma once\nstruct SampleOptions {};\n' > "$copy/engine/kinds/sample/SampleOptions.h"
configure "the build after adding engine/kinds/sample"
[[ $(folders) == *engine/kinds/sample/SampleKind.h* && $(kinds) == "$(folders)" ]] || fail "kinds.h after adding engine/kinds/sample: $(kinds)"
installs engine/kinds/sample/SampleKind.h || fail "the new kind's SampleKind.h is not installed"
! installs engine/kinds/sample/SampleOptions.h || fail "the new kind's own SampleOptions.h is installed"
installs engine/kinds/amplitude/AmplitudeKind.h || fail "AmplitudeKind.h is not installed"

rm -r "$copy/engine/kinds/sample"
configure "the build after removing engine/kinds/sample"
[[ $(kinds) == "$before" ]] || fail "kinds.h after removing engine/kinds/sample: $(kinds)"
! installs engine/kinds/sample/SampleKind.h || fail "the removed SampleKind.h is still installed"
echo "a kind's folder alone adds its header to the install and to kinds.h"
