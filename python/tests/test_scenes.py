"""Holograms of 3-D scenes in physical units: the point sum against a sum in
double precision, its encodings and wavelengths, point clouds read from
files and made of colour-plus-depth pictures, and the calls' arguments."""

import signal
import struct
import subprocess
import sys
import textwrap
import threading

import numpy as np
import pytest

import marbleck
from probes import threads_seen_running
from marbleck import _engine
from scene_fields import PITCH, WAVELENGTH, double_sum, plane_axes

RNG = np.random.default_rng(29)
SPREAD = np.column_stack([RNG.uniform(-3e-4, 3e-4, 12), RNG.uniform(-2e-4, 2e-4, 12), RNG.uniform(0.05, 0.15, 12)])
COLOURS = RNG.uniform(0.1, 1, (12, 3)).astype(np.float32)
TWO_DEPTHS = np.array([[0.0, 0.0, 0.05], [1e-4, 0.0, 0.1]])


@pytest.mark.parametrize(
    "positions, colours, wavelength, channel, pitch, panel_limit",
    [
        ([[0.0, 0.0, 0.1]], None, WAVELENGTH, 0, PITCH, False),
        ([[1.3e-4, -0.7e-4, 0.05]], None, WAVELENGTH, 0, PITCH, True),
        (SPREAD, None, WAVELENGTH, 0, PITCH, False),
        (SPREAD, COLOURS, 520e-9, 1, PITCH, False),
        (SPREAD, COLOURS, 450e-9, 2, PITCH, False),
        # Coarse pixels: each point lights a disc of about 10 pixels' radius.
        (SPREAD, COLOURS, WAVELENGTH, 0, 40e-6, True),
    ],
    ids=["on-axis", "off-axis", "spread", "green", "blue", "panel-limit"],
)
def test_point_sum_agrees_with_double_precision(positions, colours, wavelength, channel, pitch, panel_limit):
    positions = np.array(positions)
    rows, columns = 48, 64
    if colours is None:
        points, amplitudes = positions, np.ones(len(positions))
    else:
        points, amplitudes = marbleck.Points(positions, colours, True), colours[:, channel]
    field = marbleck.point_hologram(points, (rows, columns), pitch, wavelength, panel_limit=panel_limit, nthreads=2)
    exact = double_sum(positions, amplitudes, rows, columns, pitch, wavelength, panel_limit)
    assert field.dtype == np.complex64 and field.shape == (rows, columns)
    assert np.abs(field - exact).max() <= 1e-3 * np.abs(exact).max()
    if panel_limit and pitch > PITCH:
        # The discs end inside the plane: values no point lights stay 0.
        assert (field == 0).sum() == (exact == 0).sum() > 0


def test_amplitudes_from_n_by_4_arrays_and_random_phases():
    values = np.column_stack([SPREAD, np.linspace(0.2, 1, len(SPREAD))])
    field = marbleck.point_hologram(values, (32, 40), PITCH, WAVELENGTH, panel_limit=False)
    exact = double_sum(SPREAD, values[:, 3], 32, 40, PITCH, WAVELENGTH, False)
    assert np.abs(field - exact).max() <= 1e-3 * np.abs(exact).max()
    # A lone point's phase turns its whole field by one angle; seeds differ.
    one = np.array([[0.0, 1e-4, 0.08]])
    plain = marbleck.point_hologram(one, (16, 16), PITCH, WAVELENGTH)
    turns = []
    for seed in (1, 2):
        turned = marbleck.point_hologram(one, (16, 16), PITCH, WAVELENGTH, random_phase=True, seed=seed)
        turn = turned / plain
        assert turned.seed == seed and plain.seed is None
        assert np.allclose(turn, turn[0, 0], atol=1e-4) and np.isclose(abs(turn[0, 0]), 1, atol=1e-5)
        turns.append(turn[0, 0])
    assert abs(turns[0] - turns[1]) > 1e-3
    fresh = marbleck.point_hologram(one, (16, 16), PITCH, WAVELENGTH, random_phase=True)
    again = marbleck.point_hologram(one, (16, 16), PITCH, WAVELENGTH, random_phase=True, seed=fresh.seed)
    assert fresh.seed is not None and np.array_equal(again, fresh)


def test_several_wavelengths_give_a_field_each_from_their_channel():
    # A red point and a blue point: the green field is dark.
    points = marbleck.Points(np.array([[0.0, 0.0, 0.06], [1e-4, 0.0, 0.09]]),
                             np.array([[1, 0, 0], [0, 0, 1]], np.float32), True)
    fields = marbleck.point_hologram(points, (24, 20), PITCH, marbleck.COLOUR_WAVELENGTHS)
    assert fields.shape == (3, 24, 20) and fields.dtype == np.complex64
    assert np.all(fields[1] == 0) and np.abs(fields[0]).min() > 0 and np.abs(fields[2]).min() > 0
    for field, wavelength in zip(fields, marbleck.COLOUR_WAVELENGTHS):
        assert np.array_equal(field, marbleck.point_hologram(points, (24, 20), PITCH, wavelength))
    red = double_sum(points.positions[:1], [1], 24, 20, PITCH, 638e-9, True)
    assert np.abs(fields[0] - red).max() <= 1e-3 * np.abs(red).max()


def check_phase(values, u):
    assert values.min() >= 0 and values.max() < 2 * np.pi
    assert np.abs(np.exp(1j * values) - np.exp(1j * np.angle(u))).max() < 1e-4


def check_double_phase(values, u):
    # theta = arg U +- acos(|U| / max|U|), + where row + column is even.
    a = np.abs(u) / np.abs(u).max()
    turn = np.angle(np.exp(1j * (values - np.angle(u))))
    rows, columns = np.indices(u.shape)
    assert np.abs(np.cos(turn) - a).max() < 1e-3
    signs = np.where((rows + columns) % 2 == 0, 1, -1)
    steep = np.abs(np.sin(turn)) > 1e-2
    assert np.all(np.sign(np.sin(turn))[steep] == signs[steep])


def check_amplitude(values, u, angle=None):
    # |U / max|U| + exp(i psi)|^2 normalised to 0 .. 1, psi = 2 pi sin x / lambda.
    x, _ = plane_axes(*u.shape, PITCH)
    sine = WAVELENGTH / (4 * PITCH) if angle is None else np.sin(angle)
    intensity = np.abs(u / np.abs(u).max() + np.exp(2j * np.pi * sine * x / WAVELENGTH)) ** 2
    expected = (intensity - intensity.min()) / (intensity.max() - intensity.min())
    assert values.min() == 0 and values.max() == 1
    assert np.abs(values - expected).max() < 1e-4


@pytest.mark.parametrize(
    "encode, check, options",
    [("phase", check_phase, {}), ("double-phase", check_double_phase, {}),
     ("amplitude", check_amplitude, {}),
     ("amplitude", lambda v, u: check_amplitude(v, u, 0.01), {"reference": (0.01, 0.0)})],
    ids=["phase", "double-phase", "amplitude", "amplitude-angle"],
)
def test_encodings_of_the_field(encode, check, options):
    # A plane of other sides, so that rows and columns cannot be mixed up.
    u = marbleck.point_hologram(SPREAD, (30, 44), PITCH, WAVELENGTH)
    values = marbleck.point_hologram(SPREAD, (30, 44), PITCH, WAVELENGTH, encode=encode, **options)
    assert values.dtype == np.float32 and values.shape == (30, 44)
    check(values, u.astype(complex))


# The module's calls with work of a good part of a second on one thread.
LINE = np.column_stack([np.zeros(400), np.zeros(400), np.linspace(0.05, 0.1, 400)])
SCENE_CALL = dict(coloured=False, columns=512, rows=512, pitch=PITCH, wavelengths=[WAVELENGTH], channels=[0],
                  encode="complex", random_phase=False, seed=0, reference=None, time_limit=0, nthreads=1)
WIDE_FIELD = np.ones((1024, 1024), np.complex64)
RELEASING = {
    "points": lambda: _engine.point_hologram(LINE, np.ones((400, 3), np.float32), panel_limit=False, **SCENE_CALL),
    "layers": lambda: _engine.layer_hologram(LINE, np.ones((400, 3), np.float32), layers=16, occlusion=True,
                                             **SCENE_CALL),
    "propagate": lambda: _engine.propagate(WIDE_FIELD, z=0.01, pitch=PITCH, wavelength=WAVELENGTH, nthreads=1),
    "refocus": lambda: _engine.refocus(WIDE_FIELD, depths=[0.01, 0.02], pitch=PITCH, wavelength=WAVELENGTH,
                                       scale="", decades=3, nthreads=1),
}


@pytest.mark.parametrize("call", sorted(RELEASING))
def test_scene_calls_let_other_threads_run(call):
    assert threads_seen_running(RELEASING[call]) == [True]


ONE = np.array([[0.0, 0.0, 0.1]])


@pytest.mark.parametrize(
    "arguments, options, error, message",
    [
        ((ONE, (0, 8), PITCH, WAVELENGTH), {}, ValueError, "shape"),
        ((ONE, (8, 8.5), PITCH, WAVELENGTH), {}, ValueError, "shape"),
        ((ONE, (8, 8), 8, WAVELENGTH), {}, ValueError, "pitch.*metres"),
        ((ONE, (8, 8), -PITCH, WAVELENGTH), {}, ValueError, "pitch"),
        ((ONE, (8, 8), PITCH, 633), {}, ValueError, "wavelength.*633e-9"),
        ((ONE, (8, 8), PITCH, [WAVELENGTH, float("nan")]), {}, ValueError, "wavelength"),
        ((ONE, (8, 8), PITCH, []), {}, ValueError, "wavelength"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"method": "mesh"}, ValueError, "unknown method 'mesh'"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"encode": "hsv"}, ValueError, "unknown encoding 'hsv'"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"seed": 3}, ValueError, "seed needs random_phase"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"reference": (0.01, 0)}, ValueError, "amplitude encoding"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"encode": "amplitude", "reference": (0.5, 0)}, ValueError,
         "beyond what the hologram's pitch resolves"),
        ((ONE, (8, 8), PITCH, WAVELENGTH), {"nthreads": -1}, ValueError, "nthreads"),
        ((ONE[:, :2], (8, 8), PITCH, WAVELENGTH), {}, ValueError, "N x 3"),
        (([[0, 0, -0.1]], (8, 8), PITCH, WAVELENGTH), {}, ValueError, "Point 1 .* front"),
        (([[0, 0, 0.1], [0, float("nan"), 0.1]], (8, 8), PITCH, WAVELENGTH), {}, ValueError, "Point 2"),
        (([[0, 0, 0.1, -1]], (8, 8), PITCH, WAVELENGTH), {}, ValueError, "Point 1"),
        ((ONE, (2**14, 2**13), PITCH, WAVELENGTH), {}, MemoryError, "more than"),
        ((ONE, (2**12, 2**12), PITCH, [WAVELENGTH] * 17), {}, MemoryError, "2\\*\\*28"),
        ((np.zeros((70000, 3)) + 0.1, (2048, 2048), PITCH, WAVELENGTH), {}, ValueError,
         r"70000 points × 4194304 values × 1 wavelengths is more than the 2\^38 bound .* time_limit"),
        # The layer method's transforms: layers and one more, twice a layer with occlusion.
        ((TWO_DEPTHS, (2048, 2048), PITCH, WAVELENGTH), {"method": "layers", "layers": 600}, ValueError,
         r"600 layers of 4194304 values × 1 wavelengths is more than the 2\^33 bound .* time_limit"),
        ((TWO_DEPTHS, (2048, 2048), PITCH, WAVELENGTH), {"method": "layers", "layers": 300, "occlusion": True},
         ValueError, r"300 layers .* 2\^33 bound"),
        ((TWO_DEPTHS, (1024, 1024), PITCH, [WAVELENGTH] * 3), {"method": "layers", "layers": 1000}, ValueError,
         r"1000 layers of 1048576 values × 3 wavelengths"),
    ],
)
def test_bad_arguments_are_refused(arguments, options, error, message):
    with pytest.raises(error, match=message):
        marbleck.point_hologram(*arguments, **options)


def test_time_limit_stops_a_point_sum():
    # Every point on the axis 10 cm away lights a disc of a few hundred
    # pixels' radius: minutes of work, however fast the build.
    points = np.zeros((70000, 3))
    points[:, 2] = 0.1
    with pytest.raises(TimeoutError, match="the point hologram stopped after 0.3 s"):
        marbleck.point_hologram(points, (2048, 2048), PITCH, WAVELENGTH, time_limit=0.3)


@pytest.mark.parametrize(
    "call",
    ["marbleck.point_hologram(points, (2048, 2048), 8e-6, 633e-9, time_limit=36000)",
     "marbleck.point_hologram(points, (2048, 2048), 8e-6, 633e-9, method='layers', layers=4096, occlusion=True, "
     "time_limit=36000)"],
    ids=["points", "layers"],
)
def test_ctrl_c_stops_a_long_scene_hologram(call):
    # Hours of work; Ctrl+C ends it with KeyboardInterrupt.
    script = textwrap.dedent(f"""
        import numpy, marbleck
        points = numpy.column_stack([numpy.zeros(200000), numpy.zeros(200000), numpy.linspace(0.05, 0.1, 200000)])
        print("started", flush=True)
        {call}
        print("finished", flush=True)
    """)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
    try:
        assert child.stdout.readline() == "started\n"
        threading.Event().wait(1.0)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=120)
    finally:
        child.kill()
    assert "finished" not in out and "KeyboardInterrupt" in err
    assert child.returncode == -signal.SIGINT


def write_ply(path, vertices, properties, binary=False):
    header = ["ply", f"format {'binary_little_endian' if binary else 'ascii'} 1.0", "comment made by a test",
              f"element vertex {len(vertices)}"]
    header += [f"property {kind} {name}" for kind, name in properties] + ["end_header"]
    body = b""
    for vertex in vertices:
        if binary:
            codes = {"float": "f", "double": "d", "uchar": "B"}
            body += struct.pack("<" + "".join(codes[kind] for kind, _ in properties), *vertex)
        else:
            body += (" ".join(str(v) for v in vertex) + "\n").encode()
    path.write_bytes(("\n".join(header) + "\n").encode() + body)
    return path


@pytest.mark.parametrize("binary", [False, True], ids=["ascii", "binary"])
def test_ply_points_read_back(tmp_path, binary):
    vertices = [(0.001, -0.002, 0.1, 255, 0, 51), (0.0, 0.0, 0.125, 0, 255, 255)]
    properties = [("double", "x"), ("double", "y"), ("double", "z"),
                  ("uchar", "red"), ("uchar", "green"), ("uchar", "blue")]
    points = marbleck.read_points(write_ply(tmp_path / "scene.ply", vertices, properties, binary))
    assert points.coloured
    assert np.array_equal(points.positions, [v[:3] for v in vertices])
    assert np.allclose(points.colours, np.array([v[3:] for v in vertices]) / 255)
    assert points.positions.dtype == np.float64 and points.colours.dtype == np.float32
    # Points go in as they came out.
    field = marbleck.point_hologram(points, (16, 16), PITCH, 638e-9)
    exact = double_sum(points.positions, points.colours[:, 0], 16, 16, PITCH, 638e-9, True)
    assert np.abs(field - exact).max() <= 1e-3 * np.abs(exact).max()


def test_xyz_points_read_back(tmp_path):
    path = tmp_path / "scene.XYZ"
    path.write_text("# x y z a\n0.001 0.002 0.1 0.5\n\n-0.001,0,0.2,1\n")
    points = marbleck.read_points(str(path))
    assert not points.coloured
    assert np.array_equal(points.positions, [[0.001, 0.002, 0.1], [-0.001, 0, 0.2]])
    assert np.array_equal(points.colours, [[0.5] * 3, [1] * 3])


@pytest.mark.parametrize(
    "name, content, error, message",
    [
        ("missing.ply", None, FileNotFoundError, "missing.ply"),
        ("folder.xyz", "folder", OSError, "folder.xyz"),
        ("bad.xyz", "0 0 0.1\n0 zero 0.1\n", ValueError, r"bad.xyz: line 2: .*\"zero\""),
        ("short.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
         "property float z\nend_header\n0 0 0.1\n", ValueError, "short.ply"),
        ("scene.txt", "0 0 0.1\n", ValueError, r"\.ply or \.xyz"),
    ],
    ids=["missing", "folder", "bad-field", "truncated", "other-name"],
)
def test_bad_point_files_are_refused(tmp_path, name, content, error, message):
    path = tmp_path / name
    if content == "folder":
        path.mkdir()
    elif content is not None:
        path.write_text(content)
    with pytest.raises(error, match=message):
        marbleck.read_points(path)


@pytest.mark.parametrize(
    "colour, depth, largest",
    [
        (np.array([[[255, 0, 0], [0, 0, 0]], [[10, 20, 30], [0, 0, 255]]], np.uint8), np.uint8, 255),
        (np.array([[[1.0, 0, 0], [0, 0, 0]], [[0.1, 0.2, 0.3], [0, 0, 1]]]), np.uint16, 65535),
        (np.array([[200, 0], [100, 50]], np.uint8), np.uint8, 255),
    ],
    ids=["bytes", "floats-16-bit-depth", "grey"],
)
def test_colour_and_depth_pictures_give_their_points(colour, depth, largest):
    levels = np.array([[0, largest], [largest // 2, 7]], depth)
    points = marbleck.rgbd_points(colour, levels, 0.05, 0.15, pitch=1e-5)
    rgb = colour if colour.ndim == 3 else np.repeat(colour[:, :, np.newaxis], 3, axis=2)
    rgb = rgb / 255 if rgb.dtype == np.uint8 else rgb
    lit = rgb.any(axis=2)
    rows, columns = np.nonzero(lit)
    assert points.coloured
    assert np.allclose(points.positions[:, 0], (columns - 0.5) * 1e-5)
    assert np.allclose(points.positions[:, 1], (rows - 0.5) * 1e-5)
    assert np.allclose(points.positions[:, 2], 0.05 + 0.1 * levels[lit] / largest)
    assert np.allclose(points.colours, rgb[lit], atol=1e-7)


@pytest.mark.parametrize(
    "colour, depth, near, far, error",
    [
        (np.zeros((2, 3, 3), np.uint8), np.zeros((3, 2), np.uint8), 0.1, 0.2, "depth must be rows x columns"),
        (np.zeros((2, 2, 3), np.uint8), np.zeros((2, 2)), 0.1, 0.2, "uint8 or uint16"),
        (np.zeros((2, 2, 3), np.uint8), np.zeros((2, 2), np.uint8), 0.2, 0.1, "farthest distance"),
        (np.zeros((2, 2, 3), np.uint8), np.zeros((2, 2), np.uint8), 0, 0.1, "near"),
        (np.full((2, 2, 3), 1.5), np.zeros((2, 2), np.uint8), 0.1, 0.2, "row 0, column 0 is not 0 to 1"),
        (np.zeros((2, 2, 2), np.uint8), np.zeros((2, 2), np.uint8), 0.1, 0.2, "RGB"),
    ],
    ids=["sizes", "float-depth", "far-before-near", "near-zero", "colour-above-1", "two-channels"],
)
def test_bad_pictures_are_refused(colour, depth, near, far, error):
    with pytest.raises(ValueError, match=error):
        marbleck.rgbd_points(colour, depth, near, far, pitch=1e-5)
