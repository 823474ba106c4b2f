"""The package against the command line and the closed form."""

import dataclasses
import json
import os
import subprocess
import sys
import textwrap
import time
import signal

import numpy as np
import pytest

import marbleck
from shapes import letter

HOLOGRAM_PI = 3.1415


def write_pgm(path, lit):
    rows, columns = lit.shape
    with open(path, "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (columns, rows))
        out.write(np.where(lit, 255, 0).astype(np.uint8).tobytes())


def cli_field(tmp_path, lit, *options):
    cli = os.environ.get("MARBLECK_CLI")
    if not cli:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    write_pgm(tmp_path / "object.pgm", lit)
    subprocess.run([cli, str(tmp_path / "object.pgm"), "-o", str(tmp_path / "field.npy"), "--quiet", *options],
                   check=True, timeout=120)
    return np.load(tmp_path / "field.npy")


def same_bits(a, b):
    return a.shape == b.shape and np.array_equal(a.view(np.uint32), b.view(np.uint32))


@pytest.mark.parametrize(
    "shape, reps, options",
    [
        ((9, 14), 1, {}),
        ((9, 14), 3, {}),
        ((12, 7), 2.5, {}),
        ((11, 11), 1.7, {}),
        ((10, 13), 2, {"random_phase": True, "seed": 12345}),
    ],
    ids=["small", "reps3", "reps2.5", "reps1.7", "random"],
)
def test_exact_equals_command_line(tmp_path, shape, reps, options):
    lit = letter(*shape)
    cli_options = ["--reps", str(reps)]
    if options:
        cli_options += ["--random-phase", "--seed", str(options["seed"])]
    expected = cli_field(tmp_path, lit, *cli_options)
    field = marbleck.hologram(lit, reps, **options)
    assert field.dtype == np.float32
    assert same_bits(field, expected)


def test_balanced_equals_command_line(tmp_path):
    lit = letter(9, 14)
    expected = cli_field(tmp_path, lit, "--reps", "1.7", "--binarize", "median")
    field = marbleck.hologram(lit, 1.7)
    assert same_bits(marbleck.binarize(field, "balanced", obj=lit, reps=1.7), expected)


@pytest.mark.parametrize("engine", ["exact", "fast", "czt", "reference"])
@pytest.mark.parametrize("x, y", [(3, 0), (0, 5), (4, 2), (7, 6)], ids=["row0", "column0", "inside", "corner"])
def test_single_point_gives_its_stripes(engine, x, y):
    rows, columns, reps = 7, 8, 2
    lit = np.zeros((rows, columns), dtype=bool)
    lit[y, x] = True
    field = marbleck.hologram(lit, reps, engine=engine)
    ax = x * HOLOGRAM_PI / (columns - 1)
    ay = y * HOLOGRAM_PI / (rows - 1)
    v, u = np.mgrid[0 : rows * reps, 0 : columns * reps]
    raw = np.cos(u * ax + v * ay)
    # The range always takes in 0.
    low, high = min(raw.min(), 0.0), max(raw.max(), 0.0)
    np.testing.assert_allclose(field, (raw - low) / (high - low), atol=2e-5)


# Every engine the package lists, taken by its name, gives the exact engine's
# values: prime sides, fractional reps, random phases.
@pytest.mark.parametrize("engine", sorted(set(marbleck.ENGINES) | {"czt"}))
def test_every_engine_by_name_gives_the_exact_values(engine):
    lit = letter(11, 13)
    expected = marbleck.hologram(lit, 2.7, engine="exact", random_phase=True, seed=5)
    field = marbleck.hologram(lit, 2.7, engine=engine, random_phase=True, seed=5)
    assert field.shape == expected.shape
    np.testing.assert_allclose(field, expected, rtol=0, atol=4e-6)


# The kinoform's phases through each engine: the exact engine's wherever the
# complex sum is not close to nothing.
@pytest.mark.parametrize("engine", ["fast", "czt"])
def test_kinoform_by_engine_name_has_the_exact_phases(engine):
    lit = letter(11, 13)
    expected = marbleck.kinoform(lit, 2.7, engine="exact", random_phase=True, seed=5)
    k = marbleck.kinoform(lit, 2.7, engine=engine, random_phase=True, seed=5)
    assert k.phase.shape == expected.phase.shape
    turned = np.abs(np.angle(np.exp(1j * (k.phase.astype(np.float64) - expected.phase))))
    assert np.quantile(turned, 0.99) < 1e-3
    assert np.allclose(k.figures.efficiency, expected.figures.efficiency, rtol=1e-4)


def test_object_types_give_the_same_field():
    lit = letter(6, 9)
    expected = marbleck.hologram(lit, 2)
    for obj in [lit.astype(np.uint8) * 7, lit.astype(np.int64) * 3, lit * 0.25, lit.tolist(),
                np.asfortranarray(lit), np.dstack([lit * 200] * 3).astype(np.uint8)]:
        assert same_bits(marbleck.hologram(obj, 2), expected)


def test_rows_come_first():
    lit = letter(5, 11)
    field = marbleck.hologram(lit, 3)
    assert field.shape == (15, 33)
    # The transposed object sums its points in another order: the same
    # values to within rounding, transposed.
    np.testing.assert_allclose(marbleck.hologram(lit.T, 3), field.T, atol=1e-5)


def test_fractional_size_reads_the_whole_samples():
    lit = letter(7, 9)
    field = marbleck.hologram(lit, 2, size=(9.6, 7.2))
    assert field.shape == (14, 19)
    assert not same_bits(field, marbleck.hologram(lit, 2))
    with pytest.raises(ValueError, match="samples"):
        marbleck.hologram(lit, 2, size=(12, 7))


def test_reconstruction_shows_the_point_and_its_twin():
    lit = np.zeros((16, 16), dtype=bool)
    lit[3, 5] = True
    binary = marbleck.binarize(marbleck.hologram(lit, 4), "balanced")
    picture = marbleck.reconstruct(binary)
    assert picture.shape == (64, 64)
    rows, columns = picture.shape
    # 5 * 3.1415 / 15 radians a column is round(ax / 2pi * 64) bins.
    dx = round(5 * HOLOGRAM_PI / 15 / (2 * np.pi) * columns)
    dy = round(3 * HOLOGRAM_PI / 15 / (2 * np.pi) * rows)
    brightest = sorted(zip(*np.unravel_index(np.argsort(picture, axis=None)[-2:], picture.shape)))
    assert brightest == [(rows // 2 - dy, columns // 2 - dx), (rows // 2 + dy, columns // 2 + dx)]
    assert marbleck.reconstruct(binary, zero_order=True)[rows // 2, columns // 2] == pytest.approx(
        binary.sum() ** 2, rel=1e-5)


def test_optimised_binarization_is_judged_by_its_figures():
    lit = letter(12, 12)
    field = marbleck.hologram(lit, 4)
    balanced = marbleck.binarize(field, "balanced", obj=lit, reps=4)
    optimised = marbleck.binarize(field, "optimised", obj=lit, reps=4, max_iterations=20, budget=30)
    assert set(np.unique(optimised)) <= {0.0, 1.0}
    before, after = marbleck.figures(balanced, lit, 4), marbleck.figures(optimised, lit, 4)
    assert after.fidelity > before.fidelity
    with pytest.raises(AttributeError):
        after.fidelity = 0
    # The record says the same by the command line's names; the others have none.
    record = optimised.optimisation
    assert (record.iterations, record.keptBalanced) == (20, False)
    for measured, figures in ((record.before, before), (record.after, after)):
        assert set(named(measured)) == {"fidelity", "spread", "signalShare"}
        assert named(measured) == {name: getattr(figures, name) for name in named(measured)}
    assert balanced.optimisation is None and balanced.threshold == pytest.approx(np.median(field), abs=1e-6)
    assert marbleck.binarize(field, threshold=0.25).threshold == 0.25


def test_optimised_binarization_of_a_hologram_that_shows_nothing_raises():
    # A point at the corner adds the same value everywhere: no pattern of its hologram shows it.
    lit = np.zeros((100, 100), dtype=bool)
    lit[0, 0] = True
    field = marbleck.hologram(lit, 2)
    with pytest.raises(ValueError, match="no pattern that shows the object"):
        marbleck.binarize(field, "optimised", obj=lit, reps=2, max_iterations=50)


def test_grey_levels_and_threshold():
    field = np.array([[0.0, 0.5, 0.59, 0.61], [1.0, 2.0, -1.0, np.nan]], dtype=np.float32)
    assert marbleck.grey_levels(field).tolist() == [[0, 128, 150, 156], [255, 255, 0, 0]]
    # The threshold is compared in 64-bit: float32 0.6 lies above 0.6.
    assert marbleck.binarize(np.float32([[0.6]]), threshold=0.6).tolist() == [[1]]
    assert marbleck.binarize(field).tolist() == [[0, 0, 0, 1], [1, 1, 0, 0]]
    assert marbleck.binarize(field, threshold=0.5).tolist() == [[0, 0, 1, 1], [1, 1, 0, 0]]


def test_physical_figures():
    figures = marbleck.physical(600, 2, shape=(300, 400))
    assert figures.pitch_mm == pytest.approx(25.4 * 2 / 600)
    assert (figures.height_mm, figures.width_mm) == pytest.approx((300 * figures.pitch_mm, 400 * figures.pitch_mm))
    assert marbleck.physical(600).width_mm is None
    assert marbleck.physical(1e6, wavelength_nm=633).max_angle_degrees is None


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: marbleck.hologram(np.eye(4), 0.1), ValueError, "the repetition factor leaves no hologram"),
        (lambda: marbleck.hologram(np.eye(4), "two"), ValueError, "reps must be a number"),
        (lambda: marbleck.hologram(np.eye(4), float("nan")), ValueError, "finite"),
        (lambda: marbleck.hologram(np.eye(4), engine="slow"), ValueError, "unknown engine 'slow'"),
        (lambda: marbleck.hologram(np.ones((2, 2, 2, 2))), ValueError, "2-D"),
        (lambda: marbleck.hologram([["a"]]), ValueError, "numbers or booleans"),
        (lambda: marbleck.hologram(np.eye(4), seed=3), ValueError, "random_phase"),
        (lambda: marbleck.hologram(np.ones((100, 100)), 82), MemoryError, "more than 67108864 values"),
        (lambda: marbleck.binarize(np.eye(4), "dither"), ValueError, "unknown binarization 'dither'"),
        (lambda: marbleck.binarize(np.eye(4), "optimised"), ValueError, "needs the object"),
        (lambda: marbleck.binarize(np.eye(4), "balanced", budget=1), ValueError, "only for the optimised"),
        (lambda: marbleck.binarize(np.eye(4), obj=np.eye(4), reps=2), ValueError, "makes 8 x 8"),
        (lambda: marbleck.figures(np.eye(4), np.eye(4), 2), ValueError, "the hologram has 4 x 4 values"),
        (lambda: marbleck.physical(0), ValueError, "must be positive"),
        (lambda: marbleck.physical(600, shape=(2**40, 1)), ValueError, "shape must be"),
        (lambda: marbleck.physical(600, shape=(-3, 4)), ValueError, "shape must be"),
    ],
    ids=["reps0", "repsText", "repsNan", "engine", "dims", "strings", "seed", "tooLarge", "method",
         "optimisedAlone", "budget", "fieldShape", "figuresShape", "dpi", "shapeHuge", "shapeNegative"],
)
def test_errors(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_ctrl_c_stops_a_long_calculation():
    # Hours of work for the exact engine; Ctrl+C must end it within seconds.
    script = textwrap.dedent("""
        import sys, numpy, marbleck
        print("started", flush=True)
        marbleck.hologram(numpy.ones((300, 300)), 20, time_limit=3600)
        print("finished", flush=True)
    """)
    child = subprocess.Popen([sys.executable, "-c", script], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(1.0)
        child.send_signal(signal.SIGINT)
        stopped = time.monotonic()
        out, err = child.communicate(timeout=60)
    finally:
        child.kill()
    assert time.monotonic() - stopped < 15
    assert "finished" not in out
    assert "KeyboardInterrupt" in err
    # Python ends on an uncaught KeyboardInterrupt by the signal itself.
    assert child.returncode == -signal.SIGINT


def cli_report(tmp_path, lit, *options):
    """marbleck-cli's JSON report of object lit with options."""
    cli = os.environ.get("MARBLECK_CLI")
    if not cli:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    write_pgm(tmp_path / "object.pgm", lit)
    out = subprocess.run([cli, str(tmp_path / "object.pgm"), "-o", str(tmp_path / "out.npy"), "--report",
                          *options], check=True, capture_output=True, text=True, timeout=120)
    return json.loads(out.stdout)


def named(figures):
    """The figures that are some number, by name, as a report gives them."""
    return {name: value for name, value in dataclasses.asdict(figures).items() if np.isfinite(value)}


@pytest.mark.parametrize("kind", ["amplitude", "balanced", "optimised", "phase"])
def test_figures_are_the_reports(tmp_path, kind):
    lit = letter(12, 12)
    if kind == "phase":
        report = cli_report(tmp_path, lit, "--reps", "4", "--phase", "--refine", "5")
        k = marbleck.kinoform(lit, 4, refine=5)
        figures, record, names = k.figures, k.refinement, ("before", "after")
    else:
        options = {"amplitude": [], "balanced": ["--binarize", "balanced"],
                   "optimised": ["--binarize", "optimised", "--budget", "30"]}[kind]
        report = cli_report(tmp_path, lit, "--reps", "4", *options)
        field = marbleck.hologram(lit, 4)
        if kind != "amplitude":
            field = marbleck.binarize(field, kind, obj=lit, reps=4, **({"budget": 30} if kind == "optimised" else {}))
        figures, record, names = marbleck.figures(field, lit, 4), getattr(field, "optimisation", None), ()
        if kind == "optimised":
            names = ("before",)  # the steps taken, and so the result, depend on the machine's speed
    expected = {name: report[name] for name in named(figures)}
    assert set(expected) == {"fidelity", "spread", "uniformity", "efficiency", "signalShare"}
    if kind != "optimised":
        assert named(figures) == pytest.approx(expected, rel=1e-9)
    # A record's figures are the ones the report's record has, by the same names.
    report_record = report.get("refinement" if kind == "phase" else "optimisation")
    assert (record is None) == (report_record is None)
    for name in names:
        assert named(getattr(record, name)) == pytest.approx(report_record[name], rel=1e-9)
