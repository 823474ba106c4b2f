"""The PyTorch Dataset over a dataset store. Part of the package
marbleck.dataset, which exports TorchDataset; this module alone imports
PyTorch, when TorchDataset is first asked for."""

from __future__ import annotations

import os
import typing
from typing import Any, Dict, List, Optional, Tuple

import numpy as np
import torch
import torch.utils.data

from ._read import SampleStore, StorePath, _position, checked_fields, open

# Where PyTorch has no type of the array's: depth levels (uint16) are handed
# over as int32, which holds each level exactly.
_TORCH_TYPES = {np.dtype(np.uint16): np.int32}


class TorchDataset(torch.utils.data.Dataset):  # type: ignore[type-arg]
    """A PyTorch map-style Dataset over a dataset store's samples.

    dataset[i] is a dict of tensors, one for each of `fields` (any of
    "colour", "depth", "hologram", "energy", "seconds"): colour H x W x 3
    uint8, depth H x W int32 (the store's uint16 levels, which PyTorch
    has no type for), hologram L x H x W complex64 or float32, energy L
    float32, seconds a float32 scalar. A DataLoader's default collation
    stacks them into batches.

    A store whose samples are not all written is refused (ValueError)
    unless `partial=True`: then the dataset holds the samples written
    when it was made, in the store's order, and `indices[i]` is the
    store's index of item i. The store is opened when first read, in
    each process that reads it, so the dataset goes to a DataLoader's
    worker processes (forked or spawned) as its path and the indices.
    """

    def __init__(self, store: StorePath, fields: typing.Sequence[str] = ("colour", "depth", "hologram"),
                 *, partial: bool = False) -> None:
        super().__init__()
        self.fields: Tuple[str, ...] = checked_fields(fields)
        opened = open(store)
        done = opened.done
        if not partial and not done.all():
            raise ValueError(f"{opened.path}: {int(done.sum())} of {len(done)} samples are written; "
                             "finish the store (run its build again) or read it with partial=True")
        self.path: str = os.path.abspath(opened.path)
        self.parameters: Dict[str, Any] = opened.parameters
        self.indices: List[int] = [int(i) for i in np.flatnonzero(done)]
        self._opened: Optional[SampleStore] = opened
        self._owner = os.getpid()

    def __len__(self) -> int:
        return len(self.indices)

    def __getitem__(self, item: int) -> Dict[str, Any]:
        index = self.indices[_position(item, len(self.indices))]
        sample = self._store().sample(index, self.fields)
        return {name: torch.from_numpy(_torch_array(array)) for name, array in sample.items()}

    def _store(self) -> SampleStore:
        # A forked worker gets the parent's opened store as a copy;
        # open it again there, so no file handle or cache is shared.
        if self._opened is None or self._owner != os.getpid():
            self._opened = open(self.path)
            self._owner = os.getpid()
        return self._opened

    def __getstate__(self) -> Dict[str, Any]:
        state = self.__dict__.copy()
        state["_opened"] = None
        return state

    def __repr__(self) -> str:
        return (f"TorchDataset({self.path!r}, fields={self.fields!r}, "
                f"{len(self.indices)} of {self.parameters['count']} samples)")


def _torch_array(array: np.ndarray) -> np.ndarray:
    kind = _TORCH_TYPES.get(array.dtype)
    if kind is not None:
        array = array.astype(kind)
    if not array.flags.c_contiguous:
        array = array.copy(order="C")
    return array
