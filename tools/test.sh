#!/usr/bin/env bash
# Builds Marbleck and its tests with warnings as errors and runs every test.
# With --sanitize, builds them with AddressSanitizer and
# UndefinedBehaviorSanitizer in a separate folder; with --release, as a
# Release build in a separate folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
flags=(-DMARBLECK_BUILD_TESTS=ON -DMARBLECK_WERROR=ON -DMARBLECK_PYTHON=ON)
case "${1:-}" in
  "") ;;
  --sanitize)
    build=build-asan
    # Without the Python package: an instrumented extension module needs the
    # sanitizers' run-time preloaded into an uninstrumented interpreter, which
    # then reports the interpreter's and NumPy's own allocations. The engine
    # the module calls runs under the sanitizers in the C++ tests; the
    # binding is tested in the other two builds.
    flags+=(-DMARBLECK_PYTHON=OFF -DMARBLECK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    export ASAN_OPTIONS=detect_leaks=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  --release)
    build=build-release
    flags+=(-DCMAKE_BUILD_TYPE=Release)
    ;;
  *) echo "usage: $0 [--sanitize | --release]" >&2; exit 2 ;;
esac

# No test reaches the system's printing service or its printers: the tests
# that print start a scheduler of their own (tools/printer.sh) and hand it to
# the program they run; anything else finds no printing service here.
export CUPS_SERVER="$PWD/$build/no-printing-service.sock"

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j"$(nproc)"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
