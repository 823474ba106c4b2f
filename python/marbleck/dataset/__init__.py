"""Datasets of scene/hologram pairs for learned holography, in a Zarr store.

build() computes every sample (a scene, synthetic or read from a folder of
colour/depth pairs, and its hologram at one or several wavelengths) as tasks
on a Dask cluster, a local one by default, each sample a pure function of
its index and the seed; a stopped build started again computes only the
missing samples, and a store made with other parameters is refused:

    >>> import marbleck.dataset
    >>> summary = marbleck.dataset.build("set.zarr", count=100, size=384, layers=32)

synthetic_scene() makes one scene of the seeded set, folder_scenes() reads
a folder's pairs, compute_sample() computes one sample in-process (what each
task calls). open() reads a store back, sample by sample, and TorchDataset
serves it to a PyTorch DataLoader. Dask, distributed, zarr, Pillow and torch
are imported by the calls that need them, not by importing this package.
"""

from __future__ import annotations

from typing import Any

from ._build import METHODS, BuildSummary, build, compute_sample
from ._read import FIELDS, SampleStore, open
from ._scenes import FolderScenes, folder_scenes, synthetic_scene


def __getattr__(name: str) -> Any:
    # TorchDataset imports torch, which takes seconds: only when asked for.
    if name == "TorchDataset":
        from ._torch import TorchDataset

        return TorchDataset
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")


__all__ = [
    "build",
    "BuildSummary",
    "compute_sample",
    "synthetic_scene",
    "folder_scenes",
    "FolderScenes",
    "METHODS",
    "open",
    "SampleStore",
    "FIELDS",
]
