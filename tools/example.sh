#!/usr/bin/env bash
# The installed library stands alone: installs the build into a staging
# folder, builds examples/ against that folder only, and checks that the
# example writes the same .npy bytes as marbleck-cli for the same picture,
# calculated and binarized (an optimised binarization only as 0 and 1).
# Everything it makes lies in a temporary folder, removed at the end.
# Usage: tools/example.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
source=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
quietly() { "$@" > "$work/log" 2>&1 || { cat "$work/log" >&2; fail "$*"; }; }

quietly cmake --install "$build" --prefix "$work/stage"
# The installed headers are one closed set: <marbleck/marbleck.h> includes
# every one of them, itself or through kinds.h (which the build makes and
# which includes each kind's own header), and each includes installed ones
# only. Every kind's folder in the sources gives its <Name>Kind.h.
headers="$work/stage/include/marbleck"
[[ -f $headers/marbleck.h ]] || fail "the install has no include/marbleck/marbleck.h"
[[ -f $headers/kinds.h ]] || fail "the install has no include/marbleck/kinds.h"
grep -qxF '#include "kinds.h"' "$headers/marbleck.h" || fail "marbleck.h leaves out kinds.h"
installed=$(cd "$headers" && find engine platform -name '*.h' | LC_ALL=C sort)
[[ -n $installed ]] || fail "the install has no headers under include/marbleck/engine and platform"
for name in $installed; do
    grep -qxF "#include \"$name\"" "$headers/marbleck.h" "$headers/kinds.h" ||
        fail "marbleck.h leaves out the installed $name"
done
for kind in engine/kinds/*/*Kind.h; do
    grep -qxF "#include \"$kind\"" "$headers/kinds.h" || fail "kinds.h leaves out the kind's header $kind"
done
for name in marbleck.h kinds.h $installed; do
    while read -r included; do
        [[ -f $headers/$included ]] || fail "$name includes $included, which is not installed"
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$headers/$name")
done
echo "installed headers: $(wc -w <<< "$installed"), all in marbleck.h and kinds.h, closed"
# A copy outside the source tree, so that nothing there can be found.
cp -r examples "$work/examples"
quietly cmake -S "$work/examples" -B "$work/example-build" -G Ninja -DCMAKE_PREFIX_PATH="$work/stage" \
    -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON
quietly cmake --build "$work/example-build"
grep -qx "Marbleck_DIR:PATH=$work/stage/.*" "$work/example-build/CMakeCache.txt" ||
    fail "the example found Marbleck outside the staging install: $(grep Marbleck_DIR "$work/example-build/CMakeCache.txt")"
if grep -qF "$source" "$work/example-build/build.ninja"; then
    fail "the example's build reaches into the source tree $source"
fi

# A 23 × 17 "F" of white pixels, and one pixel of grey level 1 (lit too).
{
    printf 'P5\n# an F\n23 17\n255\n'
    for ((y = 0; y < 17; y++)); do
        for ((x = 0; x < 23; x++)); do
            if ((x == 4 && y >= 3 && y <= 13 || y == 3 && x >= 4 && x <= 14 || y == 8 && x >= 4 && x <= 11)); then
                printf '\xff'
            elif ((x == 20 && y == 15)); then
                printf '\x01'
            else
                printf '\x00'
            fi
        done
    done
} > "$work/F.pgm"

check() {
    quietly "$work/example-build/hologram_npy" "$work/F.pgm" "$work/example.npy" "$@"
    quietly "$build/cli/marbleck-cli" "$work/F.pgm" -o "$work/cli.npy" --quiet "$@"
    cmp "$work/example.npy" "$work/cli.npy" || fail "the example and marbleck-cli differ with: $*"
    echo "same bytes as marbleck-cli: ${*:-(defaults)}"
}
check
check --reps 2
check --reps 1.5 --engine fast
check --reps 2 --random-phase --seed 12345
check --binarize 0.5
check --reps 2 --random-phase --seed 12345 --binarize median

# A binarized hologram holds 0 and 1 (0x3f800000), both of them: the two
# programs writing the calculated field alike would pass the checks above.
values() {
    local start=$((10 + $(od -An -tu2 -j8 -N2 "$1")))
    od -An -v -tx4 -j"$start" "$1" | tr -s ' ' '\n' | sed '/^$/d' | sort -u | tr '\n' ' '
}
[[ $(values "$work/example.npy") == "00000000 3f800000 " ]] ||
    fail "the binarized hologram holds other values than 0 and 1: $(values "$work/example.npy")"

# The optimiser stops on a time budget, so how far it gets depends on the
# machine and the two programs need not agree byte for byte; each writes a
# binarized hologram.
quietly "$work/example-build/hologram_npy" "$work/F.pgm" "$work/example.npy" --reps 2 --binarize optimise --budget 0.2
quietly "$build/cli/marbleck-cli" "$work/F.pgm" -o "$work/cli.npy" --quiet --reps 2 --binarize optimise --budget 0.2
for file in example cli; do
    [[ $(values "$work/$file.npy") == "00000000 3f800000 " ]] ||
        fail "the $file's optimised hologram holds other values than 0 and 1: $(values "$work/$file.npy")"
done
echo "0 and 1 from both: --reps 2 --binarize optimise --budget 0.2"

# A name not in a table is refused with the table's names, a word for a
# number with what the option takes.
refused() {
    if "$work/example-build/hologram_npy" "$work/F.pgm" "$work/refused.npy" "${@:2}" 2> "$work/log"; then
        fail "the example took $*"
    fi
    grep -qF -e "$1" "$work/log" || fail "the example refused ${*:2} without naming $1: $(cat "$work/log")"
    echo "refused, naming $1: ${*:2}"
}
refused "exact, fast, czt, reference" --engine quick
refused "threshold, balanced" --binarize average
refused "--reps takes a number, not abc" --reps abc
refused "--budget needs --binarize optimise" --binarize median --budget 1
refused "--budget takes a number above 0, not 0" --binarize optimise --budget 0
