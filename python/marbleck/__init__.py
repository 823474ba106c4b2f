"""Computer-generated holograms with Marbleck's engine, on NumPy arrays.

An object is a 2-D array, rows first: ``obj[y, x]`` is the pixel in row y
(the top row first) and column x, and every value that is not 0 is a lit
point. A hologram is a float32 array of the same orientation, ``R*H`` rows by
``R*W`` columns for an H x W object at the repetition factor R, its values
normalised to 0 .. 1 exactly as the program's "Calculate" and
``marbleck-cli`` make them.

    >>> import marbleck, numpy
    >>> field = marbleck.hologram(numpy.eye(8), 2)
    >>> field.shape
    (16, 16)
    >>> binary = marbleck.binarize(field, "balanced")
    >>> picture = marbleck.reconstruct(binary)

Long calculations release the interpreter's lock and stop on Ctrl+C with
KeyboardInterrupt, returning nothing.
"""

from __future__ import annotations

import dataclasses
import operator
import os
from typing import Optional, Tuple

import numpy as np

from . import _engine

__all__ = [
    "hologram",
    "binarize",
    "reconstruct",
    "figures",
    "grey_levels",
    "physical",
    "kinoform",
    "slm_map",
    "lookup_table",
    "Figures",
    "Physical",
    "PhaseFigures",
    "Refinement",
    "Kinoform",
    "REFINEMENTS",
    "ENGINES",
    "METHODS",
]

#: The engines of the engine table: "exact" gives "Calculate"'s values bit for
#: bit, "fast" agrees with it to within rounding, "reference" is the plain
#: recurrence on one thread.
ENGINES: Tuple[str, ...] = tuple(_engine.engines)
#: The binarization methods: "threshold", "balanced" (the hologram's median)
#: and "optimised" (iterative, needs the object).
METHODS: Tuple[str, ...] = tuple(_engine.methods)

#: The refinements of a kinoform: "gs" (Gerchberg-Saxton) and "weighted"
#: (weighted Gerchberg-Saxton, which evens the points' brightness).
REFINEMENTS: Tuple[str, ...] = tuple(_engine.refinement_methods)


@dataclasses.dataclass(frozen=True)
class Figures:
    """What the reconstruction of a hologram (zero order removed) says of it.

    fidelity: the mean intensity on the object's points over the mean on the
    noise. uniformity: the spread of the points' brightness, its standard
    deviation over its mean (0 is even). efficiency: the share of the
    diffracted light on the object and its twin.
    """

    fidelity: float
    uniformity: float
    efficiency: float


@dataclasses.dataclass(frozen=True)
class Physical:
    """A printed hologram's sizes and what it shows under a laser.

    Lengths in millimetres, angles in degrees. width_mm and height_mm are
    None without a shape; the angle and the screen sizes are None when the
    pixels are finer than half a wavelength.
    """

    pitch_mm: float
    width_mm: Optional[float]
    height_mm: Optional[float]
    wavelength_nm: float
    distance_m: float
    max_angle_degrees: Optional[float]
    screen_image_mm: Optional[float]
    screen_span_mm: Optional[float]


@dataclasses.dataclass(frozen=True)
class PhaseFigures:
    """What the far field of a phase hologram, |FFT2(exp(i*phase))|**2, says
    of it; each lit point's spot is the 3 x 3 bins round its bin.

    efficiency: the share of all the light on the spots. uniformity:
    1 - (max - min) / (max + min) of the spots' light (1 is even). spread:
    their standard deviation over their mean (0 is even). fidelity: the mean
    intensity on the spots over the mean on the noise.
    """

    efficiency: float
    uniformity: float
    spread: float
    fidelity: float


@dataclasses.dataclass(frozen=True)
class Refinement:
    """What a refinement did: its method, the figures before and after, the
    iterations run and the seconds taken."""

    method: str
    start: PhaseFigures
    end: PhaseFigures
    iterations: int
    seconds: float


@dataclasses.dataclass(frozen=True)
class Kinoform:
    """A phase hologram: phase, float32 rows x columns in 0 .. 2*pi (a
    Fortran-ordered view of the engine's values), its figures and its
    refinement (None when not refined)."""

    phase: np.ndarray
    figures: PhaseFigures
    refinement: Optional[Refinement]


def _mask(obj) -> np.ndarray:
    """The lit pixels of an object as a C-ordered bool array, rows first."""
    values = np.asarray(obj)
    if values.ndim == 3 and values.shape[2] in (1, 3, 4):
        # A picture with channels (a PIL image in RGB or RGBA): a pixel is lit
        # when its colour is not black, whatever its alpha.
        values = values[:, :, : min(values.shape[2], 3)].any(axis=2)
    if values.ndim != 2:
        raise ValueError(f"the object must be a 2-D array, not {values.ndim}-D")
    if values.dtype == object or not (
        np.issubdtype(values.dtype, np.number) or values.dtype == np.bool_
    ):
        raise ValueError(f"the object must hold numbers or booleans, not {values.dtype}")
    return np.ascontiguousarray(values != 0)


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
    values = np.asarray(field, dtype=np.float32)
    if values.ndim != 2:
        raise ValueError(f"the {name} must be a 2-D array, not {values.ndim}-D")
    return values


def _sources(obj, size, engine: str, random_phase, seed) -> Tuple[np.ndarray, float, float, int]:
    """The checked point sources of hologram() and kinoform(): the lit mask,
    the object's W and H, and the seed as the engine takes it."""
    mask = _mask(obj)
    width, height = _size(mask, size)
    if engine not in ENGINES:
        raise ValueError(f"unknown engine {engine!r} (the engines: {', '.join(ENGINES)})")
    if seed is not None and not random_phase:
        raise ValueError("seed needs random_phase=True")
    seed_value = 0 if seed is None else operator.index(seed)
    if not 0 <= seed_value < 2**64:
        raise ValueError(f"seed must be a whole number from 0 to 2**64 - 1, not {seed!r}")
    return mask, width, height, seed_value


def hologram(
    obj,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
) -> np.ndarray:
    """The hologram of an object, normalised to 0 .. 1.

    obj: a 2-D array rows first (bool, integers or floats; every value that
        is not 0 is a lit point of amplitude 1), or anything numpy.asarray
        takes, such as a list of lists or a PIL image (a pixel that is not
        black is lit).
    reps: the repetition factor R; the hologram has R*H rows and R*W columns
        (R*W - 1 rounded half to even, plus 1). A factor that leaves no
        hologram raises ValueError; a hologram of more than 2**26 values
        raises MemoryError, both before any work.
    random_phase: give every point the phase of its own random draw; seed
        seeds them (default 0). Without it every phase is 0 and runs repeat.
    engine: "exact" ("Calculate"'s values bit for bit, the default), "fast"
        (the same to within rounding, several times quicker) or "reference".
    size: (W, H), the object's size when it is fractional (a canvas measured
        in user units); obj then holds its whole samples. Default: its shape.

    Returns a float32 array of shape (rows, columns), row v at index v. It is
    a Fortran-ordered view of the engine's own values, not a copy.
    Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    return _engine.hologram(mask, width, height, _reps(reps), bool(random_phase), seed_value, engine)


def binarize(
    field,
    method: str = "threshold",
    threshold: float = 0.6,
    budget: Optional[float] = None,
    *,
    obj=None,
    reps: Optional[float] = None,
    size: Optional[Tuple[float, float]] = None,
    max_iterations: int = 0,
) -> np.ndarray:
    """A binarized hologram: float32, 1 where white and 0 where black.

    method: "threshold" (a value strictly above threshold is white),
        "balanced" (the threshold is the hologram's median, so that half the
        values are white) or "optimised" (from the balanced hologram, flips
        values while that evens the object's points and takes light from the
        noise, for up to budget seconds, default 2, or max_iterations steps
        when not 0; it keeps 30 to 70 % of the values white, gives back the
        balanced hologram where nothing it finds shows the object better, and
        raises ValueError where that shows nothing either).
    obj, reps, size: the object and factor the hologram was made of, as
        given to hologram(). "optimised" needs them: it judges each step by
        the light on the object's points. For the others they say which
        values were calculated (a fractional R*W can leave the last column
        unvisited); without them every value counts.

    The field is left as it is. Runs without the interpreter's lock; Ctrl+C
    stops it with KeyboardInterrupt.
    """
    values = _field(field)
    if method not in METHODS:
        raise ValueError(f"unknown binarization {method!r} (the methods: {', '.join(METHODS)})")
    threshold_value = float(threshold)
    if not np.isfinite(threshold_value):
        raise ValueError(f"threshold must be a finite number, not {threshold!r}")
    if budget is not None and method != "optimised":
        raise ValueError("budget is only for the optimised method")
    budget_value = 2.0 if budget is None else float(budget)
    if not (budget_value > 0 and np.isfinite(budget_value)):
        raise ValueError(f"budget must be a number of seconds above 0, not {budget!r}")
    if max_iterations < 0:
        raise ValueError(f"max_iterations must be 0 or more, not {max_iterations!r}")
    mask = None
    width = height = reps_value = 0.0
    if obj is not None or reps is not None:
        if obj is None or reps is None:
            raise ValueError("obj and reps go together")
        mask = _mask(obj)
        width, height = _size(mask, size)
        reps_value = _reps(reps)
        _, _, field_columns, field_rows, _, _ = _engine.geometry(width, height, reps_value)
        if values.shape != (field_rows, field_columns):
            raise ValueError(
                f"the field has {values.shape[0]} x {values.shape[1]} values, the object at "
                f"reps {reps_value:g} makes {field_rows} x {field_columns}"
            )
    elif method == "optimised":
        raise ValueError("the optimised method needs the object: pass obj and reps")
    binary, _, _ = _engine.binarize(
        values, method, threshold_value, budget_value, int(max_iterations), mask, width, height, reps_value
    )
    return binary


def reconstruct(t, zero_order: bool = False) -> np.ndarray:
    """The far field of a hologram: the intensity |FFT2(t)|**2, centred.

    t: a hologram (normalised 0 .. 1, or binarized 0 / 1); its transmittance
        is its grey level / 255, as the program reconstructs what it shows.
    zero_order: keep the undiffracted light; by default the mean of t is
        taken away first so that the centre does not outshine the object.

    Returns float32 of t's shape, unnormalised, zero frequency at
    (rows // 2, columns // 2); the object's image and its twin lie
    point-mirrored through the centre.
    """
    return _engine.reconstruct(_field(t, "hologram"), not zero_order)


def figures(t, obj, reps: float, *, size: Optional[Tuple[float, float]] = None) -> Figures:
    """The fidelity, uniformity and efficiency of hologram t of object obj at
    repetition factor reps (as given to hologram())."""
    mask = _mask(obj)
    width, height = _size(mask, size)
    return Figures(*_engine.figures(_field(t, "hologram"), mask, width, height, _reps(reps)))


def grey_levels(field) -> np.ndarray:
    """The grey levels "Calculate" paints: value * 255 in float32, rounded
    half to even, clamped to 0 .. 255, as uint8 of the field's shape."""
    return _engine.grey_levels(np.ascontiguousarray(field, dtype=np.float32))


def physical(
    dpi: float,
    scale: float = 1,
    wavelength_nm: float = 633,
    distance_m: float = 1,
    *,
    shape: Optional[Tuple[int, int]] = None,
) -> Physical:
    """A hologram printed at dpi dots an inch, each value scale dots wide, lit
    by a laser of wavelength_nm onto a screen distance_m away.

    shape: the hologram's (rows, columns), for its printed width and height.
    Raises ValueError unless every number is positive and finite.
    """
    rows, columns = (0, 0) if shape is None else (operator.index(shape[0]), operator.index(shape[1]))
    values = _engine.physical(columns, rows, float(dpi), float(scale), float(wavelength_nm), float(distance_m))
    if shape is None:
        values["width_mm"] = values["height_mm"] = None
    return Physical(**values)


def kinoform(
    obj,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    refine: int = 0,
    method: str = "gs",
    time_limit: Optional[float] = None,
) -> Kinoform:
    """The phase hologram of an object for a spatial light modulator: the
    phase of the complex sum of the same point sources hologram() sums, and
    with refine > 0 that many iterations of method ("gs" or "weighted").

    obj, reps, random_phase, seed, engine, size: as for hologram(). A lit
    point's value is its brightness (a relative intensity) for the
    refinement: a bool object asks for even points.
    time_limit: stop refining after this many seconds, whatever refine says.
    Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    if method not in REFINEMENTS:
        raise ValueError(f"unknown refinement {method!r} (the refinements: {', '.join(REFINEMENTS)})")
    iterations = operator.index(refine)
    if iterations < 0:
        raise ValueError(f"refine must be 0 or more iterations, not {refine!r}")
    limit = 0.0 if time_limit is None else float(time_limit)
    if not (limit >= 0 and np.isfinite(limit)):
        raise ValueError(f"time_limit must be seconds, 0 or more, not {time_limit!r}")
    values = np.asarray(obj)
    if values.ndim == 3:
        # A picture with channels: its brightness is the mean of its colours.
        values = values[:, :, : min(values.shape[2], 3)].astype(np.float32).mean(axis=2)
    # The lit points in the engine's scan order: x outer, y inner.
    brightness = values.T[mask.T].astype(np.float32)
    if values.dtype == np.bool_:
        brightness = np.ones_like(brightness)
    phase, measured, record = _engine.kinoform(
        mask, brightness, width, height, _reps(reps), bool(random_phase), seed_value, engine, iterations,
        method, limit,
    )
    refinement = None
    if record is not None:
        name, start, end, done, seconds = record
        refinement = Refinement(name, PhaseFigures(*start), PhaseFigures(*end), done, seconds)
    return Kinoform(phase, PhaseFigures(*measured), refinement)


def lookup_table(source=None, *, two_pi: int = 255) -> np.ndarray:
    """A modulator's lookup table: 256 grey levels, entry k for the phase
    k * 2*pi / 256.

    source: a lookup table file (a path) or its text, 256 lines of one number
        0 .. 255 (or an index and the number), as modulator makers ship them;
        a bad line raises ValueError naming it. Without it, the linear table
        whose grey level two_pi (1 .. 255) delays by 2*pi.
    """
    if source is None:
        return _engine.lookup_table(None, operator.index(two_pi))
    if isinstance(source, os.PathLike) or (isinstance(source, str) and "\n" not in source):
        with open(source, encoding="ascii", errors="replace") as file:
            source = file.read()
    return _engine.lookup_table(str(source), 255)


def slm_map(
    phase,
    panel: Optional[Tuple[int, int]] = None,
    *,
    pad: bool = False,
    tilt: Tuple[float, float] = (0.0, 0.0),
    lens: Optional[Tuple[float, float, float]] = None,
    lut=None,
) -> Tuple[np.ndarray, np.ndarray]:
    """A phase hologram on a modulator's panel.

    phase: rows x columns of phases in radians (a Kinoform's phase).
    panel: (width, height) in pixels; default the hologram's own size. The
        hologram is tiled over it from the top-left corner, or with pad=True
        centred with phase 0 around it.
    tilt: a blazed grating, (x, y) in cycles per pixel: it moves the image
        by tilt * panel size bins.
    lens: (focal length in m, wavelength in nm, pixel pitch in um).
    lut: a lookup table (lookup_table()); default the linear one for 255.

    Returns (levels, phase): uint8 grey levels through the table, and the
    panel's phase in 0 .. 2*pi, both (height, width).
    """
    values = _field(phase, "phase")
    width, height = (0, 0) if panel is None else (operator.index(panel[0]), operator.index(panel[1]))
    table = lookup_table() if lut is None else np.ascontiguousarray(lut, dtype=np.uint8)
    if table.shape != (256,):
        raise ValueError(f"a lookup table has 256 entries, not {table.size}")
    lens_terms = None if lens is None else tuple(float(v) for v in lens)
    if lens_terms is not None and len(lens_terms) != 3:
        raise ValueError("lens is (focal length in m, wavelength in nm, pixel pitch in um)")
    return _engine.panel_map(values, width, height, bool(pad), float(tilt[0]), float(tilt[1]), lens_terms, table)
