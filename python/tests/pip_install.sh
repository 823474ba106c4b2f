#!/usr/bin/env bash
# The README's install line from a copy of the sources (pip builds in the
# folder it is given), into a virtual environment, both under WORK; then the
# pytest suite on the installed package.
#   pip_install.sh PYTHON SOURCE_ROOT WORK MARBLECK_CLI
set -euo pipefail
python=$1 root=$2 work=$3 cli=$4
rm -rf "$work"
mkdir -p "$work/src"
cp -r "$root/engine" "$root/platform" "$root/python" "$root/examples" "$root/CMakeLists.txt" "$work/src/"
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
MARBLECK_CLI=$cli OPENBLAS_NUM_THREADS=1 \
  "$work/venv/bin/python" -m pytest -q -p no:cacheprovider "$work/src/python/tests"
