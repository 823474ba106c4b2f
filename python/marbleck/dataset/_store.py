"""A dataset's store: one Zarr group in a folder, its parameters and format
in its attributes, one array a field of the samples, each chunked one
sample along its first axis so that no two tasks ever write one chunk, and
`done`, which says which samples are whole (set only once a sample's chunks
are all written); and the parameters of a build, checked, as the store
records them.

    attrs: marbleck_dataset (the format, 1), marbleck_version, parameters
    colour   (N, H, W, 3) uint8     depth    (N, H, W) uint16
    hologram (N, L, H, W) complex64, or float32 for the other encodings
    energy   (N, L) float32         seconds  (N,) float32
    done     (N,) bool
"""

from __future__ import annotations

import errno
import json
import os
import typing
from typing import Any, Dict, List, Optional, Tuple, Union

import numpy as np

from .. import _engine
from .._scenes import _MOST_PITCH, _MOST_WAVELENGTH, ENCODINGS, _number
from ._scenes import Size, scene_size

#: The methods a dataset's holograms are made by.
METHODS: Tuple[str, ...] = ("layers", "points")

#: The format of the stores this version writes and reads.
FORMAT = 1

#: The parameters a store records, in the order they are compared.
PARAMETER_KEYS: Tuple[str, ...] = (
    "count", "size", "pitch", "wavelengths", "near", "far", "method", "layers", "encode", "occlusion", "seed",
    "scenes",
)

#: The arrays of one sample, as compute_sample() gives them.
SAMPLE_FIELDS: Tuple[str, ...] = ("colour", "depth", "hologram", "energy", "seconds")


def _layout(parameters: typing.Mapping[str, Any]) -> Dict[str, Tuple[Tuple[int, ...], str]]:
    """Each array's shape and dtype for these parameters."""
    count = int(parameters["count"])
    rows, columns = (int(v) for v in parameters["size"])
    fields = len(parameters["wavelengths"])
    hologram = "complex64" if parameters["encode"] == "complex" else "float32"
    return {
        "colour": ((count, rows, columns, 3), "uint8"),
        "depth": ((count, rows, columns), "uint16"),
        "hologram": ((count, fields, rows, columns), hologram),
        "energy": ((count, fields), "float32"),
        "seconds": ((count,), "float32"),
        "done": ((count,), "bool"),
    }


def _shown(value: Any) -> str:
    if isinstance(value, list):
        return ",".join(_shown(v) for v in value)
    if isinstance(value, bool):
        return "true" if value else "false"
    if value is None:
        return "none"
    return str(value)


def _store_error(path: str, error: OSError) -> OSError:
    """An OSError about the store: its filename the store's folder."""
    reason = error.strerror or str(error)
    if error.filename is not None and os.fspath(error.filename) != path:
        reason = f"{reason} ({os.path.relpath(os.fspath(error.filename), path)})"
    return OSError(error.errno or errno.EIO, reason, path)


def _difference(made: typing.Mapping[str, Any], asked: typing.Mapping[str, Any]) -> str:
    for key in PARAMETER_KEYS:
        if key not in made:
            return f"the store's parameters lack {key}"
        if made[key] != asked[key]:
            return f"store made with {key}={_shown(made[key])}, asked {key}={_shown(asked[key])}"
    extra = sorted(set(made) - set(PARAMETER_KEYS))
    return f"the store's parameters hold {extra[0]}, which this version does not know" if extra else ""


def check_group(group: Any, path: str) -> None:
    """ValueError unless the group is a dataset of this format with its
    arrays laid out as its parameters say."""
    version = group.attrs.get("marbleck_dataset")
    if version != FORMAT:
        what = "no marbleck_dataset attribute" if version is None else f"marbleck_dataset {version!r}"
        raise ValueError(f"not a dataset of this version ({what}; this version reads {FORMAT})")
    parameters = group.attrs.get("parameters")
    if not isinstance(parameters, dict) or any(key not in parameters for key in PARAMETER_KEYS):
        raise ValueError("the store's parameters are missing or incomplete")
    for name, (shape, dtype) in _layout(parameters).items():
        if name not in group:
            raise ValueError(f"the store has no array {name}")
        array = group[name]
        if array.shape != shape or array.dtype != np.dtype(dtype) or array.chunks[0] != 1:
            raise ValueError(
                f"the store's array {name} is {array.shape} {array.dtype}, its parameters make {shape} {dtype}"
            )


def open_for_build(path: str, parameters: Dict[str, Any], version: str) -> Any:
    """The store at path for a build of these parameters (plain JSON values):
    a new one where path does not exist or is an empty folder, else the
    store there, refused with ValueError (nothing written) where it is no
    dataset, another format or version, or made with other parameters (the
    first difference named: "store made with layers=16, asked layers=32").
    OSError, its filename path, where it cannot be made or read."""
    import zarr  # type: ignore[import]

    try:
        is_folder = os.path.isdir(path)
        entries = os.listdir(path) if is_folder else []
        if os.path.lexists(path) and not is_folder:
            raise OSError(errno.ENOTDIR, "not a folder", path)
        if entries:
            if ".zgroup" not in entries:
                raise ValueError("the folder holds files but no dataset (no .zgroup)")
            group = zarr.open_group(zarr.DirectoryStore(path), mode="r+")
            check_group(group, path)
            made = group.attrs["parameters"]
            difference = _difference(made, parameters)
            if difference:
                raise ValueError(difference)
            if group.attrs.get("marbleck_version") != version:
                raise ValueError(
                    f"store made with marbleck {group.attrs.get('marbleck_version')}, this is marbleck {version}"
                )
            return group
        os.makedirs(path, exist_ok=True)
        group = zarr.open_group(zarr.DirectoryStore(path), mode="w")
        for name, (shape, dtype) in _layout(parameters).items():
            chunks = (1,) + shape[1:]
            fill: Any = False if dtype == "bool" else 0
            group.create_dataset(name, shape=shape, chunks=chunks, dtype=dtype, fill_value=fill)
        # The attributes last: a folder without them is no dataset.
        group.attrs.update({"marbleck_dataset": FORMAT, "marbleck_version": version, "parameters": parameters})
        return group
    except OSError as error:
        raise _store_error(path, error) from None


def open_for_task(path: str) -> Any:
    """The store at path, open for writing samples (in a task)."""
    import zarr  # type: ignore[import]

    try:
        return zarr.open_group(zarr.DirectoryStore(path), mode="r+")
    except OSError as error:
        raise _store_error(path, error) from None


def write_sample(group: Any, path: str, index: int, sample: typing.Mapping[str, np.ndarray]) -> None:
    """Sample `index`'s chunks, one a field; `done` is left to the caller."""
    try:
        for name in SAMPLE_FIELDS:
            group[name][index] = sample[name]
    except OSError as error:
        raise _store_error(path, error) from None
    except KeyError as error:
        raise OSError(errno.EIO, f"cannot write {error.args[0] if error.args else 'a chunk'}", path) from None


def done_flags(group: Any) -> np.ndarray:
    """Which samples are done, a bool array of the store's count."""
    return np.asarray(group["done"][:], dtype=bool)


def mark_done(group: Any, path: str, indices: typing.Sequence[int]) -> None:
    """Set `done` for these samples, whose chunks are all written."""
    try:
        done = group["done"]
        for start, stop in runs(indices):
            done[start:stop] = True
    except OSError as error:
        raise _store_error(path, error) from None
    except KeyError as error:
        raise OSError(errno.EIO, f"cannot write {error.args[0] if error.args else 'a chunk'}", path) from None


def runs(indices: typing.Sequence[int]) -> List[Tuple[int, int]]:
    """Sorted indices as runs of consecutive ones, [start, stop)."""
    result: List[Tuple[int, int]] = []
    for i in sorted(indices):
        if result and result[-1][1] == i:
            result[-1] = (result[-1][0], i + 1)
        else:
            result.append((i, i + 1))
    return result


def plain(parameters: typing.Mapping[str, Any]) -> Dict[str, Any]:
    """The parameters as the store's JSON gives them back (lists, not
    tuples), so that asked and made compare equal."""
    return dict(json.loads(json.dumps(dict(parameters))))


def _positive_whole(value: Any, name: str, most: int) -> int:
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise ValueError(f"{name} must be a whole number from 1 to {most}, not {value!r}")
    if not 1 <= int(value) <= most:
        raise ValueError(f"{name} must be a whole number from 1 to {most}, not {value!r}")
    return int(value)


def parameters_of(
    *,
    count: int,
    size: Size = 384,
    pitch: float = 8e-6,
    wavelengths: Union[float, typing.Sequence[float]] = (638e-9, 520e-9, 450e-9),
    near: float = 0.05,
    far: float = 0.1,
    method: str = "layers",
    layers: Optional[int] = 32,
    encode: str = "complex",
    occlusion: bool = False,
    seed: int = 0,
    scenes: Union[None, str, "os.PathLike[str]"] = None,
) -> Dict[str, Any]:
    """The store's parameters of a build's arguments, checked (ValueError);
    the points method records layers as None."""
    rows, columns = scene_size(size)
    if rows * columns > _engine.max_values:
        raise ValueError(f"size {rows} x {columns} is more values than the engine takes ({_engine.max_values})")
    values = [wavelengths] if np.ndim(wavelengths) == 0 else list(np.asarray(wavelengths).tolist())
    if not values:
        raise ValueError("wavelengths must be one or more wavelengths (metres)")
    unit = "metres: 638e-9 for 638 nm"
    wavelength_list = [_number(w, "wavelength", unit, _MOST_WAVELENGTH) for w in values]
    if rows * columns * len(wavelength_list) > 2**28:
        raise ValueError(f"{len(wavelength_list)} fields of {rows} x {columns} are more than 2**28 values a sample")
    near_value = _number(near, "near", "metres")
    far_value = _number(far, "far", "metres")
    if near_value > far_value:
        raise ValueError(f"near ({near_value:g} m) must not be beyond far ({far_value:g} m)")
    if method not in METHODS:
        raise ValueError(f"unknown method {method!r} (the methods: {', '.join(METHODS)})")
    if encode not in ENCODINGS:
        raise ValueError(f"unknown encoding {encode!r} (the encodings: {', '.join(ENCODINGS)})")
    if method == "points" and occlusion:
        raise ValueError("occlusion is the layers method's")
    layer_count = None
    if method == "layers" and layers is not None:
        layer_count = _positive_whole(layers, "layers", 65536)
    if isinstance(seed, bool) or not isinstance(seed, (int, np.integer)) or not 0 <= int(seed) < 2**63:
        raise ValueError(f"seed must be a whole number from 0 to 2**63 - 1, not {seed!r}")
    return {
        "count": _positive_whole(count, "count", 2**31 - 1),
        "size": [rows, columns],
        "pitch": _number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH),
        "wavelengths": wavelength_list,
        "near": near_value,
        "far": far_value,
        "method": method,
        "layers": layer_count,
        "encode": encode,
        "occlusion": bool(occlusion),
        "seed": int(seed),
        "scenes": "synthetic" if scenes is None else os.path.abspath(os.fspath(scenes)),
    }
