"""Phase holograms for a spatial light modulator: the kinoform of an object,
its panel map and the modulator's lookup tables. Part of the package
marbleck, which exports these functions."""

from __future__ import annotations

import operator
import os
from typing import Any, Optional, Tuple

import numpy as np

import numpy.typing as npt

from . import _engine
from ._arguments import _brightness, _field, _reps, _sources, _threads
from ._records import Kinoform, Refinement, _figures


def kinoform(
    obj: npt.ArrayLike,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    refine: int = 0,
    method: str = "gs",
    time_limit: Optional[float] = None,
    nthreads: int = 0,
) -> Kinoform:
    """The phase hologram of an object for a spatial light modulator: the
    phase of the complex sum of the same point sources hologram() sums, and
    with refine > 0 that many iterations of method ("gs" or "weighted").

    obj, reps, random_phase, seed, engine, size: as for hologram(). A lit
    point's value is its brightness (a relative intensity) for the
    refinement: a bool object asks for even points; a picture's point its
    brightest channel, uint8 levels as the window and the command line take
    them (level / 255).
    time_limit: stop refining after this many seconds, whatever refine says.
        Without it (or with 0), a refinement of more than 2**32 values x
        iterations (minutes of work) raises ValueError before any work.
        Sums of the exact or reference engine beyond hologram()'s bound
        raise ValueError without it too; with it, they run under the limit,
        which then bounds the whole call (TimeoutError when it passes).
    nthreads: the threads it may use; 0 (the default) for every core.
    A factor that leaves no hologram raises ValueError, as for hologram().
    Runs without the interpreter's lock; Ctrl+C stops it with
    KeyboardInterrupt.
    """
    mask, width, height, seed_value = _sources(obj, size, engine, random_phase, seed)
    if method not in _engine.refinement_methods:
        raise ValueError(
            f"unknown refinement {method!r} (the refinements: {', '.join(_engine.refinement_methods)})"
        )
    iterations = operator.index(refine)
    if not 0 <= iterations <= _MOST_ITERATIONS:
        raise ValueError(f"refine must be 0 to {_MOST_ITERATIONS} iterations, not {refine!r}")
    limit = 0.0 if time_limit is None else float(time_limit)
    if not (limit >= 0 and np.isfinite(limit)):
        raise ValueError(f"time_limit must be seconds, 0 or more, not {time_limit!r}")
    if iterations > 0 and limit == 0:
        work, seconds = _engine.refinement_work(width, height, _reps(reps), iterations)
        if work > _engine.refinement_work_bound:
            raise ValueError(
                f"refine={iterations} iterations x {round(work / iterations)} values is more than the "
                f"2**32 bound of a refinement (about {int(np.ceil(seconds / 60))} min here); give "
                "time_limit to go on"
            )
    threads = _threads(nthreads)
    brightness = _brightness(obj, mask)
    phase, measured, record = _engine.kinoform(
        mask, brightness, width, height, _reps(reps), random_phase=bool(random_phase), seed=seed_value,
        engine=engine, iterations=iterations, method=method, time_limit=limit, nthreads=threads,
    )
    refinement = None
    if record is not None:
        name, before, after, done, seconds = record
        refinement = Refinement(name, _figures(before), _figures(after), done, seconds)
    return Kinoform(phase, _figures(measured), refinement, seed_value if random_phase else None)


# The most iterations the engine counts.
_MOST_ITERATIONS = 2**31 - 1


def _table(levels: npt.ArrayLike) -> npt.NDArray[np.uint8]:
    """A lookup table given as its 256 grey levels (a list, a NumPy array):
    whole numbers 0 .. 255, as uint8."""
    values = np.asarray(levels)
    if values.shape != (256,):
        raise ValueError(f"a lookup table has 256 entries, not {values.size} in shape {values.shape}")
    if values.dtype == np.bool_ or not (
        np.issubdtype(values.dtype, np.integer) or np.issubdtype(values.dtype, np.floating)
    ):
        raise ValueError(f"a lookup table holds grey levels 0 to 255, not {values.dtype}")
    bad = ~((values >= 0) & (values <= 255))
    if np.issubdtype(values.dtype, np.floating):
        bad |= values != np.floor(values)
    if bad.any():
        k = int(np.argmax(bad))
        raise ValueError(f"entry {k}: {values[k].item()!r} is not a grey level 0 to 255")
    return values.astype(np.uint8)


def lookup_table(source: Any = None, *, two_pi: Optional[int] = None) -> npt.NDArray[np.uint8]:
    """A modulator's lookup table: 256 grey levels, entry k for the phase
    k * 2*pi / 256.

    source: a lookup table file (a path: str or os.PathLike), its text (a
        str of several lines, or bytes), or its 256 levels (a list or NumPy
        array of whole numbers 0 .. 255). The text is 256 lines of one number
        0 .. 255 (or an index and the number), as modulator makers ship them,
        read as marbleck-cli's --lut reads it: lines end at a newline, a bad
        line raises ValueError naming it, and a file that cannot be read
        (missing, a folder, a pipe or device, over 1 MiB) raises OSError.
    two_pi: without a source, the linear table whose grey level two_pi
        (1 .. 255, default 255) delays by 2*pi; with one, ValueError.
    """
    table: npt.NDArray[np.uint8]
    if source is None:
        table = _engine.lookup_table(None, two_pi=255 if two_pi is None else operator.index(two_pi))
    elif two_pi is not None:
        raise ValueError("two_pi makes the linear table; give it or a source, not both")
    elif isinstance(source, (bytes, bytearray, memoryview)):
        table = _engine.lookup_table(bytes(source))
    elif isinstance(source, os.PathLike) or (isinstance(source, str) and "\n" not in source):
        table = _engine.lookup_file(os.fsencode(source))
    elif isinstance(source, str):
        table = _engine.lookup_table(source)
    else:
        table = _table(source)
    return table


def slm_map(
    phase: npt.ArrayLike,
    panel: Optional[Tuple[int, int]] = None,
    *,
    pad: bool = False,
    tilt: Tuple[float, float] = (0.0, 0.0),
    lens: Optional[Tuple[float, Optional[float], float]] = None,
    lut: Optional[npt.ArrayLike] = None,
    nthreads: int = 0,
) -> Tuple[npt.NDArray[np.uint8], npt.NDArray[np.float32]]:
    """A phase hologram on a modulator's panel.

    phase: rows x columns of phases in radians (a Kinoform's phase).
    panel: (width, height) in pixels; default the hologram's own size. The
        hologram is tiled over it from the top-left corner, or with pad=True
        centred with phase 0 around it.
    tilt: a blazed grating, (x, y) in cycles per pixel, each from -0.5 to
        0.5: it moves the image by tilt * panel size bins.
    lens: (focal length in m, wavelength in nm, pixel pitch in um); a
        wavelength of None is 633 nm, as in the window and marbleck-cli.
    lut: a lookup table (lookup_table(), or 256 whole numbers 0 .. 255);
        default the linear one for 255.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns (levels, phase): uint8 grey levels through the table, and the
    panel's phase in 0 .. 2*pi, both (height, width). A phase that is not a
    finite number, a tilt beyond 0.5, or a lens whose phase on the panel is
    beyond any number raises ValueError.
    """
    values = _field(phase, "phase")
    width, height = (0, 0) if panel is None else (operator.index(panel[0]), operator.index(panel[1]))
    table = lookup_table() if lut is None else _table(lut)
    lens_terms = None
    if lens is not None:
        if len(lens) != 3:
            raise ValueError("lens is (focal length in m, wavelength in nm or None, pixel pitch in um)")
        focal, wavelength, pitch = lens
        lens_terms = (float(focal), _engine.default_lens_wavelength if wavelength is None else float(wavelength),
                      float(pitch))
    threads = _threads(nthreads)
    levels, panel_phase = _engine.panel_map(
        values, width=width, height=height, pad=bool(pad), tilt_x=float(tilt[0]), tilt_y=float(tilt[1]),
        lens=lens_terms, lut=table, nthreads=threads,
    )
    return levels, panel_phase
