"""Builds the package marbleck with the engine's own sources:

    /usr/bin/python3 -m venv --system-site-packages VENV
    VENV/bin/pip install --no-build-isolation ./python

The engine needs a C++20 compiler and OpenBLAS and FFTW3 (single precision)
through pkg-config. Its files get the flags the CMake build gives them, so
that the exact engine's values equal marbleck-cli's bit for bit.
"""

import re
import shlex
import subprocess
from pathlib import Path

from pybind11.setup_helpers import Pybind11Extension, build_ext
from setuptools import setup

PYTHON = Path(__file__).resolve().parent
ROOT = PYTHON.parent

PLATFORM = ["NumberText", "Clock", "RandomGenerator", "BlasThreads"]
ENGINE = [
    "HologramGeometry", "ReferenceSums", "Normalisation", "ExactKernel", "ExactHologramEngine", "FastHologramEngine",
    "CalculationEngine", "CalculationWork", "HologramPipeline", "HologramCalculation", "Binarization",
    "BinaryOptimiser", "MaskSampler", "ThreadPool", "ExecutionContext", "Reconstruction", "SpectrumPlan", "PhysicalFigures",
    "Kinoform", "Refinement", "PhaseFigures", "PhaseSteps", "ComplexFarField", "LookupTable", "PanelMap",
    "LookupTableFile",
]
# Every value is rounded where the recurrence says: no contraction into fused
# multiply-adds, never fast math; the inner loops optimised fully.
ENGINE_FLAGS = ["-ffp-contract=off", "-fno-fast-math"]
FILE_FLAGS = {
    "ExactKernel": ["-O3"],
    "ExactHologramEngine": ["-O3"],
    "ReferenceSums": ["-O3"],
    "Normalisation": ["-O3"],
    "HologramPipeline": ["-O3", "-fno-trapping-math"],
}


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


VERSION = project_version()


def pkg_config(option, *packages):
    try:
        out = subprocess.run(["pkg-config", option, *packages], check=True, capture_output=True, text=True)
    except (OSError, subprocess.CalledProcessError) as error:
        raise SystemExit(f"pkg-config {option} {' '.join(packages)} failed ({error}): "
                         "install OpenBLAS and FFTW3 (bash tools/deps.sh)") from None
    return shlex.split(out.stdout)


class EngineBuild(build_ext):
    """Compiles the engine's sources first, each with its own flags, and links
    them into the module."""

    def build_extension(self, ext):
        if not getattr(ext, "engine_built", False):
            common = ext.extra_compile_args + pkg_config("--cflags", "openblas", "fftw3f")
            objects = []
            sources = [("platform", name, []) for name in PLATFORM]
            sources += [("engine", name, ENGINE_FLAGS + FILE_FLAGS.get(name, [])) for name in ENGINE]
            for folder, name, flags in sources:
                objects += self.compiler.compile(
                    [str(ROOT / folder / f"{name}.cpp")], output_dir=self.build_temp,
                    include_dirs=ext.include_dirs, extra_postargs=common + flags)
            ext.extra_objects = objects + ext.extra_objects
            ext.engine_built = True
        super().build_extension(ext)


module = Pybind11Extension(
    "marbleck._engine",
    [str(PYTHON / "src" / "EngineModule.cpp"), str(PYTHON / "src" / "CallControl.cpp")],
    include_dirs=[str(ROOT)],
    cxx_std=20,
    define_macros=[("MARBLECK_VERSION", f'"{VERSION}"')],
    extra_compile_args=["-pthread"],
    extra_link_args=["-pthread"] + pkg_config("--libs", "openblas", "fftw3f"),
)

setup(
    name="marbleck",
    version=VERSION,
    description="Computer-generated holograms with the Marbleck engine, on NumPy arrays",
    license="MIT",
    packages=["marbleck"],
    package_data={"marbleck": ["__init__.pyi", "py.typed"]},
    ext_modules=[module],
    cmdclass={"build_ext": EngineBuild},
    install_requires=["numpy"],
    python_requires=">=3.9",
    zip_safe=False,
)
