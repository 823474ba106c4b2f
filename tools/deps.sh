#!/usr/bin/env bash
# Installs the Debian packages that building and running Marbleck need, where
# they are missing (Dask, Zarr, PyTorch and Pillow for marbleck.dataset). With --test, also those that building and running the
# tests and the benchmarks need. Works as root or through sudo.
set -euo pipefail

usage() { echo "usage: $0 [--test]" >&2; exit 2; }

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev libvulkan-dev fonts-dejavu-core
  libopenblas-dev libtiff-dev libfftw3-dev libhwy-dev libsleef-dev
  qt6-image-formats-plugins
  pybind11-dev python3-pybind11 python3-dev python3-numpy python3-setuptools python3-wheel python3-venv
  python3-dask python3-distributed python3-zarr python3-torch python3-pil
)
test_packages=(
  libgtest-dev libbenchmark-dev
  python3-pytest python3-matplotlib python3-mypy
  poppler-utils
  cups printer-driver-cups-pdf
  locales-all
  clang-format
  desktop-file-utils appstream dpkg-dev file man-db
)

case "${1:-}" in
  "") ;;
  --test) [ $# -eq 1 ] || usage; packages+=("${test_packages[@]}") ;;
  *) usage ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
