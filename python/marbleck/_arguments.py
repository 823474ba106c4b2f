"""The checks and conversions of the package's arguments: every array's
size against the engine's limits before anything is copied, objects' pixels,
fields' values and grey levels, the point sources' seeds."""

from __future__ import annotations

import operator
from typing import Tuple

import numpy as np

from . import _engine


def _checked(values, name: str) -> np.ndarray:
    """values as an array (no copy of an array), its shape checked against
    the engine's limits before anything is copied or converted."""
    array = np.asarray(values)
    if array.ndim not in (2, 3):
        raise ValueError(f"the {name} must be a 2-D array, not {array.ndim}-D")
    rows, columns = array.shape[:2]
    if rows > _engine.max_values or columns > _engine.max_values or rows * columns > _engine.max_values:
        raise MemoryError(
            f"the {name} has {rows} x {columns} values, more than the engine takes ({_engine.max_values})"
        )
    return array


def _pixels(obj) -> np.ndarray:
    """An object's pixels, rows first, checked: its size, and its values
    real, finite and not negative (a value that is not 0 is a lit point)."""
    values = _checked(obj, "object")
    if values.ndim == 3 and values.shape[2] in (1, 3, 4):
        # A picture with channels (a PIL image in RGB or RGBA): its colours;
        # a pixel is lit when its colour is not black, whatever its alpha.
        values = values[:, :, : min(values.shape[2], 3)]
    elif values.ndim != 2:
        raise ValueError(f"the object must be a 2-D array, not {values.ndim}-D")
    if values.dtype == object or not (
        np.issubdtype(values.dtype, np.number) or values.dtype == np.bool_
    ):
        raise ValueError(f"the object must hold numbers or booleans, not {values.dtype}")
    if np.iscomplexobj(values):
        raise ValueError("the object must hold real numbers, not complex ones")
    if values.dtype != np.bool_ and not np.issubdtype(values.dtype, np.unsignedinteger):
        if np.issubdtype(values.dtype, np.floating) and not np.isfinite(values).all():
            raise ValueError("the object holds NaN or infinite values; a pixel is 0 (dark) or above 0 (lit)")
        if (values < 0).any():
            raise ValueError("the object holds negative values; a pixel is 0 (dark) or above 0 (lit)")
    return values


def _mask(obj) -> np.ndarray:
    """The lit pixels of an object as a C-ordered bool array, rows first."""
    values = _pixels(obj)
    lit = values.any(axis=2) if values.ndim == 3 else values != 0
    return np.ascontiguousarray(lit)


def _brightness(obj, mask: np.ndarray) -> np.ndarray:
    """The brightness each lit point asks for, in the engine's scan order (x
    outer, y inner): the object's value, 1 for a bool object; a picture's
    brightest channel; uint8 values are grey levels, taken as the window and
    the command line take a picture's samples."""
    values = _pixels(obj)
    if values.ndim == 3:
        values = values.max(axis=2)
    lit = values.T[mask.T]
    if values.dtype == np.bool_:
        return np.ones(lit.shape, np.float32)
    if values.dtype == np.uint8:
        return _engine.brightness_of_levels(np.ascontiguousarray(lit))
    return lit.astype(np.float32)


def _size(mask: np.ndarray, size) -> Tuple[float, float]:
    """W and H: the object's size, which may be fractional (a canvas in user
    units); its pixels must then be the whole samples within it."""
    rows, columns = mask.shape
    if size is None:
        return float(columns), float(rows)
    width, height = (float(np.float32(s)) for s in size)
    canvas_columns, canvas_rows = _engine.geometry(width, height, 1.0)[:2]
    if (canvas_rows, canvas_columns) != (rows, columns):
        raise ValueError(
            f"an object of size {width:g} x {height:g} has {canvas_rows} x {canvas_columns} "
            f"samples, not {rows} x {columns}"
        )
    return width, height


def _reps(reps) -> float:
    try:
        value = float(reps)
    except (TypeError, ValueError):
        raise ValueError(f"reps must be a number, not {reps!r}") from None
    if not np.isfinite(value):
        raise ValueError(f"reps must be a finite number, not {reps!r}")
    return value


def _field(field, name: str = "field") -> np.ndarray:
    """A 2-D array of real numbers (phases, say) as float32, as they are."""
    values = _checked(field, name)
    if values.ndim != 2:
        raise ValueError(f"the {name} must be a 2-D array, not {values.ndim}-D")
    if np.iscomplexobj(values):
        raise ValueError(f"the {name} must be real, not complex")
    return np.asarray(values, dtype=np.float32)


#: The grey levels a field of these types holds, and white's level.
_LEVELS = {np.dtype(np.uint8): 255, np.dtype(np.uint16): 65535}


def _values(field, name: str = "field", *, any_shape: bool = False) -> np.ndarray:
    """A real field's values as float32: bool as 0 and 1, uint8 and uint16
    as grey levels (level / 255 or / 65535), other numbers as they are.
    A field is 2-D unless any_shape (then only its size is checked)."""
    if any_shape:
        values = np.asarray(field)
        if values.size > _engine.max_values:
            raise MemoryError(
                f"the {name} has {values.size} values, more than the engine takes ({_engine.max_values})"
            )
    else:
        values = _checked(field, name)
        if values.ndim != 2:
            raise ValueError(f"the {name} must be a 2-D array, not {values.ndim}-D")
    if np.iscomplexobj(values):
        raise ValueError(f"the {name} must be real, not complex")
    if values.dtype == object or not (np.issubdtype(values.dtype, np.number) or values.dtype == np.bool_):
        raise ValueError(f"the {name} must hold numbers or booleans, not {values.dtype}")
    white = _LEVELS.get(values.dtype)
    if white is not None:
        return (values / np.float32(white)).astype(np.float32)
    return np.asarray(values, dtype=np.float32)


def _transmittance(t, name: str = "hologram") -> np.ndarray:
    """A hologram's transmittance: complex64 as it is, or real float32 values
    in 0 .. 1 (see _values)."""
    values = _checked(t, name)
    if values.ndim == 2 and np.iscomplexobj(values):
        if not np.isfinite(values).all():
            raise ValueError(f"the {name} holds NaN or infinite values")
        return np.asarray(values, dtype=np.complex64)
    values = _values(values, name)
    outside = ~((values >= 0) & (values <= 1))
    if outside.any():
        raise ValueError(
            f"the {name}'s values must lie in 0 .. 1 (grey levels 0 .. 255 as uint8), not {values[outside][0]:g}"
        )
    return values


def _sources(obj, size, engine: str, random_phase, seed) -> Tuple[np.ndarray, float, float, int]:
    """The checked point sources of hologram() and kinoform(): the lit mask,
    the object's W and H, and the seed as the engine takes it (a fresh one
    for random phases without a seed)."""
    mask = _mask(obj)
    width, height = _size(mask, size)
    if engine not in _engine.engines:
        raise ValueError(f"unknown engine {engine!r} (the engines: {', '.join(_engine.engines)})")
    if seed is not None and not random_phase:
        raise ValueError("seed needs random_phase=True")
    if seed is None:
        # Fresh entropy from the system, as numpy.random.default_rng(None) takes it.
        seed_value = int(np.random.SeedSequence().generate_state(1, np.uint64)[0]) if random_phase else 0
    else:
        seed_value = operator.index(seed)
    if not 0 <= seed_value < 2**64:
        raise ValueError(f"seed must be a whole number from 0 to 2**64 - 1, not {seed!r}")
    return mask, width, height, seed_value


def _time_limit(time_limit) -> float:
    """Seconds as the engine takes them, 0 for none."""
    limit = 0.0 if time_limit is None else float(time_limit)
    if not (limit >= 0 and np.isfinite(limit)):
        raise ValueError(f"time_limit must be seconds, 0 or more, not {time_limit!r}")
    return limit


def _threads(nthreads) -> int:
    """The threads a call may use as the engine takes them: a whole number,
    0 for every core."""
    if isinstance(nthreads, bool):
        raise ValueError(f"nthreads must be a whole number, 0 (every core) or more, not {nthreads!r}")
    try:
        value = operator.index(nthreads)
    except TypeError:
        raise ValueError(f"nthreads must be a whole number, 0 (every core) or more, not {nthreads!r}") from None
    if not 0 <= value < 2**31:
        raise ValueError(f"nthreads must be a whole number from 0 (every core) to 2**31 - 1, not {nthreads!r}")
    return value
