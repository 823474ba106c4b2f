#!/usr/bin/env bash
# The README's install line from a copy of the sources (pip builds in the
# folder it is given, and setup.py configures the whole project with CMake),
# into a virtual environment, both under WORK; then the pytest suite on the
# installed package.
#   pip_install.sh PYTHON SOURCE_ROOT WORK MARBLECK_CLI
set -euo pipefail
python=$1 root=$2 work=$3 cli=$4
rm -rf "$work"
mkdir -p "$work/src"
# The sources as the working tree has them (tracked, and new files not
# ignored), without build folders.
if git -C "$root" rev-parse --is-inside-work-tree > /dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$work/src" 2>/dev/null || true)
else
  for entry in "$root"/*; do
    case "$(basename "$entry")" in build*) continue ;; esac
    cp -r "$entry" "$work/src/"
  done
fi
[ -f "$work/src/CMakeLists.txt" ] && [ -f "$work/src/python/setup.py" ] || { echo "the sources were not copied"; exit 1; }
rm -rf "$work/src/python/build" "$work/src/python"/*.egg-info
"$python" -m venv --system-site-packages "$work/venv"
# No index and no cache: everything the build needs is the system's, and
# nothing is written outside WORK.
PIP_NO_INDEX=1 PIP_NO_CACHE_DIR=1 PIP_DISABLE_PIP_VERSION_CHECK=1 \
  "$work/venv/bin/pip" install --quiet --no-build-isolation "$work/src/python"
cd "$work"
shape=$("$work/venv/bin/python" -c "import marbleck, numpy; print(marbleck.hologram(numpy.eye(8), 2).shape)")
[ "$shape" = "(16, 16)" ] || { echo "the installed package gave $shape, not (16, 16)"; exit 1; }
location=$("$work/venv/bin/python" -c "import marbleck; print(marbleck.__file__)")
case "$location" in
  "$work/venv/"*) ;;
  *) echo "marbleck came from $location, not the virtual environment"; exit 1 ;;
esac
# The build tree stayed in setuptools' build folder.
ls -d "$work"/src/python/build/temp*/cmake/CMakeCache.txt > /dev/null || { echo "no CMake build tree in setuptools' build folder"; exit 1; }
MARBLECK_CLI=$cli OPENBLAS_NUM_THREADS=1 \
  "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$work/src/python/tests"
