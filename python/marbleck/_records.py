"""What the package's calls return: the figures of a hologram, the records of
what an optimisation and a refinement did, a kinoform, a print's physical
sizes, and the arrays that carry how they were made. Part of the package
marbleck, which exports them."""

from __future__ import annotations

import dataclasses
import typing
from typing import Any, Dict, Optional, Tuple

import numpy as np
import numpy.typing as npt


@dataclasses.dataclass(frozen=True)
class Figures:
    """What the far field of a hologram says of it, the same five figures for
    every kind, as marbleck-cli's report names them; each lit point's spot is
    the 3 x 3 bins round its bin.

    fidelity: the mean intensity on the object's points over the mean on the
    noise (zero order removed). spread: the standard deviation of the spots'
    light over its mean (0 is even). uniformity: 1 - (max - min) / (max +
    min) of the spots' light (1 is even). efficiency: the share of all the
    light, zero order included, on the spots. signalShare: the share of the
    diffracted light (zero order removed) on the object and its twin.

    NaN where a figure is none: no lit point, no light, or a figure a record
    does not measure (an optimisation's uniformity and efficiency, a
    refinement's signal share).
    """

    fidelity: float
    spread: float
    uniformity: float
    efficiency: float
    signalShare: float  # noqa: N815 (the figure's name everywhere)


#: The figures of a phase hologram: the same record.
PhaseFigures = Figures


def _figures(named: Dict[str, float]) -> Figures:
    """Figures from the engine's figures by name."""
    return Figures(**named)


@dataclasses.dataclass(frozen=True)
class Optimisation:
    """What the optimised binarization did: the figures of the balanced
    hologram it started from and of its result, the steps taken, the seconds,
    and whether it kept the balanced hologram because nothing it found showed
    the object better."""

    before: Figures
    after: Figures
    iterations: int
    seconds: float
    keptBalanced: bool  # noqa: N815 (the record's name everywhere)


def _optimisation(record: Optional[Dict[str, Any]]) -> Optional[Optimisation]:
    if record is None:
        return None
    return Optimisation(
        _figures(record["before"]), _figures(record["after"]), int(record["iterations"]),
        float(record["seconds"]), bool(record["keptBalanced"]),
    )


@dataclasses.dataclass(frozen=True)
class Refinement:
    """What a refinement did: its method, the figures before and after, the
    iterations run and the seconds taken."""

    method: str
    before: Figures
    after: Figures
    iterations: int
    seconds: float


@dataclasses.dataclass(frozen=True)
class Kinoform:
    """A phase hologram: phase, float32 rows x columns in 0 .. 2*pi (a
    Fortran-ordered view of the engine's values), its figures and its
    refinement (None when not refined)."""

    phase: npt.NDArray[np.float32]
    figures: Figures
    refinement: Optional[Refinement]
    #: The seed of the random phases (None without random_phase).
    seed: Optional[int] = None

    def __repr__(self) -> str:
        rows, columns = self.phase.shape
        return (
            f"Kinoform(phase=<{rows} x {columns} {self.phase.dtype}>, figures={self.figures!r}, "
            f"refinement={self.refinement!r}, seed={self.seed!r})"
        )


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


class Hologram(np.ndarray):  # type: ignore[type-arg]
    """A hologram as hologram() and point_hologram() return it: a NumPy array
    (float32, or complex64 for a complex field) whose seed is that of its
    random phases (None without random_phase), so that a hologram of fresh
    random phases can be made again."""

    seed: Optional[int]

    def __array_finalize__(self, obj: Any) -> None:
        self.seed = getattr(obj, "seed", None)


class Binarized(np.ndarray):  # type: ignore[type-arg]
    """A binarized hologram as binarize() returns it: a float32 NumPy array of
    0 and 1, with the threshold its method used and, for the optimised
    method, what the optimisation did (None for the others)."""

    threshold: float
    optimisation: Optional[Optimisation]

    def __array_finalize__(self, obj: Any) -> None:
        self.threshold = getattr(obj, "threshold", float("nan"))
        self.optimisation = getattr(obj, "optimisation", None)


@dataclasses.dataclass(frozen=True)
class KindOption:
    """An option of a kind's post-processing: name, its keyword to make()
    (marbleck-cli's --refine-method is refine_method), value_name, the
    name of its value ("" for a switch, given as True), help, what it does,
    and file, whether its value names a file."""

    name: str
    value_name: str
    help: str
    file: bool


@dataclasses.dataclass(frozen=True)
class Kind:
    """An entry of the kinds table: its name (make()'s kind), its label as a
    menu shows it (without the mnemonic's "&"), what a status bar calls one
    just made, and its options."""

    name: str
    label: str
    caption: str
    options: Tuple[KindOption, ...]


@dataclasses.dataclass(frozen=True)
class KindHologram:
    """A hologram of any kind as make() returns it.

    kind: the kind's name. values: what a file of numbers holds (NumPy,
    TIFF), float32 rows x columns: an amplitude hologram's values 0 .. 1 (a
    binarized one's 0 and 1), a phase hologram's panel phase 0 .. 2*pi.
    levels: what a picture file holds (PNG, BMP), uint8 grey levels of the
    same shape. figures: the five figures (None with figures=False).
    record: what its iterative post-processing did (an optimisation, a
    refinement) by name, None without one. details: the kind's details by
    name, as marbleck-cli's report gives them. seed: the seed of the random
    phases (None without random_phase).
    """

    kind: str
    values: Optional[npt.NDArray[np.float32]]
    levels: Optional[npt.NDArray[np.uint8]]
    figures: Optional[Figures]
    record: Optional[Dict[str, Any]]
    details: Dict[str, Any]
    seed: Optional[int] = None

    def __repr__(self) -> str:
        shape = "None" if self.values is None else f"<{self.values.shape[0]} x {self.values.shape[1]}>"
        return (
            f"KindHologram(kind={self.kind!r}, values={shape}, figures={self.figures!r}, "
            f"record={self.record!r}, details={self.details!r}, seed={self.seed!r})"
        )


class Points(typing.NamedTuple):
    """The points of a 3-D scene, as read_points() and rgbd_points() return
    them and point_hologram() takes them.

    positions: float64, N x 3, each point's x, y, z in metres on the
    hologram's axes: x to the right along a row, y down a column, both from
    the plane's centre, z > 0 the point's distance in front of the hologram.
    colours: float32, N x 3, each point's amplitude in red, green and blue
    (0 .. 1 as read). coloured: whether the colours differ by channel (a PLY
    with red, green and blue, a colour picture) rather than being one grey.
    """

    positions: npt.NDArray[np.float64]
    colours: npt.NDArray[np.float32]
    coloured: bool

    def __repr__(self) -> str:
        return f"Points(<{len(self.positions)} points>, coloured={self.coloured!r})"


@dataclasses.dataclass(frozen=True)
class FocusFigures:
    """How well a hologram brings each point of a scene to focus: shares,
    float64, one a point, the light within 3 pixels (centre to centre) of
    the point's pixel at its own depth over all the light at that depth (NaN
    for a point off the plane or a dark picture); mean, their mean leaving
    those out (NaN when none is left)."""

    shares: npt.NDArray[np.float64]
    mean: float

    def __repr__(self) -> str:
        return f"FocusFigures(shares=<{len(self.shares)} points>, mean={self.mean!r})"
