#!/usr/bin/env bash
# Makes the README's pictures from the program itself, headless (Qt's
# offscreen platform, DejaVu fonts): the main window with a letter drawn and
# its hologram calculated, and the "Reconstruction" window showing the letter
# and its twin, then the same after an optimised "Binarize" and as a refined
# phase hologram, and the 3-D scene docs/scene.ply refocused at its middle
# letter's depth. Writes docs/main-window.png, docs/reconstruction.png,
# docs/reconstruction-optimised.png, docs/reconstruction-phase.png and
# docs/reconstruction-3d.png.
# Builds in build/ (or the folder given) with the tests, where the program
# that takes them lives.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-$root/build}"
cmake -S "$root" -B "$build" -G Ninja -DMARBLECK_BUILD_TESTS=ON > /dev/null
cmake --build "$build" -j"$(nproc)" --target marbleck_screenshots > /dev/null
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen "$build/tests/app/marbleck_screenshots" "$root/docs"
