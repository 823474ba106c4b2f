"""Reading a dataset store: open() gives its samples as NumPy arrays (and
_torch.py's TorchDataset gives them to PyTorch). Part of the package
marbleck.dataset, which exports these names; TorchDataset is imported
from here on first use, so that reading a store never imports PyTorch."""

from __future__ import annotations

import math
import operator
import os
import typing
from typing import Any, Dict, Tuple, Union

import numpy as np
import numpy.typing as npt

#: The format this reader reads, the store's attribute "marbleck_dataset".
FORMAT = 1

#: The arrays a sample has, in the order they are read.
FIELDS: Tuple[str, ...] = ("colour", "depth", "hologram", "energy", "seconds")

#: The encodings whose holograms are complex; the others are float32.
_COMPLEX_ENCODINGS = ("complex",)

StorePath = Union[str, "os.PathLike[str]"]


class SampleStore:
    """A dataset store opened for reading (made by open()).

    len(store) is the number of samples the store was made for; store[i]
    is sample i as a dict of NumPy arrays: "colour" (H x W x 3 uint8),
    "depth" (H x W uint16 levels, 0 at the parameters' "near", 65535 at
    "far"), "hologram" (L x H x W, one field a wavelength: complex64, or
    float32 for an encoding), "energy" (L float32) and "seconds" (float32).
    A sample not yet written raises ValueError; `done` says which are.
    """

    def __init__(self, path: StorePath, group: Any) -> None:
        self._path = os.fspath(path)
        self._group = group
        self._parameters: Dict[str, Any] = _checked_layout(self._path, group)
        self._count = int(self._parameters["count"])

    @property
    def path(self) -> str:
        """The store's folder, as it was given to open()."""
        return self._path

    @property
    def parameters(self) -> Dict[str, Any]:
        """The parameters the store was made with (a copy): count, size,
        pitch, wavelengths, near, far, method, layers, encode, occlusion,
        seed and scenes, lengths in metres."""
        return _copied(self._parameters)

    @property
    def version(self) -> str:
        """The version of Marbleck that made the store."""
        return str(self._group.attrs.get("marbleck_version", ""))

    @property
    def done(self) -> npt.NDArray[np.bool_]:
        """Which samples are written, read from the store at each call (a
        build may be running into it)."""
        return np.asarray(self._group["done"][:], dtype=bool)

    @property
    def complete(self) -> bool:
        """Whether every sample is written."""
        return bool(self.done.all())

    def __len__(self) -> int:
        return self._count

    def __getitem__(self, index: int) -> Dict[str, np.ndarray]:
        return self.sample(index)

    def __iter__(self) -> typing.Iterator[Dict[str, np.ndarray]]:
        for index in range(self._count):
            yield self.sample(index)

    def sample(self, index: int, fields: typing.Sequence[str] = FIELDS) -> Dict[str, np.ndarray]:
        """Sample `index` (negative counts from the end), only the arrays
        named in `fields`. Raises IndexError outside the store and
        ValueError for a sample not yet written."""
        position = _position(index, self._count)
        names = checked_fields(fields)
        if not bool(self._group["done"][position]):
            raise ValueError(f"{self._path}: sample {position} is not written yet "
                             f"({int(self.done.sum())} of {self._count} are)")
        return {name: np.asarray(self._group[name][position]) for name in names}

    def __repr__(self) -> str:
        p = self._parameters
        rows, columns = p["size"]
        return (f"SampleStore({self._path!r}, {int(self.done.sum())} of {self._count} done, "
                f"{rows} x {columns}, {len(p['wavelengths'])} wavelengths, {p['encode']})")


def open(store: StorePath) -> SampleStore:  # noqa: A001 - the package's name for it
    """Opens a dataset store (the folder build() wrote) for reading.

    Raises FileNotFoundError where there is no such folder, NotADirectoryError
    where it is a file, and ValueError where the folder is no Marbleck
    dataset store (no "marbleck_dataset" attribute), is of another format, or
    its arrays do not match its parameters (a store torn or made by other
    means).
    """
    import zarr  # type: ignore[import]

    path = os.fspath(store)
    if not isinstance(path, str):
        raise TypeError("a store is named by a str or a path")
    if not os.path.exists(path):
        raise FileNotFoundError(2, "no such dataset store", path)
    if not os.path.isdir(path):
        raise NotADirectoryError(20, "a dataset store is a folder", path)
    try:
        group = zarr.open_group(zarr.DirectoryStore(path), mode="r")
    except (zarr.errors.GroupNotFoundError, zarr.errors.ContainsArrayError):
        raise ValueError(f"{path}: not a Marbleck dataset store (no Zarr group)") from None
    return SampleStore(path, group)


def checked_fields(fields: typing.Iterable[str]) -> Tuple[str, ...]:
    """The names of a sample's arrays asked for: at least one, each once,
    each one of FIELDS."""
    if isinstance(fields, str):
        fields = (fields,)
    names = tuple(fields)
    if not names:
        raise ValueError("name at least one of the fields " + ", ".join(FIELDS))
    for name in names:
        if name not in FIELDS:
            raise ValueError(f"unknown field {name!r} (the fields are {', '.join(FIELDS)})")
    if len(set(names)) != len(names):
        raise ValueError(f"fields named twice: {', '.join(names)}")
    return names


def _position(index: Any, count: int) -> int:
    try:
        position = operator.index(index)
    except TypeError:
        raise TypeError(f"a sample's index is a whole number, not {type(index).__name__}") from None
    if position < 0:
        position += count
    if not 0 <= position < count:
        raise IndexError(f"sample {index} is outside the store's {count}")
    return position


def _copied(value: Any) -> Any:
    if isinstance(value, dict):
        return {key: _copied(item) for key, item in value.items()}
    if isinstance(value, list):
        return [_copied(item) for item in value]
    return value


def _checked_layout(path: str, group: Any) -> Dict[str, Any]:
    """The store's parameters, once its format attribute and the shape and
    type of every array are those its parameters give."""
    attributes = dict(group.attrs)
    version = attributes.get("marbleck_dataset")
    if version is None:
        raise ValueError(f"{path}: not a Marbleck dataset store (no marbleck_dataset attribute)")
    if type(version) is not int or version != FORMAT:
        raise ValueError(f"{path}: a dataset store of format {version!r}; this version of Marbleck "
                         f"reads format {FORMAT}")
    parameters = attributes.get("parameters")
    if not isinstance(parameters, dict):
        raise ValueError(f"{path}: the store's parameters are missing")
    count, rows, columns, wavelengths, encode = _layout_parameters(path, parameters)
    dtype = np.complex64 if encode in _COMPLEX_ENCODINGS else np.float32
    expected = {
        "colour": ((count, rows, columns, 3), np.uint8),
        "depth": ((count, rows, columns), np.uint16),
        "hologram": ((count, wavelengths, rows, columns), dtype),
        "energy": ((count, wavelengths), np.float32),
        "seconds": ((count,), np.float32),
        "done": ((count,), np.bool_),
    }
    arrays = set(group.array_keys())
    for name, (shape, kind) in expected.items():
        if name not in arrays:
            raise ValueError(f"{path}: the store has no array {name!r}")
        array = group[name]
        if tuple(array.shape) != shape or array.dtype != np.dtype(kind):
            raise ValueError(f"{path}: array {name!r} is {_described(array.shape, array.dtype)}; "
                             f"the parameters make it {_described(shape, np.dtype(kind))}")
    return parameters


def _layout_parameters(path: str, parameters: Dict[str, Any]) -> Tuple[int, int, int, int, str]:
    def whole(value: Any) -> bool:
        return type(value) is int and value > 0

    count: Any = parameters.get("count")
    size: Any = parameters.get("size")
    wavelengths: Any = parameters.get("wavelengths")
    encode: Any = parameters.get("encode")
    if not whole(count):
        raise ValueError(f"{path}: the store's parameter count is {count!r}")
    if not (isinstance(size, list) and len(size) == 2 and all(whole(side) for side in size)):
        raise ValueError(f"{path}: the store's parameter size is {size!r}")
    if not (isinstance(wavelengths, list) and wavelengths
            and all(isinstance(w, (int, float)) and math.isfinite(w) and w > 0 for w in wavelengths)):
        raise ValueError(f"{path}: the store's parameter wavelengths is {wavelengths!r}")
    if not isinstance(encode, str):
        raise ValueError(f"{path}: the store's parameter encode is {encode!r}")
    return int(count), int(size[0]), int(size[1]), len(wavelengths), encode


def _described(shape: typing.Sequence[int], dtype: Any) -> str:
    return " x ".join(str(side) for side in shape) + f" {np.dtype(dtype).name}"


def __getattr__(name: str) -> Any:
    # TorchDataset (in _torch.py) derives from PyTorch's Dataset, so it is
    # imported when first asked for: PyTorch takes seconds to import.
    if name == "TorchDataset":
        from ._torch import TorchDataset

        return TorchDataset
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
