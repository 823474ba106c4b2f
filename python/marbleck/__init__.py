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

A field handed in may be float (its values), bool (0 and 1), uint8 grey
levels (level / 255, as grey_levels() gives them and PNG files hold) or
uint16 grey levels (level / 65535); reconstruct() and figures() also take a
complex transmittance (a phase hologram's ``numpy.exp(1j * phase)``). An
array larger than the engine takes (more than 2**26 values) raises
MemoryError before anything is copied.

Long calculations release the interpreter's lock and stop on Ctrl+C with
KeyboardInterrupt, returning nothing; a SIGINT handler of the program's own
that does not raise lets them run on.
"""

from __future__ import annotations

import dataclasses
import operator
from typing import Optional, Tuple

import numpy as np

from . import _engine
from ._arguments import _brightness, _field, _mask, _reps, _size, _sources, _time_limit, _transmittance, _values

#: The project's version.
__version__: str = _engine.version

__all__ = [
    "Hologram",
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
    #: The seed of the random phases (None without random_phase).
    seed: Optional[int] = None

    def __repr__(self) -> str:
        rows, columns = self.phase.shape
        return (
            f"Kinoform(phase=<{rows} x {columns} {self.phase.dtype}>, figures={self.figures!r}, "
            f"refinement={self.refinement!r}, seed={self.seed!r})"
        )


class Hologram(np.ndarray):
    """A hologram as hologram() returns it: a float32 NumPy array whose seed
    is that of its random phases (None without random_phase), so that a
    hologram of fresh random phases can be made again."""

    seed: Optional[int]

    def __array_finalize__(self, obj) -> None:
        self.seed = getattr(obj, "seed", None)


def hologram(
    obj,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    time_limit: Optional[float] = None,
) -> Hologram:
    """The hologram of an object, normalised to 0 .. 1.

    obj: a 2-D array rows first (bool, integers or floats; every value that
        is not 0 is a lit point of amplitude 1), or anything numpy.asarray
        takes, such as a list of lists or a PIL image (a pixel that is not
        black is lit). A NaN, infinite, negative or complex value raises
        ValueError.
    reps: the repetition factor R; the hologram has R*H rows and R*W columns
        (R*W - 1 rounded half to even, plus 1). A factor that leaves no
        hologram raises ValueError; a hologram of more than 2**26 values
        raises MemoryError, both before any work.
    random_phase: give every point the phase of its own random draw; seed
        seeds them (default: a fresh seed from the system each call, which
        the result's seed attribute gives). Without it every phase is 0.
    engine: "exact" ("Calculate"'s values bit for bit, the default), "fast"
        (the same to within rounding, several times quicker) or "reference".
    size: (W, H), the object's size when it is fractional (a canvas measured
        in user units); obj then holds its whole samples. Default: its shape.
    time_limit: stop after this many seconds with TimeoutError. Without it
        the "exact" and "reference" engines refuse more than 2**38 points x
        values (minutes of work) with ValueError and an estimate, before any
        work.

    Returns a Hologram, a float32 NumPy array of shape (rows, columns), row v
    at index v, with the seed of its random phases as its seed attribute. It
    is a Fortran-ordered view of the engine's own values, not a copy.
    Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    field = _engine.hologram(
        mask, width, height, _reps(reps), bool(random_phase), seed_value, engine, _time_limit(time_limit)
    ).view(Hologram)
    field.seed = seed_value if random_phase else None
    return field


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

    field: a hologram's values (floats, normally 0 .. 1), or grey levels as
        uint8 (0 .. 255) or uint16 (0 .. 65535), each then level / white.

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
    values = _values(field)
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

    t: a hologram (normalised 0 .. 1, or binarized 0 / 1, or its grey levels
        as uint8 or uint16); its transmittance is its grey level / 255, as
        the program reconstructs what it shows. A real value outside 0 .. 1
        raises ValueError. A complex t is the transmittance itself, such as
        a phase hologram's numpy.exp(1j * phase).
    zero_order: keep the undiffracted light; by default the mean of t is
        taken away first so that the centre does not outshine the object.

    Returns float32 of t's shape, unnormalised, zero frequency at
    (rows // 2, columns // 2); the object's image and its twin lie
    point-mirrored through the centre (a complex t has no twin of its own).
    """
    values = _transmittance(t)
    if np.iscomplexobj(values):
        return _engine.reconstruct_complex(values, not zero_order)
    return _engine.reconstruct(values, not zero_order)


def figures(t, obj, reps: float, *, size: Optional[Tuple[float, float]] = None) -> Figures:
    """The fidelity, uniformity and efficiency of hologram t of object obj at
    repetition factor reps (as given to hologram()); t as reconstruct()
    takes it, complex included."""
    values = _transmittance(t)
    mask = _mask(obj)
    width, height = _size(mask, size)
    measure = _engine.figures_complex if np.iscomplexobj(values) else _engine.figures
    return Figures(*measure(values, mask, width, height, _reps(reps)))


def grey_levels(field) -> np.ndarray:
    """The grey levels "Calculate" paints: value * 255 in float32, rounded
    half to even, clamped to 0 .. 255, as uint8 of the field's shape; grey
    levels (uint8, uint16) as binarize() takes them."""
    return _engine.grey_levels(np.ascontiguousarray(_values(field, any_shape=True)))


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
    if not (0 <= rows < 2**31 and 0 <= columns < 2**31):
        raise ValueError(f"shape must be (rows, columns), each from 0 to 2**31 - 1, not {tuple(shape)!r}")
    values = _engine.physical(columns, rows, float(dpi), float(scale), float(wavelength_nm), float(distance_m))
    if shape is None:
        values["width_mm"] = values["height_mm"] = None
    return Physical(**values)


# The phase holograms' functions live beside this file; they use the checks
# and records above, so they are imported once those exist.
from ._phase import kinoform, lookup_table, slm_map  # noqa: E402
