"""What the package makes of the arrays it is handed: grey levels, complex
fields, odd objects, colour pictures and arrays larger than the engine takes."""

import os
import subprocess
import sys
import textwrap

import numpy as np
import pytest

import marbleck
from shapes import letter

HOLOGRAM_PI = 3.1415


@pytest.fixture(scope="module")
def field():
    return marbleck.hologram(letter(12, 12), 3, random_phase=True, seed=5)


def test_grey_levels_read_as_levels(field):
    levels = marbleck.grey_levels(field)
    # The program reconstructs the levels it shows: the same picture from both.
    assert np.array_equal(marbleck.reconstruct(levels), marbleck.reconstruct(field))
    assert np.array_equal(marbleck.reconstruct(levels.astype(np.uint16) * 257), marbleck.reconstruct(field))
    assert np.array_equal(marbleck.grey_levels(levels), levels)
    assert np.array_equal(marbleck.grey_levels(levels.ravel()), levels.ravel())
    # The threshold is compared in 64-bit with each level's float32 value.
    expected = ((levels / np.float32(255)).astype(np.float64) > 0.6).astype(np.float32)
    assert np.array_equal(marbleck.binarize(levels), expected)
    assert 0 < expected.mean() < 0.5
    assert np.array_equal(marbleck.binarize(field > 0.5), (field > 0.5).astype(np.float32))


@pytest.mark.parametrize(
    "scale, shown", [(255, "255"), (-1, "-1"), (np.nan, "nan")], ids=["levelsAsFloat", "negative", "nan"]
)
def test_values_outside_a_hologram_are_refused(field, scale, shown):
    t = np.array(field) * np.float32(scale)
    for call in (lambda: marbleck.reconstruct(t), lambda: marbleck.figures(t, letter(12, 12), 3)):
        with pytest.raises(ValueError, match="must lie in 0 .. 1"):
            call()


def test_complex_field_has_its_own_far_field():
    obj = np.zeros((16, 16), dtype=bool)
    obj[3, 5] = True
    k = marbleck.kinoform(obj, 4)
    t = np.exp(1j * k.phase.astype(np.float64))
    picture = marbleck.reconstruct(t, zero_order=True)
    expected = np.fft.fftshift(np.abs(np.fft.fft2(t)) ** 2)
    np.testing.assert_allclose(picture, expected, rtol=1e-3, atol=1e-3 * expected.max())
    # A phase ramp puts its light on the point's bin alone, with no twin.
    rows, columns = picture.shape
    dx = round(5 * HOLOGRAM_PI / 15 / (2 * np.pi) * columns)
    dy = round(3 * HOLOGRAM_PI / 15 / (2 * np.pi) * rows)
    image = picture[rows // 2 + dy, columns // 2 + dx]
    assert image == picture.max()
    assert picture[rows // 2 - dy, columns // 2 - dx] < 1e-6 * image
    # The figures of the complex field agree with the kinoform's own, which
    # the engine measures from the phase; no twin halves its fidelity.
    figures = marbleck.figures(t, obj, 4)
    assert figures.efficiency == pytest.approx(k.figures.efficiency, rel=1e-4)
    assert figures.signalShare == pytest.approx(k.figures.signalShare, rel=1e-4)
    assert figures.fidelity == pytest.approx(k.figures.fidelity, rel=1e-4)
    assert figures.fidelity > 1.5 * marbleck.figures(marbleck.hologram(obj, 4), obj, 4).fidelity
    for call in (marbleck.binarize, marbleck.slm_map, marbleck.grey_levels):
        with pytest.raises(ValueError, match="must be real"):
            call(t)


@pytest.mark.parametrize(
    "value, message",
    [(np.nan, "NaN or infinite"), (np.inf, "NaN or infinite"), (-1.0, "negative"), (1j, "complex")],
    ids=["nan", "inf", "negative", "complex"],
)
@pytest.mark.parametrize("call", ["hologram", "kinoform", "figures"])
def test_odd_object_values_are_refused(value, message, call):
    obj = letter(8, 8).astype(np.complex128 if isinstance(value, complex) else np.float64)
    obj[4, 5] = value
    calls = {
        "hologram": lambda: marbleck.hologram(obj, 2),
        "kinoform": lambda: marbleck.kinoform(obj, 2),
        "figures": lambda: marbleck.figures(np.zeros((16, 16)), obj, 2),
    }
    with pytest.raises(ValueError, match=message):
        calls[call]()


def write_ppm(path, rgb):
    rows, columns, _ = rgb.shape
    with open(path, "wb") as out:
        out.write(b"P6\n%d %d\n255\n" % (columns, rows))
        out.write(rgb.astype(np.uint8).tobytes())


def test_colour_picture_brightness_is_its_brightest_channel(tmp_path):
    rng = np.random.default_rng(7)
    rgb = np.zeros((24, 24, 3), dtype=np.uint8)
    lit = letter(24, 24)
    rgb[lit] = rng.integers(0, 256, (lit.sum(), 3))
    rgb[lit, rng.integers(0, 3, lit.sum())] = rng.integers(40, 256, lit.sum())
    k = marbleck.kinoform(rgb, 2, random_phase=True, seed=9, refine=8, method="weighted")
    grey = marbleck.kinoform(rgb.max(axis=2), 2, random_phase=True, seed=9, refine=8, method="weighted")
    assert np.array_equal(k.phase, grey.phase)
    cli = os.environ.get("MARBLECK_CLI")
    if not cli:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    write_ppm(tmp_path / "colour.ppm", rgb)
    subprocess.run([cli, str(tmp_path / "colour.ppm"), "-o", str(tmp_path / "phase.npy"), "--quiet", "--reps", "2",
                    "--random-phase", "--seed", "9", "--phase", "--refine", "8", "--refine-method", "weighted"],
                   check=True, timeout=120)
    difference = np.angle(np.exp(1j * (np.load(tmp_path / "phase.npy") - k.phase.astype(np.float64))))
    assert np.abs(difference).max() < 1e-4


def huge(shape, dtype="float32"):
    return f"numpy.zeros({shape}, numpy.{dtype})"


# Arrays of zero pages: as large as the engine could be handed, costing no
# memory until touched. Each call must refuse before any copy; one that
# copies or cuts the shape crashes or exhausts the child, not the suite.
@pytest.mark.parametrize(
    "call",
    [
        f"marbleck.hologram({huge('(2**32 + 1, 1)', 'bool_')})",
        f"marbleck.hologram({huge('(2**14, 2**12 + 1)', 'bool_')}, 0.5)",
        f"marbleck.kinoform({huge('(1, 2**32 + 1)', 'bool_')})",
        f"marbleck.binarize({huge('(2**32 + 1, 1)')})",
        f"marbleck.binarize({huge('(2**14, 2**12 + 1)', 'uint8')})",
        f"marbleck.binarize(numpy.eye(2), obj={huge('(2**32 + 1, 1)', 'bool_')}, reps=1)",
        f"marbleck.reconstruct({huge('(2**32 + 1, 1)')})",
        f"marbleck.reconstruct({huge('(1, 2**31 + 1)', 'complex64')})",
        f"marbleck.figures({huge('(2**32 + 1, 1)')}, numpy.eye(2), 1)",
        f"marbleck.figures(numpy.eye(2), {huge('(2**32 + 1, 1)', 'bool_')}, 1)",
        f"marbleck.grey_levels({huge('(2**32 + 1,)')})",
        f"marbleck.grey_levels({huge('(2**32 + 1, 1)')})",
        f"marbleck.slm_map({huge('(2**32 + 1, 1)')})",
        f"marbleck._engine.reconstruct({huge('(2**32 + 1, 1)')}, remove_zero_order=True)",
        f"marbleck._engine.hologram({huge('(1, 2**32 + 1)', 'bool_')}, 1, 1, 1, random_phase=False, seed=0, engine='exact', time_limit=0)",
    ],
    ids=["hologram", "hologramJustOver", "kinoform", "binarize", "binarizeLevels", "binarizeObject",
         "reconstruct", "reconstructComplex", "figuresField", "figuresObject", "greyLevelsFlat", "greyLevels",
         "slmMap", "engineField", "engineObject"],
)
def test_arrays_beyond_the_engine_are_refused(call):
    script = textwrap.dedent(f"""
        import numpy, marbleck
        try:
            {call}
        except MemoryError as error:
            print("refused:", error)
    """)
    child = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert child.returncode == 0, child.stderr
    assert "refused:" in child.stdout and "more than" in child.stdout
