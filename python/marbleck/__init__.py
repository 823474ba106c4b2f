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

make() makes a hologram of any kind of the engine's kinds table (kinds()
lists them and their options) as marbleck-cli does:

    >>> made = marbleck.make(numpy.eye(8), 2, kind="phase", refine=3)
    >>> made.levels.shape
    (16, 16)

A field handed in may be float (its values), bool (0 and 1), uint8 grey
levels (level / 255, as grey_levels() gives them and PNG files hold) or
uint16 grey levels (level / 65535); reconstruct() and figures() also take a
complex transmittance (a phase hologram's ``numpy.exp(1j * phase)``). An
array larger than the engine takes (more than 2**26 values) raises
MemoryError before anything is copied.

3-D scenes are in physical units: metres and radians. read_points() reads
a point cloud (PLY, XYZ), rgbd_points() makes one of a colour picture and
its depth picture, and point_hologram() gives the field of their points on
a hologram of a size in pixels, a pitch and one or more wavelengths;
propagate() takes a field any distance by the band-limited angular spectrum
and refocus() shows a hologram's light at any depth:

    >>> points = numpy.array([[0.0, 0.0, 0.1]])   # x, y, z in metres
    >>> u = marbleck.point_hologram(points, (64, 64), 8e-6, 633e-9)
    >>> u.dtype, u.shape
    (dtype('complex64'), (64, 64))
    >>> picture = marbleck.refocus(u, 0.1, 8e-6, 633e-9)   # the point in focus

Every call that works takes nthreads, the threads it may use (the calling
one included): 0, the default, for every core, 1 for the calling thread
alone. Calls release the interpreter's lock, so calls from several Python
threads run side by side, and stop on Ctrl+C with KeyboardInterrupt,
returning nothing; a SIGINT handler of the program's own that does not raise
lets them run on.
"""

from __future__ import annotations

import operator
from typing import Optional, Tuple

import numpy as np
import numpy.typing as npt

from . import _engine
from ._arguments import _mask, _reps, _size, _sources, _threads, _time_limit, _transmittance, _values
from ._kinds import kinds, make
from ._phase import kinoform, lookup_table, slm_map
from ._propagation import colour_refocus, focus_figures, propagate, refocus
from ._scenes import COLOUR_WAVELENGTHS, ENCODINGS, SCENE_METHODS, point_hologram, read_points, rgbd_points
from ._records import (
    Binarized,
    Figures,
    FocusFigures,
    Hologram,
    Kind,
    KindHologram,
    KindOption,
    Kinoform,
    Optimisation,
    PhaseFigures,
    Physical,
    Points,
    Refinement,
    _figures,
    _optimisation,
)

#: The project's version.
__version__: str = _engine.version

__all__ = [
    "Hologram",
    "Binarized",
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
    "Optimisation",
    "Physical",
    "PhaseFigures",
    "Refinement",
    "Kinoform",
    "kinds",
    "make",
    "Kind",
    "KindOption",
    "KindHologram",
    "REFINEMENTS",
    "ENGINES",
    "METHODS",
    "read_points",
    "rgbd_points",
    "point_hologram",
    "propagate",
    "refocus",
    "colour_refocus",
    "focus_figures",
    "FocusFigures",
    "Points",
    "ENCODINGS",
    "SCENE_METHODS",
    "COLOUR_WAVELENGTHS",
]

#: The engines of the engine table: "exact" gives "Calculate"'s values bit for
#: bit, "fast" (matrix products) and "czt" (chirp-z transforms, the quickest
#: on large holograms) agree with it to within rounding, "reference" is the
#: plain recurrence on one thread.
ENGINES: Tuple[str, ...] = tuple(_engine.engines)
#: The binarization methods: "threshold", "balanced" (the hologram's median)
#: and "optimised" (iterative, needs the object).
METHODS: Tuple[str, ...] = tuple(_engine.methods)

#: The refinements of a kinoform: "gs" (Gerchberg-Saxton) and "weighted"
#: (weighted Gerchberg-Saxton, which evens the points' brightness).
REFINEMENTS: Tuple[str, ...] = tuple(_engine.refinement_methods)


def hologram(
    obj: npt.ArrayLike,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    time_limit: Optional[float] = None,
    nthreads: int = 0,
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
    engine: a name of ENGINES: "exact" ("Calculate"'s values bit for bit,
        the default), "fast" or "czt" (the same to within rounding, several
        and many times quicker) or "reference".
    size: (W, H), the object's size when it is fractional (a canvas measured
        in user units); obj then holds its whole samples. Default: its shape.
    time_limit: stop after this many seconds with TimeoutError. Without it
        the "exact" and "reference" engines refuse more than 2**38 points x
        values (minutes of work) with ValueError and an estimate, before any
        work.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns a Hologram, a float32 NumPy array of shape (rows, columns), row v
    at index v, with the seed of its random phases as its seed attribute. It
    is a Fortran-ordered view of the engine's own values, not a copy.
    Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    field = _engine.hologram(
        mask, width, height, _reps(reps), random_phase=bool(random_phase), seed=seed_value, engine=engine,
        time_limit=_time_limit(time_limit), nthreads=_threads(nthreads),
    ).view(Hologram)
    field.seed = seed_value if random_phase else None
    return field


def binarize(
    field: npt.ArrayLike,
    method: str = "threshold",
    threshold: float = 0.6,
    budget: Optional[float] = None,
    *,
    obj: Optional[npt.ArrayLike] = None,
    reps: Optional[float] = None,
    size: Optional[Tuple[float, float]] = None,
    max_iterations: int = 0,
    nthreads: int = 0,
) -> Binarized:
    """A binarized hologram: a Binarized float32 array, 1 where white and 0
    where black, with the threshold used and the optimisation's record.

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
    nthreads: the threads it may use; 0 (the default) for every core.

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
    threads = _threads(nthreads)
    binary, used, record = _engine.binarize(
        values, method, threshold=threshold_value, budget=budget_value, max_iterations=int(max_iterations),
        mask=mask, width=width, height=height, reps=reps_value, nthreads=threads,
    )
    result = binary.view(Binarized)
    result.threshold = used
    result.optimisation = _optimisation(record)
    return result


def reconstruct(t: npt.ArrayLike, zero_order: bool = False, *, nthreads: int = 0) -> npt.NDArray[np.float32]:
    """The far field of a hologram: the intensity |FFT2(t)|**2, centred.

    t: a hologram (normalised 0 .. 1, or binarized 0 / 1, or its grey levels
        as uint8 or uint16); its transmittance is its grey level / 255, as
        the program reconstructs what it shows. A real value outside 0 .. 1
        raises ValueError. A complex t is the transmittance itself, such as
        a phase hologram's numpy.exp(1j * phase).
    zero_order: keep the undiffracted light; by default the mean of t is
        taken away first so that the centre does not outshine the object.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns float32 of t's shape, unnormalised, zero frequency at
    (rows // 2, columns // 2); the object's image and its twin lie
    point-mirrored through the centre (a complex t has no twin of its own).
    """
    values = _transmittance(t)
    threads = _threads(nthreads)
    if np.iscomplexobj(values):
        return _engine.reconstruct_complex(values, remove_zero_order=not zero_order, nthreads=threads)
    return _engine.reconstruct(values, remove_zero_order=not zero_order, nthreads=threads)


def figures(
    t: npt.ArrayLike,
    obj: npt.ArrayLike,
    reps: float,
    *,
    size: Optional[Tuple[float, float]] = None,
    nthreads: int = 0,
) -> Figures:
    """The figures of hologram t of object obj at repetition factor reps (as
    given to hologram()); t as reconstruct() takes it, complex included.
    nthreads: the threads it may use; 0 (the default) for every core."""
    values = _transmittance(t)
    mask = _mask(obj)
    width, height = _size(mask, size)
    threads = _threads(nthreads)
    if np.iscomplexobj(values):
        return _figures(_engine.figures_complex(values, mask, width, height, _reps(reps), nthreads=threads))
    return _figures(_engine.figures(values, mask, width, height, _reps(reps), nthreads=threads))


def grey_levels(field: npt.ArrayLike) -> npt.NDArray[np.uint8]:
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
        raise ValueError(f"shape must be (rows, columns), each from 0 to 2**31 - 1, not {shape!r}")
    values = _engine.physical(
        columns, rows, dpi=float(dpi), scale=float(scale), wavelength_nm=float(wavelength_nm),
        distance_m=float(distance_m),
    )
    if shape is None:
        values["width_mm"] = values["height_mm"] = None
    return Physical(**values)

