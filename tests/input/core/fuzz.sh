#!/usr/bin/env bash
# Builds the object bitmap fuzz target with clang and libFuzzer and runs it.
#   tests/input/core/fuzz.sh [seconds] [--merge]
# New inputs go to build-fuzz/object_bitmap_corpus; --merge then folds the
# ones that add coverage, up to 1200 bytes each, into tests/input/core/corpus.
set -euo pipefail
seconds=${1:-60}
merge=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
build="$root/build-fuzz"

CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -G Ninja -DMARBLECK_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_object_bitmap

work="$build/object_bitmap_corpus"
mkdir -p "$work"
"$build/tests/input/core/fuzz_object_bitmap" -max_total_time="$seconds" -max_len=1200 \
  "$work" "$here/corpus"

if [[ "$merge" == "--merge" ]]; then
  "$build/tests/input/core/fuzz_object_bitmap" -merge=1 -max_len=1200 "$here/corpus" "$work"
fi
