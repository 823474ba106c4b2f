"""Holograms of 3-D scenes in physical units: point clouds read from files
or made of a colour picture and its depth picture, and the field of their
points on a hologram plane at one or several wavelengths (the fields' way
along the axis is in _propagation.py). Every length is in metres and every
angle in radians. Part of the package marbleck, which exports these
functions."""

from __future__ import annotations

import math
import numbers
import operator
import os
from typing import Any, List, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import _engine
from ._arguments import _threads, _time_limit
from ._records import Hologram, Points

#: The encodings of a scene's field: "complex" (the field itself), "phase"
#: (its phase, for a modulator), "amplitude" (its interference with an
#: off-axis reference, 0 .. 1, for printing) and "double-phase".
ENCODINGS: Tuple[str, ...] = tuple(_engine.encodings)

#: The methods of point_hologram(): "points", the exact sum of every point's
#: spherical wave, and "layers", the points on depth layers carried to the
#: hologram by the angular spectrum.
SCENE_METHODS: Tuple[str, ...] = ("points", "layers")

#: The red, green and blue wavelengths in metres whose channels a colour
#: scene's fields take: a wavelength takes the channel of the nearest.
COLOUR_WAVELENGTHS: Tuple[float, float, float] = (638e-9, 520e-9, 450e-9)

# The most values of all the fields of one call (2 GiB of complex64).
_MOST_FIELD_VALUES = 2**28
# Beyond these a length is surely not in metres.
_MOST_PITCH = 1e-2
_MOST_WAVELENGTH = 1e-4


def read_points(path: Union[str, "os.PathLike[str]", bytes]) -> Points:
    """The points of a point-cloud file, by the reader of the window and
    marbleck-cli: PLY (ASCII or binary little-endian; the vertices' x, y, z
    in metres, with an optional intensity or red, green, blue) for a name
    ending in .ply, XYZ text ("x y z [amplitude]" a line) for .xyz.

    Returns Points (positions N x 3 in metres, colours N x 3, coloured).
    Raises FileNotFoundError where there is no such file, OSError where it
    cannot be read (a folder, a pipe or device, no access, too large), and
    ValueError where it is no point cloud, naming the line or vertex and the
    field at fault, or where its name has neither ending.
    """
    name = os.fsencode(path)
    extension = os.path.splitext(name)[1].lower()
    if extension not in (b".ply", b".xyz"):
        raise ValueError(f"{os.fsdecode(name)}: a point cloud's name ends in .ply or .xyz")
    positions, colours, coloured = _engine.read_points(name, ply=extension == b".ply")
    return Points(positions, colours, bool(coloured))


def _number(value: Any, name: str, unit: str, most: float = float("inf"), *, positive: bool = True) -> float:
    """A finite number, above 0 where positive and up to most."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise ValueError(f"{name} must be a number of {unit}, not {value!r}")
    number = float(value)
    if not np.isfinite(number) or (positive and number <= 0) or number > most:
        bound = f" up to {most:g}" if most != float("inf") else ""
        raise ValueError(f"{name} must be {'above 0' if positive else 'finite'}{bound} ({unit}), not {value!r}")
    return number


def _picture_colours(colour: npt.ArrayLike) -> np.ndarray:
    """A colour picture as rows x columns x 3, uint8 or float32 0 .. 1."""
    values = np.asarray(colour)
    if values.ndim == 2:
        values = np.repeat(values[:, :, np.newaxis], 3, axis=2)
    elif values.ndim == 3 and values.shape[2] in (3, 4):
        values = values[:, :, :3]
    else:
        raise ValueError(
            f"the colour must be rows x columns (grey) or x 3 (RGB) or x 4 (RGBA), not {values.shape}"
        )
    if values.dtype == np.uint8:
        return np.ascontiguousarray(values)
    if values.dtype == np.uint16:
        return np.ascontiguousarray(values / np.float32(65535), dtype=np.float32)
    if values.dtype == np.bool_ or not np.issubdtype(values.dtype, np.floating):
        raise ValueError(f"the colour must hold uint8 or uint16 levels or floats 0 .. 1, not {values.dtype}")
    return np.ascontiguousarray(values, dtype=np.float32)


def rgbd_points(
    colour: npt.ArrayLike, depth: npt.ArrayLike, near: float, far: float, *, pitch: float
) -> Points:
    """The points of a colour picture and its depth picture of the same size:
    one point for every pixel with light in any channel, at
    x = (c - (W - 1)/2) * pitch, y = (r - (H - 1)/2) * pitch and
    z = near + (far - near) * level / largest level, its colour the pixel's.

    colour: rows x columns x 3 (RGB; an alpha channel beside them is left
        out), or rows x columns of grey; uint8 levels (level / 255), uint16
        (level / 65535) or floats 0 .. 1; a PIL image as numpy takes it.
    depth: rows x columns of grey levels, uint8 (255 the farthest) or uint16
        (65535 the farthest); 0 is the nearest.
    near, far: the distances in metres that depth 0 and the largest level
        stand for (0 < near <= far).
    pitch: the points' spacing in metres, the object pitch (the command
        line's --object-pitch; the hologram's pixel pitch, say).

    Returns coloured Points. Raises ValueError for sizes that differ, values
    outside their range, or distances that are not numbers as above.
    """
    values = _picture_colours(colour)
    levels = np.asarray(depth)
    if levels.dtype not in (np.uint8, np.uint16):
        raise ValueError(
            f"the depth must hold uint8 or uint16 levels (depth.astype(numpy.uint16)), not {levels.dtype}"
        )
    if levels.ndim != 2 or levels.shape != values.shape[:2]:
        raise ValueError(f"the depth must be rows x columns as the colour {values.shape[:2]}, not {levels.shape}")
    largest = 255 if levels.dtype == np.uint8 else 65535
    positions, colours, coloured = _engine.rgbd_points(
        values, np.ascontiguousarray(levels, dtype=np.uint16), largest_level=largest,
        near=_number(near, "near", "metres"), far=_number(far, "far", "metres"),
        pitch=_number(pitch, "pitch", "metres", _MOST_PITCH),
    )
    return Points(positions, colours, bool(coloured))


def _scene_arrays(points: Any) -> Tuple[np.ndarray, np.ndarray, bool]:
    """Positions (float64) and colours (float32), both N x 3 and C-ordered,
    and whether they are coloured, of Points or of an N x 3 (x, y, z) or
    N x 4 (x, y, z, amplitude) array."""
    if isinstance(points, Points):
        positions, colours = np.asarray(points.positions), np.asarray(points.colours)
        if positions.ndim != 2 or positions.shape[1] != 3 or colours.shape != positions.shape:
            raise ValueError(
                f"Points hold positions and colours of N x 3, not {positions.shape} and {colours.shape}"
            )
        coloured = bool(points.coloured)
    else:
        values = np.asarray(points)
        if values.ndim != 2 or values.shape[1] not in (3, 4):
            raise ValueError(
                f"points must be Points or N x 3 (x, y, z) or N x 4 (x, y, z, amplitude), not {values.shape}"
            )
        positions = values[:, :3]
        amplitude = values[:, 3:] if values.shape[1] == 4 else np.ones((len(values), 1), np.float32)
        colours = np.repeat(np.asarray(amplitude, dtype=np.float32), 3, axis=1)
        coloured = False
    named: Tuple[Tuple[np.ndarray, str], ...] = ((positions, "positions"), (colours, "colours"))
    for array, name in named:
        if np.iscomplexobj(array) or array.dtype == np.bool_ or not np.issubdtype(array.dtype, np.number):
            raise ValueError(f"the points' {name} must be real numbers, not {array.dtype}")
    if len(positions) > _engine.max_scene_points:
        raise MemoryError(f"{len(positions)} points, more than the engine takes ({_engine.max_scene_points})")
    return (np.ascontiguousarray(positions, dtype=np.float64), np.ascontiguousarray(colours, dtype=np.float32),
            coloured)


def _wavelengths(wavelength: Any) -> Tuple[List[float], bool]:
    """The wavelengths in metres and whether one was given alone."""
    unit = "metres: 633e-9 for 633 nm"
    if isinstance(wavelength, (str, bytes)) or np.ndim(wavelength) == 0:
        return [_number(wavelength, "wavelength", unit, _MOST_WAVELENGTH)], True
    values = [_number(w, "wavelength", unit, _MOST_WAVELENGTH) for w in np.asarray(wavelength).tolist()]
    if not values:
        raise ValueError("wavelength must be a number or one or more numbers (metres)")
    return values, False


def _channel(wavelength: float) -> int:
    """The colour channel of the red, green, blue wavelength nearest."""
    return int(np.argmin([abs(wavelength - w) for w in COLOUR_WAVELENGTHS]))


def _seed(random_phase: bool, seed: Optional[int]) -> int:
    if seed is not None and not random_phase:
        raise ValueError("seed needs random_phase=True")
    if seed is None:
        return int(np.random.SeedSequence().generate_state(1, np.uint64)[0]) if random_phase else 0
    value = operator.index(seed)
    if not 0 <= value < 2**64:
        raise ValueError(f"seed must be a whole number from 0 to 2**64 - 1, not {seed!r}")
    return value


def _reference_sines(
    angle: Union[float, Tuple[float, float]], encode: str, radians: bool, pitch: float, wavelengths: List[float]
) -> Tuple[float, float]:
    """The sines of reference_angle's degrees, checked against the pitch's
    limit at the shortest wavelength."""
    if encode != "amplitude":
        raise ValueError("reference_angle is the amplitude encoding's")
    if radians:
        raise ValueError("give reference (radians) or reference_angle (degrees), not both")
    pair = angle if isinstance(angle, (tuple, list)) else (angle, 0.0)
    if len(pair) != 2:
        raise ValueError("reference_angle is degrees along x, or (along x, along y)")
    degrees = [_number(value, "reference_angle", "degrees from the axis", positive=False) for value in pair]
    if not all(abs(value) < 90 for value in degrees):
        raise ValueError(f"reference_angle must be under 90 degrees from the axis, not {angle!r}")
    shortest = min(wavelengths)
    limit = shortest / (2 * pitch)
    for value in degrees:
        if abs(math.sin(math.radians(value))) > limit:
            raise ValueError(
                f"reference_angle {value:.3g} gives fringes finer than a pitch of {pitch * 1e6:.3g} um carries at "
                f"{shortest * 1e9:.3g} nm: sin of the angle must be at most {limit:.3g} "
                f"({math.degrees(math.asin(min(1.0, limit))):.3g} degrees)"
            )
    return (math.sin(math.radians(degrees[0])), math.sin(math.radians(degrees[1])))


def point_hologram(
    points: Any,
    shape: Tuple[int, int],
    pitch: float,
    wavelength: npt.ArrayLike,
    *,
    method: str = "points",
    encode: str = "complex",
    layers: Optional[int] = None,
    occlusion: bool = False,
    random_phase: bool = False,
    seed: Optional[int] = None,
    panel_limit: bool = True,
    reference: Optional[Tuple[float, float]] = None,
    reference_angle: Union[float, Tuple[float, float], None] = None,
    time_limit: Optional[float] = None,
    nthreads: int = 0,
) -> Hologram:
    """The hologram of a 3-D scene's points on the plane z = 0.

    points: Points (read_points(), rgbd_points()), or an N x 3 array of x, y,
        z in metres (each point of amplitude 1), or N x 4 with each point's
        amplitude last. The value at row r, column c lies at
        x = (c - (columns - 1)/2) * pitch, y = (r - (rows - 1)/2) * pitch;
        every point needs z > 0 (in front of the hologram).
    shape: (rows, columns) of the hologram.
    pitch: its pixel pitch in metres (8e-6 for 8 um).
    wavelength: in metres (633e-9 for 633 nm), or several (a colour
        hologram: COLOUR_WAVELENGTHS); each field takes its amplitudes from
        the colour channel of the nearest of red 638, green 520 and blue
        450 nm (one grey for a scene that is not coloured).
    method: "points", the exact sum U = sum_j a_j / r_j * exp(i(k r_j +
        phi_j)) in single precision where it is safe (each point's k z_j in
        double); "layers", the points on depth layers (layers of them, by
        default one for each distinct depth, up to 256) carried to the plane
        by the band-limited angular spectrum, with occlusion each layer
        masked by the nearer ones.
    encode: "complex" (complex64, the field), "phase" (float32 arg U in
        0 .. 2*pi), "double-phase" (float32 radians 0 .. 2*pi) or
        "amplitude" (float32 0 .. 1: the field's interference with an
        off-axis plane reference wave, which marbleck.binarize() takes).
    random_phase: give every point a random phase; seed seeds them (default
        a fresh seed each call, kept as the result's seed attribute).
    panel_limit: a point lights only the values where its fringes stay
        within what the pitch can show (rho / r <= wavelength / (2 pitch));
        False lights every value (the points method only).
    reference: for "amplitude", the reference wave's angles (radians) to the
        axis in x and y; default a carrier at a quarter of the sampling
        frequency along x (sin = wavelength / (4 pitch)).
    reference_angle: the same in degrees, as marbleck-cli's
        --reference-angle takes it: one angle along x, or (along x, along
        y). An angle whose sine is above wavelength / (2 pitch) at any of
        the wavelengths gives fringes finer than the pitch carries and
        raises ValueError. Give reference or reference_angle, not both.
    time_limit: stop after this many seconds with TimeoutError (either
        method). Without it, a point sum of more than 2**38 points x values
        x wavelengths (many minutes), or a layer method whose transforms
        take more than 2**33 padded values (4 x rows x columns for each
        layer and one more, two a layer with occlusion, x wavelengths),
        raises ValueError before any work.
    nthreads: the threads it may use; 0 (the default) for every core.

    Returns a Hologram of shape (rows, columns), or (wavelengths, rows,
    columns) where wavelength is a sequence. More than 2**26 values a field,
    or 2**28 in all, raise MemoryError before any work; bad arguments, and
    points behind the plane or not numbers, ValueError. Runs without the
    interpreter's lock; Ctrl+C stops it with KeyboardInterrupt.
    """
    positions, colours, coloured = _scene_arrays(points)
    try:
        rows, columns = (operator.index(side) for side in shape)
    except (TypeError, ValueError):
        raise ValueError(f"shape must be (rows, columns), two whole numbers, not {shape!r}") from None
    if rows < 1 or columns < 1:
        raise ValueError(f"shape must be (rows, columns), each 1 or more, not {shape!r}")
    pitch_value = _number(pitch, "pitch", "metres: 8e-6 for 8 um", _MOST_PITCH)
    wavelengths, alone = _wavelengths(wavelength)
    if rows * columns > _engine.max_values:
        raise MemoryError(
            f"a hologram of {rows} x {columns} values is more than the engine takes ({_engine.max_values})"
        )
    if rows * columns * len(wavelengths) > _MOST_FIELD_VALUES:
        raise MemoryError(
            f"{len(wavelengths)} fields of {rows} x {columns} values are more than 2**28 values in all"
        )
    if method not in SCENE_METHODS:
        raise ValueError(f"unknown method {method!r} (the methods: {', '.join(SCENE_METHODS)})")
    if encode not in ENCODINGS:
        raise ValueError(f"unknown encoding {encode!r} (the encodings: {', '.join(ENCODINGS)})")
    if method != "layers" and (layers is not None or occlusion):
        raise ValueError("layers and occlusion are the layers method's")
    if method == "layers" and not panel_limit:
        raise ValueError("panel_limit is the points method's (the layers method is band-limited)")
    layer_count = 0
    if layers is not None:
        if isinstance(layers, bool):
            raise ValueError(f"layers must be a whole number, not {layers!r}")
        layer_count = operator.index(layers)
        if not 1 <= layer_count <= 65536:
            raise ValueError(f"layers must be 1 to 65536, not {layers!r}")
    sines = None
    if reference is not None:
        if encode != "amplitude":
            raise ValueError("reference is the amplitude encoding's")
        if len(reference) != 2:
            raise ValueError("reference is (angle in x, angle in y), in radians")
        sines = (float(np.sin(_number(reference[0], "reference angle", "radians", positive=False))),
                 float(np.sin(_number(reference[1], "reference angle", "radians", positive=False))))
    if reference_angle is not None:
        sines = _reference_sines(reference_angle, encode, reference is not None, pitch_value, wavelengths)
    seed_value = _seed(bool(random_phase), seed)
    channels = [_channel(w) for w in wavelengths]
    limit, threads = _time_limit(time_limit), _threads(nthreads)
    if method == "layers":
        fields = _engine.layer_hologram(
            positions, colours, coloured=coloured, columns=columns, rows=rows, pitch=pitch_value,
            wavelengths=wavelengths, channels=channels, encode=encode, layers=layer_count,
            occlusion=bool(occlusion), random_phase=bool(random_phase), seed=seed_value, reference=sines,
            time_limit=limit, nthreads=threads,
        )
    else:
        fields = _engine.point_hologram(
            positions, colours, coloured=coloured, columns=columns, rows=rows, pitch=pitch_value,
            wavelengths=wavelengths, channels=channels, encode=encode, random_phase=bool(random_phase),
            seed=seed_value, panel_limit=bool(panel_limit), reference=sines, time_limit=limit, nthreads=threads,
        )
    result = (fields[0] if alone else fields).view(Hologram)
    result.seed = seed_value if random_phase else None
    return result
