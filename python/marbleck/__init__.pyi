from dataclasses import dataclass
from typing import Any, Optional, Tuple

import numpy as np
import numpy.typing as npt

__version__: str

ENGINES: Tuple[str, ...]
METHODS: Tuple[str, ...]
REFINEMENTS: Tuple[str, ...]

@dataclass(frozen=True)
class Figures:
    fidelity: float
    uniformity: float
    efficiency: float

@dataclass(frozen=True)
class Physical:
    pitch_mm: float
    width_mm: Optional[float]
    height_mm: Optional[float]
    wavelength_nm: float
    distance_m: float
    max_angle_degrees: Optional[float]
    screen_image_mm: Optional[float]
    screen_span_mm: Optional[float]

class Hologram(np.ndarray[Any, np.dtype[np.float32]]):
    seed: Optional[int]

def hologram(
    obj: npt.ArrayLike,
    reps: float = 1,
    *,
    random_phase: bool = False,
    seed: Optional[int] = None,
    engine: str = "exact",
    size: Optional[Tuple[float, float]] = None,
    time_limit: Optional[float] = None,
) -> Hologram: ...
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
) -> npt.NDArray[np.float32]: ...
def reconstruct(t: npt.ArrayLike, zero_order: bool = False) -> npt.NDArray[np.float32]: ...
def figures(
    t: npt.ArrayLike, obj: npt.ArrayLike, reps: float, *, size: Optional[Tuple[float, float]] = None
) -> Figures: ...
def grey_levels(field: npt.ArrayLike) -> npt.NDArray[np.uint8]: ...
def physical(
    dpi: float,
    scale: float = 1,
    wavelength_nm: float = 633,
    distance_m: float = 1,
    *,
    shape: Optional[Tuple[int, int]] = None,
) -> Physical: ...

@dataclass(frozen=True)
class PhaseFigures:
    efficiency: float
    uniformity: float
    spread: float
    fidelity: float

@dataclass(frozen=True)
class Refinement:
    method: str
    start: PhaseFigures
    end: PhaseFigures
    iterations: int
    seconds: float

@dataclass(frozen=True)
class Kinoform:
    phase: npt.NDArray[np.float32]
    figures: PhaseFigures
    refinement: Optional[Refinement]
    seed: Optional[int] = None

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
) -> Kinoform: ...
def lookup_table(source: Any = None, *, two_pi: Optional[int] = None) -> npt.NDArray[np.uint8]: ...
def slm_map(
    phase: npt.ArrayLike,
    panel: Optional[Tuple[int, int]] = None,
    *,
    pad: bool = False,
    tilt: Tuple[float, float] = (0.0, 0.0),
    lens: Optional[Tuple[float, Optional[float], float]] = None,
    lut: Optional[npt.ArrayLike] = None,
) -> Tuple[npt.NDArray[np.uint8], npt.NDArray[np.float32]]: ...
