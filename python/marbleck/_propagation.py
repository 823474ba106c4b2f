"""A scene's field along the axis, in metres: propagation by the
band-limited angular spectrum, what a hologram shows at any depth (one
wavelength or several in colour) and how well it brings each point of a
scene to focus. Part of the package marbleck, which exports these
functions."""

from __future__ import annotations

from typing import Any, List, Optional

import numpy as np
import numpy.typing as npt

from . import _engine
from ._arguments import _threads
from ._records import FocusFigures
from ._scenes import _MOST_FIELD_VALUES, _MOST_PITCH, _MOST_WAVELENGTH, _number, _scene_arrays, _wavelengths


def _complex_field(field: npt.ArrayLike) -> np.ndarray:
    """A hologram's field, rows x columns, as C-ordered complex64 (a real
    field is its own real part), its values finite."""
    values = np.asarray(field)
    if values.ndim != 2 or values.shape[0] < 1 or values.shape[1] < 1:
        raise ValueError(f"the field must be rows x columns, not {values.shape}")
    if values.dtype == np.bool_ or not np.issubdtype(values.dtype, np.number):
        raise ValueError(f"the field must hold numbers, not {values.dtype}")
    if values.size > _engine.max_values:
        raise MemoryError(f"the field has {values.size} values, more than the engine takes ({_engine.max_values})")
    values = np.ascontiguousarray(values, dtype=np.complex64)
    if not np.isfinite(values).all():
        raise ValueError("the field holds NaN or infinite values")
    return values


def propagate(
    field: npt.ArrayLike, z: float, pitch: float, wavelength: float, *, nthreads: int = 0
) -> npt.NDArray[np.complex64]:
    """A field taken z metres along the axis by the band-limited angular
    spectrum (Matsushima and Shimobaba), zero-padded to twice its size each
    way and cut back to its own plane.

    field: rows x columns of complex values (point_hologram()'s complex
        field, say; a real array is taken as real values) at pitch metres.
    z: the distance in metres, either sign: a positive z carries light away
        from its source, so that the field of a point at depth d on the
        hologram, taken by -d, comes to focus at the point's x and y.
    wavelength: in metres.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns complex64 of the field's shape. Raises ValueError for values or
    lengths that are not numbers, MemoryError beyond 2**26 values. Runs
    without the interpreter's lock; Ctrl+C stops it with KeyboardInterrupt.
    """
    values = _complex_field(field)
    distance = _number(z, "z", "metres", positive=False)
    return _engine.propagate(
        values, z=distance, pitch=_number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH),
        wavelength=_number(wavelength, "wavelength", "metres: 633e-9 for 633 nm", _MOST_WAVELENGTH),
        nthreads=_threads(nthreads),
    )


#: The most depths of one refocus() (a focal stack).
_MOST_DEPTHS = 1024


def refocus(
    field: npt.ArrayLike,
    z: npt.ArrayLike,
    pitch: float,
    wavelength: float,
    *,
    scale: Optional[str] = None,
    decades: float = 3.0,
    nthreads: int = 0,
) -> npt.NDArray[np.float32]:
    """What a hologram shows at depth z: the intensity of its field brought
    to the plane z metres in front of it (the depth of a scene's point, where
    that point comes to focus), by the band-limited angular spectrum, as a
    picture of the hologram's size and pitch.

    field, pitch, wavelength: as for propagate().
    z: a depth in metres, or several (a focal stack, at most 1024).
    scale: None for the intensity |U|**2 itself; "linear" for it over its
        maximum, 0 .. 1; "log" for 10 log10(I / max) dB from -10 * decades
        dB as 0 to 0 dB as 1. A stack shares one maximum.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns float32 (rows, columns), or (depths, rows, columns) where z is a
    sequence. Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    alone = np.ndim(z) == 0
    depths = _depths(z, np.size(field))
    values = _complex_field(field)
    if scale not in (None, "linear", "log"):
        raise ValueError(f"scale must be None, 'linear' or 'log', not {scale!r}")
    pictures = _engine.refocus(
        values, depths=depths, pitch=_number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH),
        wavelength=_number(wavelength, "wavelength", "metres: 633e-9 for 633 nm", _MOST_WAVELENGTH),
        scale=scale or "", decades=_number(decades, "decades", "decades of intensity"),
        nthreads=_threads(nthreads),
    )
    return pictures[0] if alone else pictures


def _depths(z: npt.ArrayLike, values: int) -> List[float]:
    """One depth or a focal stack's, in metres, whose pictures of `values`
    values each stay within _MOST_FIELD_VALUES in all."""
    depths = [_number(d, "z", "metres", positive=False) for d in np.atleast_1d(np.asarray(z, dtype=object)).tolist()]
    if not 1 <= len(depths) <= _MOST_DEPTHS:
        raise ValueError(f"z must be a depth or 1 to {_MOST_DEPTHS} depths, not {len(depths)}")
    if len(depths) * values > _MOST_FIELD_VALUES:
        raise MemoryError(f"{len(depths)} pictures of {values} values are more than 2**28 values in all")
    return depths


def colour_refocus(
    fields: npt.ArrayLike,
    z: npt.ArrayLike,
    pitch: float,
    wavelengths: npt.ArrayLike,
    *,
    scale: str = "linear",
    decades: float = 3.0,
    nthreads: int = 0,
) -> npt.NDArray[np.float32]:
    """What a colour hologram shows at depth z: the fields of several
    wavelengths (point_hologram() with a sequence of wavelengths) each
    refocused as refocus() does, in the colour an eye sees at its
    wavelength, added and clipped to 1.

    fields: wavelengths x rows x columns of complex values. wavelengths: in
        metres, one a field (COLOUR_WAVELENGTHS, say).
    z, pitch: as for refocus(). scale: "linear" or "log" (decades as for
        refocus()), with one maximum over every field, so that their
        relative brightness stays.

    Returns float32 (rows, columns, 3), red, green and blue 0 .. 1, or
    (depths, rows, columns, 3) where z is a sequence.
    """
    values = np.asarray(fields)
    if values.ndim != 3:
        raise ValueError(f"fields must be wavelengths x rows x columns, not {values.shape}")
    if values.size > _MOST_FIELD_VALUES:
        raise MemoryError(f"{values.shape[0]} fields of {values.shape[1]} x {values.shape[2]} values are more "
                          "than 2**28 values in all")
    stacked = np.stack([_complex_field(field) for field in values]) if len(values) else values
    lengths, _ = _wavelengths(wavelengths)
    if len(lengths) != len(values):
        raise ValueError(f"one wavelength for each field: {len(values)} fields, {len(lengths)} wavelengths")
    if scale not in ("linear", "log"):
        raise ValueError(f"scale must be 'linear' or 'log', not {scale!r}")
    alone = np.ndim(z) == 0
    pictures = _engine.colour_refocus(
        np.ascontiguousarray(stacked, dtype=np.complex64), depths=_depths(z, 3 * values[0].size),
        pitch=_number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH), wavelengths=lengths,
        log=scale == "log", decades=_number(decades, "decades", "decades of intensity"),
        nthreads=_threads(nthreads),
    )
    return pictures[0] if alone else pictures


def focus_figures(
    field: npt.ArrayLike, points: Any, pitch: float, wavelength: float, *, nthreads: int = 0
) -> FocusFigures:
    """How well a hologram's field brings each point of a scene to focus: at
    the point's depth (as refocus() shows it), the light within 3 pixels of
    the point's pixel over all the light of that picture.

    field, pitch, wavelength: as for refocus(). points: as point_hologram()
    takes them (their colours play no part). Depths beyond 256 distinct ones
    share 256 pictures evenly from the nearest to the farthest.

    Returns FocusFigures (each point's share and their mean). Runs without
    the interpreter's lock; Ctrl+C stops it with KeyboardInterrupt.
    """
    values = _complex_field(field)
    positions, colours, _ = _scene_arrays(points)
    shares, mean = _engine.focus_figures(
        values, positions, colours, pitch=_number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH),
        wavelength=_number(wavelength, "wavelength", "metres: 633e-9 for 633 nm", _MOST_WAVELENGTH),
        nthreads=_threads(nthreads),
    )
    return FocusFigures(shares, float(mean))
