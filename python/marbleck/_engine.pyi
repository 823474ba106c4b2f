# The compiled module's calls as the package uses them; mypy's stubtest
# checks this file against the module.
from typing import Any, Dict, List, Optional, Tuple

import numpy as np
import numpy.typing as npt

_Mask = npt.NDArray[np.bool_]
_Floats = npt.NDArray[np.float32]
_Levels = npt.NDArray[np.uint8]
_Figures = Dict[str, float]

refinement_work_bound: float
default_lens_wavelength: float
refinement_methods: List[str]
engines: List[str]
methods: List[str]
max_values: int
version: str

def hologram(
    mask: _Mask,
    width: float,
    height: float,
    reps: float,
    *,
    random_phase: bool,
    seed: int,
    engine: str,
    time_limit: float,
    nthreads: int = 0,
) -> _Floats: ...
def geometry(width: float, height: float, reps: float) -> Tuple[int, int, int, int, int, int]: ...
def grey_levels(values: _Floats) -> _Levels: ...
def physical(
    columns: int, rows: int, dpi: float, scale: float, wavelength_nm: float, distance_m: float
) -> Dict[str, Any]: ...
def binarize(
    values: _Floats,
    method: str,
    *,
    threshold: float,
    budget: float,
    max_iterations: int,
    mask: Optional[_Mask],
    width: float,
    height: float,
    reps: float,
    nthreads: int = 0,
) -> Tuple[_Floats, float, Optional[Dict[str, Any]]]: ...
def reconstruct(values: _Floats, *, remove_zero_order: bool, nthreads: int = 0) -> _Floats: ...
def reconstruct_complex(
    values: npt.NDArray[np.complex64], *, remove_zero_order: bool, nthreads: int = 0
) -> _Floats: ...
def figures(
    values: _Floats, mask: _Mask, width: float, height: float, reps: float, *, nthreads: int = 0
) -> _Figures: ...
def figures_complex(
    values: npt.NDArray[np.complex64], mask: _Mask, width: float, height: float, reps: float, *, nthreads: int = 0
) -> _Figures: ...
def kinoform(
    mask: _Mask,
    brightness: npt.NDArray[np.float32],
    width: float,
    height: float,
    reps: float,
    *,
    random_phase: bool,
    seed: int,
    engine: str,
    iterations: int,
    method: str,
    time_limit: float,
    nthreads: int = 0,
) -> Tuple[_Floats, _Figures, Optional[Tuple[str, _Figures, _Figures, int, float]]]: ...
def panel_map(
    phase: _Floats,
    *,
    width: int,
    height: int,
    pad: bool,
    tilt_x: float,
    tilt_y: float,
    lens: Optional[Tuple[float, float, float]],
    lut: _Levels,
    nthreads: int = 0,
) -> Tuple[_Levels, _Floats]: ...
def lookup_table(text: Optional[str | bytes], *, two_pi: int = 255) -> _Levels: ...
def lookup_file(path: bytes) -> _Levels: ...
def refinement_work(width: float, height: float, reps: float, iterations: int) -> Tuple[int, float]: ...
def brightness_of_levels(levels: _Levels) -> npt.NDArray[np.float32]: ...
def kinds() -> List[Tuple[str, str, str, List[Tuple[str, str, str, bool]]]]: ...
def make(
    mask: _Mask,
    brightness: npt.NDArray[np.float32],
    width: float,
    height: float,
    reps: float,
    *,
    kind: str,
    options: Dict[str, str],
    common: Dict[str, str],
    random_phase: bool,
    seed: int,
    engine: str,
    figures: bool,
    time_limit: float,
    nthreads: int = 0,
) -> Tuple[
    str, Optional[_Floats], Optional[_Levels], Optional[_Figures], Optional[Dict[str, Any]], Dict[str, Any]
]: ...
encodings: List[str]
max_scene_points: int

def read_points(path: bytes, *, ply: bool) -> Tuple[npt.NDArray[np.float64], _Floats, bool]: ...
def rgbd_points(
    colour: npt.NDArray[Any], depth: npt.NDArray[np.uint16], *, largest_level: int, near: float, far: float,
    pitch: float
) -> Tuple[npt.NDArray[np.float64], _Floats, bool]: ...
def point_hologram(
    positions: npt.NDArray[np.float64],
    colours: _Floats,
    *,
    coloured: bool,
    columns: int,
    rows: int,
    pitch: float,
    wavelengths: List[float],
    channels: List[int],
    encode: str,
    random_phase: bool,
    seed: int,
    panel_limit: bool,
    reference: Optional[Tuple[float, float]],
    time_limit: float,
    nthreads: int = 0,
) -> npt.NDArray[Any]: ...
def layer_hologram(
    positions: npt.NDArray[np.float64],
    colours: _Floats,
    *,
    coloured: bool,
    columns: int,
    rows: int,
    pitch: float,
    wavelengths: List[float],
    channels: List[int],
    encode: str,
    layers: int,
    occlusion: bool,
    random_phase: bool,
    seed: int,
    reference: Optional[Tuple[float, float]],
    time_limit: float,
    nthreads: int = 0,
) -> npt.NDArray[Any]: ...
def propagate(
    field: npt.NDArray[np.complex64], *, z: float, pitch: float, wavelength: float, nthreads: int = 0
) -> npt.NDArray[np.complex64]: ...
def refocus(
    field: npt.NDArray[np.complex64],
    *,
    depths: List[float],
    pitch: float,
    wavelength: float,
    scale: str,
    decades: float,
    nthreads: int = 0,
) -> _Floats: ...
def focus_figures(
    field: npt.NDArray[np.complex64],
    positions: npt.NDArray[np.float64],
    colours: _Floats,
    *,
    pitch: float,
    wavelength: float,
    nthreads: int = 0,
) -> Tuple[npt.NDArray[np.float64], float]: ...
def colour_refocus(
    fields: npt.NDArray[np.complex64],
    *,
    depths: List[float],
    pitch: float,
    wavelengths: List[float],
    log: bool,
    decades: float,
    nthreads: int = 0,
) -> _Floats: ...
