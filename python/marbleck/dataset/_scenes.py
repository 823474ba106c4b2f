"""The scenes of a dataset: colour pictures with their depth levels, either
made by a seeded generator (textured shapes at random depths, the nearer
hiding the farther) or read from a folder of colour/depth picture pairs.

A scene is a colour picture, rows x columns x 3 uint8, and its depth levels,
rows x columns uint16: 0 at the near distance, 65535 at the far one, linear
between, as marbleck.rgbd_points() takes them."""

from __future__ import annotations

import errno
import math
import operator
import os
import typing
from typing import Any, List, Tuple, Union

import numpy as np

#: The largest depth level: the far distance.
FARTHEST = 65535

#: What a folder scene's depth picture is called beside its colour picture
#: NAME.png: NAME.depth.png.
DEPTH_SUFFIX = ".depth.png"
COLOUR_SUFFIX = ".png"

Scene = Tuple[np.ndarray, np.ndarray]
Size = Union[int, typing.Sequence[int]]


def scene_size(size: Size) -> Tuple[int, int]:
    """(rows, columns) of an int (a square) or of (rows, columns)."""
    if isinstance(size, bool):
        raise ValueError(f"size must be a whole number or (rows, columns), not {size!r}")
    try:
        if isinstance(size, (int, np.integer)):
            rows = columns = operator.index(size)
        else:
            values = list(size)
            if len(values) != 2 or any(isinstance(v, bool) for v in values):
                raise TypeError
            rows, columns = (operator.index(v) for v in values)
    except TypeError:
        raise ValueError(f"size must be a whole number or (rows, columns), not {size!r}") from None
    if not (1 <= rows <= 65536 and 1 <= columns <= 65536):
        raise ValueError(f"size must be 1 to 65536 each way, not {size!r}")
    return rows, columns


def _generator(seed: int, index: int) -> np.random.Generator:
    return np.random.Generator(np.random.PCG64(np.random.SeedSequence([seed, index])))


def _texture(rng: np.random.Generator, y: np.ndarray, x: np.ndarray, span: float, shape: Tuple[int, int]
             ) -> np.ndarray:
    """A texture's mix between two colours, 0 .. 1 at every (y, x) of a part
    of a picture of `shape`: stripes, a chequerboard or smooth noise, at a
    scale of a few to `span` pixels."""
    kind = rng.integers(3)
    angle = rng.uniform(0, math.pi)
    period = rng.uniform(3, max(4.0, span / 3))
    if kind == 2:
        # Noise: a coarse grid of random values over the whole picture,
        # bilinearly widened.
        cell = max(2.0, period)
        grid = rng.random((int(shape[0] / cell) + 2, int(shape[1] / cell) + 2)).astype(np.float32)
        gy, gx = y / cell, x / cell
        y0, x0 = gy.astype(int), gx.astype(int)
        fy, fx = (gy - y0).astype(np.float32), (gx - x0).astype(np.float32)
        top = grid[y0, x0] * (1 - fx) + grid[y0, x0 + 1] * fx
        bottom = grid[y0 + 1, x0] * (1 - fx) + grid[y0 + 1, x0 + 1] * fx
        return top * (1 - fy) + bottom * fy
    u = x * math.cos(angle) + y * math.sin(angle)
    if kind == 0:
        return (np.sin(u * (2 * math.pi / period)) > 0).astype(np.float32)
    v = -x * math.sin(angle) + y * math.cos(angle)
    return ((np.floor(u / period) + np.floor(v / period)) % 2).astype(np.float32)


def _painted(rng: np.random.Generator, y: np.ndarray, x: np.ndarray, span: float, shape: Tuple[int, int]
             ) -> np.ndarray:
    """A textured colour at every (y, x): rows x columns x 3 float32 0 .. 255."""
    first, second = rng.uniform(0, 255, 3).astype(np.float32), rng.uniform(0, 255, 3).astype(np.float32)
    mix = _texture(rng, y, x, span, shape)[:, :, None]
    return first * (1 - mix) + second * mix


def _inside_polygon(y: np.ndarray, x: np.ndarray, vertices: np.ndarray) -> np.ndarray:
    """Whether each (y, x) is inside the polygon (even-odd rule)."""
    inside = np.zeros(np.broadcast_shapes(y.shape, x.shape), dtype=bool)
    count = len(vertices)
    for k in range(count):
        (ya, xa), (yb, xb) = vertices[k], vertices[(k + 1) % count]
        if ya == yb:
            continue
        crosses = (ya > y) != (yb > y)
        at = xa + (y - ya) * (xb - xa) / (yb - ya)
        inside ^= crosses & (x < at)
    return inside


def _shape_mask(rng: np.random.Generator, rows: int, columns: int) -> Tuple[slice, slice, np.ndarray]:
    """A random rectangle, ellipse, triangle or polygon somewhere on the
    picture (it may run over an edge): the rows and columns of its bounding
    box on the picture and its mask there."""
    kind = rng.integers(4)
    cy, cx = rng.uniform(0, rows), rng.uniform(0, columns)
    scale = min(rows, columns)
    ry, rx = rng.uniform(0.08, 0.3, 2) * scale
    angle = rng.uniform(0, math.pi)
    vertices = None
    reach = math.hypot(rx, ry)
    if kind >= 2:
        corners = 3 if kind == 2 else int(rng.integers(4, 9))
        turns = np.sort(rng.uniform(0, 2 * math.pi, corners))
        radii = rng.uniform(0.4, 1.0, corners) * max(rx, ry)
        vertices = np.stack([cy + radii * np.sin(turns), cx + radii * np.cos(turns)], axis=1)
    box_rows = slice(max(0, int(cy - reach)), min(rows, int(cy + reach) + 2))
    box_columns = slice(max(0, int(cx - reach)), min(columns, int(cx + reach) + 2))
    y = np.arange(box_rows.start, box_rows.stop, dtype=np.float64)[:, None]
    x = np.arange(box_columns.start, box_columns.stop, dtype=np.float64)[None, :]
    if vertices is not None:
        return box_rows, box_columns, _inside_polygon(y, x, vertices)
    dy, dx = y - cy, x - cx
    u = dx * math.cos(angle) + dy * math.sin(angle)
    v = -dx * math.sin(angle) + dy * math.cos(angle)
    if kind == 0:
        return box_rows, box_columns, (np.abs(u) <= rx) & (np.abs(v) <= ry)
    return box_rows, box_columns, (u / rx) ** 2 + (v / ry) ** 2 <= 1


def synthetic_scene(
    index: int, seed: int, size: Size, near: float = 0.05, far: float = 0.1
) -> Scene:
    """Scene `index` of the seeded set `seed`: a textured background at the far
    distance and 4 to 12 textured shapes (rectangles, ellipses, triangles,
    polygons; stripes, chequers or noise in two random colours) at random
    depths between near and far (metres), painted from the farthest to the
    nearest so that nearer shapes hide what lies behind them.

    A pure function of (seed, index): its random numbers are those of
    numpy.random.PCG64(numpy.random.SeedSequence([seed, index])).
    size: rows = columns, or (rows, columns).
    Returns (colour rows x columns x 3 uint8, depth rows x columns uint16,
    0 at near and 65535 at far). Raises ValueError for a negative index or
    seed, a bad size or distances that are not 0 < near <= far.
    """
    rows, columns = scene_size(size)
    index_value, seed_value = _whole(index, "index"), _whole(seed, "seed")
    near_value, far_value = float(near), float(far)
    if not (math.isfinite(near_value) and math.isfinite(far_value) and 0 < near_value <= far_value):
        raise ValueError(f"near and far must be distances with 0 < near <= far (metres), not {near!r}, {far!r}")
    rng = _generator(seed_value, index_value)
    y = np.arange(rows, dtype=np.float64)[:, None]
    x = np.arange(columns, dtype=np.float64)[None, :]
    span = float(min(rows, columns))
    colour = _painted(rng, y, x, span, (rows, columns))
    depth = np.full((rows, columns), FARTHEST, dtype=np.uint16)
    count = int(rng.integers(4, 13))
    distances = np.sort(rng.uniform(near_value, far_value, count))[::-1]
    for distance in distances:
        box_rows, box_columns, mask = _shape_mask(rng, rows, columns)
        paint = _painted(rng, y[box_rows], x[:, box_columns], span * 0.3, (rows, columns))
        colour[box_rows, box_columns][mask] = paint[mask]
        share = 0.0 if far_value == near_value else (distance - near_value) / (far_value - near_value)
        depth[box_rows, box_columns][mask] = min(FARTHEST - 1, int(round(share * FARTHEST)))
    return np.clip(np.rint(colour), 0, 255).astype(np.uint8), depth


def _whole(value: Any, name: str) -> int:
    if isinstance(value, bool):
        raise ValueError(f"{name} must be a whole number 0 or more, not {value!r}")
    try:
        number = operator.index(value)
    except TypeError:
        raise ValueError(f"{name} must be a whole number 0 or more, not {value!r}") from None
    if number < 0:
        raise ValueError(f"{name} must be a whole number 0 or more, not {value!r}")
    return number


def _unreadable(path: str, reason: str, code: int = errno.EINVAL) -> OSError:
    return OSError(code, reason, path)


def _picture(path: str, depth: bool) -> np.ndarray:
    """A colour picture as rows x columns x 3 uint8, or a depth picture as
    rows x columns uint16 (8-bit levels widened: level * 65535 / 255)."""
    from PIL import Image, UnidentifiedImageError  # type: ignore[import]

    try:
        with Image.open(path) as picture:
            picture.load()
            mode = picture.mode
            if mode in ("I;16", "I;16L", "I;16B", "I;16N", "I"):
                values = np.asarray(picture)
                if values.min(initial=0) < 0 or values.max(initial=0) > 65535:
                    raise _unreadable(path, "a picture of more than 16 bits a level")
                wide = values.astype(np.uint16)
                if depth:
                    return wide
                narrow = (wide >> 8).astype(np.uint8)
                return np.repeat(narrow[:, :, None], 3, axis=2)
            if depth:
                if mode in ("L", "1", "P", "LA"):
                    grey = np.asarray(picture.convert("L"))
                elif mode in ("RGB", "RGBA"):
                    channels = np.asarray(picture.convert("RGB"))
                    if not ((channels[:, :, 0] == channels[:, :, 1]).all()
                            and (channels[:, :, 1] == channels[:, :, 2]).all()):
                        raise _unreadable(path, "the depth picture is in colour, not grey levels")
                    grey = channels[:, :, 0]
                else:
                    raise _unreadable(path, f"a depth picture of mode {mode} (grey levels of 8 or 16 bits)")
                return grey.astype(np.uint16) * np.uint16(257)
            return np.ascontiguousarray(np.asarray(picture.convert("RGB")))
    except UnidentifiedImageError:
        raise _unreadable(path, "not a picture Pillow reads") from None
    except OSError as error:
        if error.filename is not None:
            raise
        raise OSError(error.errno or errno.EIO, error.strerror or str(error), path) from None


class FolderScenes:
    """The colour/depth pairs of a folder, in the order of their names
    (sorted by code point): each colour picture NAME.png with its depth
    picture NAME.depth.png of the same size, in any format Pillow reads
    under those names (PNG by its name). A depth picture holds grey levels
    of 8 or 16 bits, 0 the nearest, widened to 16 bits as level * 65535 /
    largest (255 or 65535); a grey picture stored in colour is taken, a
    coloured one refused. A colour picture may be grey (taken as three equal
    channels) or RGB(A), its alpha left out.

    scenes[i] reads pair i: (NAME, colour rows x columns x 3 uint8, depth
    rows x columns uint16). len(scenes) is the number of pairs. The pictures
    are read when asked for, not when the folder is listed.
    """

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        self.path = os.path.abspath(os.fspath(path))
        try:
            entries = os.listdir(self.path)
        except OSError as error:
            raise OSError(error.errno, error.strerror, self.path) from None
        colours = {e[: -len(COLOUR_SUFFIX)] for e in entries
                   if e.endswith(COLOUR_SUFFIX) and not e.endswith(DEPTH_SUFFIX)}
        depths = {e[: -len(DEPTH_SUFFIX)] for e in entries if e.endswith(DEPTH_SUFFIX)}
        for name in sorted(colours - depths):
            raise _unreadable(os.path.join(self.path, name + DEPTH_SUFFIX),
                              f"{name}{COLOUR_SUFFIX} has no depth picture", errno.ENOENT)
        for name in sorted(depths - colours):
            raise _unreadable(os.path.join(self.path, name + COLOUR_SUFFIX),
                              f"{name}{DEPTH_SUFFIX} has no colour picture", errno.ENOENT)
        self.names: List[str] = sorted(colours)

    def __len__(self) -> int:
        return len(self.names)

    def __iter__(self) -> typing.Iterator[Tuple[str, np.ndarray, np.ndarray]]:
        return (self[i] for i in range(len(self)))

    def files(self, i: int) -> Tuple[str, str]:
        """The colour and depth files of pair i."""
        name = self.names[i]
        return (os.path.join(self.path, name + COLOUR_SUFFIX), os.path.join(self.path, name + DEPTH_SUFFIX))

    def size(self, i: int) -> Tuple[int, int]:
        """(rows, columns) of pair i from its files' headers alone; OSError
        naming a file that cannot be read or whose size differs."""
        from PIL import Image, UnidentifiedImageError  # type: ignore[import]

        sizes = []
        for path in self.files(i):
            try:
                with Image.open(path) as picture:
                    sizes.append((picture.height, picture.width))
            except UnidentifiedImageError:
                raise _unreadable(path, "not a picture Pillow reads") from None
            except OSError as error:
                raise OSError(error.errno or errno.EIO, error.strerror or str(error), path) from None
        if sizes[0] != sizes[1]:
            raise _unreadable(self.files(i)[1], f"the depth picture is {sizes[1][1]} x {sizes[1][0]}, "
                              f"its colour picture {sizes[0][1]} x {sizes[0][0]}")
        return sizes[0]

    def __getitem__(self, i: Any) -> Any:
        if isinstance(i, slice):
            return [self[k] for k in range(*i.indices(len(self)))]
        colour_file, depth_file = self.files(i)
        colour, depth = _picture(colour_file, False), _picture(depth_file, True)
        if depth.shape != colour.shape[:2]:
            raise _unreadable(depth_file, f"the depth picture is {depth.shape[1]} x {depth.shape[0]}, "
                              f"its colour picture {colour.shape[1]} x {colour.shape[0]}")
        return self.names[i], colour, depth


def folder_scenes(path: Union[str, "os.PathLike[str]"]) -> FolderScenes:
    """The colour/depth pairs of a folder as a sequence (see FolderScenes):
    NAME.png with NAME.depth.png, in the order of their names. Raises
    OSError (its filename the file) for a folder that cannot be listed or a
    picture without its partner; reading a pair raises OSError naming a
    file that cannot be read as a picture."""
    return FolderScenes(path)

