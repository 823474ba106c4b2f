"""Builds the package marbleck by the project's own CMake build:

    /usr/bin/python3 -m venv --system-site-packages VENV
    VENV/bin/pip install --no-build-isolation ./python

CMake configures the project in setuptools' build folder (the module on;
the programs, their Qt libraries and the tests off; the project's default
build type) and builds the module's target alone, so that the engine's
sources and flags are the ones marbleck-cli is built with and its exact
engine's values equal marbleck-cli's bit for bit. It needs CMake, a C++20
compiler, pybind11, and OpenBLAS and FFTW3 (single precision) through
pkg-config: bash tools/deps.sh installs them.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

PYTHON = Path(__file__).resolve().parent
ROOT = PYTHON.parent


def project_version():
    """The project's version, from the top CMakeLists.txt's project() line."""
    try:
        text = (ROOT / "CMakeLists.txt").read_text()
    except OSError as error:
        raise SystemExit(f"cannot read the project's version: {error}") from None
    found = re.search(r"project\(Marbleck VERSION ([0-9.]+)", text)
    if found is None:
        raise SystemExit(f"{ROOT / 'CMakeLists.txt'} names no project version")
    return found.group(1)


def run(command):
    try:
        subprocess.run(command, check=True)
    except OSError as error:
        raise SystemExit(f"{command[0]} could not run ({error}): install CMake (bash tools/deps.sh)") from None
    except subprocess.CalledProcessError as error:
        raise SystemExit(f"{' '.join(command[:3])} … failed with status {error.returncode}") from None


class CMakeBuild(build_ext):
    """Builds the module's CMake target in the build folder and puts the
    module it made where setuptools packages it."""

    def build_extension(self, ext):
        tree = Path(self.build_temp).resolve() / "cmake"
        tree.mkdir(parents=True, exist_ok=True)
        run([
            "cmake", "-S", str(ROOT), "-B", str(tree),
            "-DMARBLECK_PYTHON=ON",
            "-DMARBLECK_PROGRAMS=OFF",
            "-DMARBLECK_BUILD_TESTS=OFF",
            "-DMARBLECK_BUILD_BENCH=OFF",
            f"-DPython_EXECUTABLE={sys.executable}",
        ])
        jobs = self.parallel or os.cpu_count() or 1
        run(["cmake", "--build", str(tree), "--target", "marbleck_python", "--parallel", str(jobs)])
        built = sorted((tree / "python" / "marbleck").glob("_engine*.so"))
        if len(built) != 1:
            raise SystemExit(f"the CMake build made {len(built)} modules _engine in {tree / 'python' / 'marbleck'}")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


setup(
    name="marbleck",
    version=project_version(),
    description="Computer-generated holograms with the Marbleck engine, on NumPy arrays",
    license="MIT",
    packages=["marbleck", "marbleck.dataset"],
    package_data={"marbleck": ["_engine.pyi", "py.typed"]},
    ext_modules=[Extension("marbleck._engine", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    install_requires=["numpy"],
    python_requires=">=3.9",
    zip_safe=False,
)
