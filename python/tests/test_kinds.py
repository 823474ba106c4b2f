"""Holograms of any kind through the kinds table: kinds() against the
command line's options, make() against the per-kind calls and the command
line's files, and the errors of its options."""

import math
import os
import subprocess

import numpy as np
import pytest

import marbleck
from shapes import letter


def same_bits(a, b):
    return a.shape == b.shape and a.dtype == b.dtype and np.array_equal(
        np.ascontiguousarray(a).view(np.uint8), np.ascontiguousarray(b).view(np.uint8))


def same_figures(a, b):
    """Figures equal, NaN where both have none."""
    return all(x == y or (math.isnan(x) and math.isnan(y)) for x, y in zip(vars(a).values(), vars(b).values()))


def cli():
    path = os.environ.get("MARBLECK_CLI")
    if not path:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    return path


def test_kinds_are_the_command_lines():
    entries = marbleck.kinds()
    assert entries[0].name == "amplitude" and "phase" in [kind.name for kind in entries]
    assert len({kind.name for kind in entries}) == len(entries)
    usage = subprocess.run([cli(), "--help"], check=True, capture_output=True, text=True, timeout=60).stdout
    for kind in entries:
        assert kind.label and "&" not in kind.label and kind.caption
        for option in kind.options:
            # Each keyword is the command line's option of the same name.
            assert f"--{option.name.replace('_', '-')} " in usage, option
            assert "-" not in option.name and option.help
        if kind.name == "scene":
            # A 3-D hologram is made of a scene, not of a mask's lit samples.
            with pytest.raises(ValueError, match="3-D scene"):
                marbleck.make(np.eye(4), kind=kind.name, figures=False)
            continue
        assert marbleck.make(np.eye(4), kind=kind.name, figures=False).kind == kind.name


AMPLITUDE = [
    ({}, None),
    ({"binarize": "balanced"}, ("balanced", {})),
    ({"binarize": 0.5}, ("threshold", {"threshold": 0.5})),
]


@pytest.mark.parametrize("options, binarized", AMPLITUDE, ids=["plain", "balanced", "threshold"])
@pytest.mark.parametrize("engine, random_phase", [("exact", False), ("fast", True)])
def test_amplitude_equals_hologram(options, binarized, engine, random_phase):
    lit = letter(9, 11)
    made = marbleck.make(lit, 2.5, engine=engine, random_phase=random_phase, seed=7 if random_phase else None,
                         **options)
    field = marbleck.hologram(lit, 2.5, engine=engine, random_phase=random_phase, seed=made.seed)
    if binarized:
        method, arguments = binarized
        field = marbleck.binarize(field, method, obj=lit, reps=2.5, **arguments)
    assert made.kind == "amplitude" and made.seed == (7 if random_phase else None)
    assert same_bits(made.values, np.asarray(field, np.float32))
    assert np.array_equal(made.levels, marbleck.grey_levels(field))
    assert same_figures(made.figures, marbleck.figures(field, lit, 2.5))
    assert (made.details["rows"], made.details["columns"]) == field.shape
    assert made.details["binarization"] == (binarized[0] if binarized else None)
    assert made.record is None


@pytest.mark.parametrize("refine, method", [(0, "gs"), (3, "gs"), (3, "weighted")])
def test_phase_equals_kinoform(refine, method):
    obj = letter(10, 8).astype(np.float32) * np.linspace(0.5, 1, 8, dtype=np.float32)
    options = {"refine": refine, "refine_method": method} if refine else {}
    made = marbleck.make(obj, 2, kind="phase", random_phase=True, seed=5, **options)
    k = marbleck.kinoform(obj, 2, random_phase=True, seed=5, refine=refine, method=method)
    levels, phase = marbleck.slm_map(k.phase)
    assert made.kind == "phase"
    assert same_bits(made.values, phase) and np.array_equal(made.levels, levels)
    assert same_figures(made.figures, k.figures)
    assert made.details["panel"] == {"width": 16, "height": 20}
    if refine:
        assert made.record["method"] == method and made.record["iterations"] == refine
        assert made.record["before"]["fidelity"] == k.refinement.before.fidelity
    else:
        assert made.record is None


@pytest.mark.parametrize(
    "kind, options, cli_options",
    [
        ("amplitude", {}, []),
        ("amplitude", {"binarize": "balanced"}, ["--binarize", "balanced"]),
        ("phase", {"refine": 2, "slm": "20x12", "fill": "pad"},
         ["--phase", "--refine", "2", "--slm", "20x12", "--fill", "pad"]),
        ("phase", {"tilt": "0.1,-0.2", "two_pi": 200}, ["--phase", "--tilt", "0.1,-0.2", "--two-pi", "200"]),
    ],
    ids=["amplitude", "balanced", "panel", "tilt"],
)
def test_make_equals_command_line_file(tmp_path, kind, options, cli_options):
    lit = letter(7, 9)
    rows, columns = lit.shape
    with open(tmp_path / "object.pgm", "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (columns, rows) + np.where(lit, 255, 0).astype(np.uint8).tobytes())
    subprocess.run([cli(), str(tmp_path / "object.pgm"), "-o", str(tmp_path / "field.npy"), "--quiet", "--reps",
                    "3", *cli_options], check=True, timeout=120)
    made = marbleck.make(lit, 3, kind=kind, figures=False, **options)
    assert made.figures is None
    assert same_bits(made.values, np.load(tmp_path / "field.npy"))


@pytest.mark.parametrize(
    "kind, options, error, message",
    [
        ("hexagonal", {}, ValueError, r"unknown kind 'hexagonal' \(the kinds: amplitude, phase"),
        ("amplitude", {"refine": 3}, ValueError,
         r"unknown option 'refine' for the amplitude kind \(its options: binarize, budget\)"),
        ("phase", {"refine-method": "gs"}, ValueError, r"unknown option 'refine-method' for the phase kind "
         r"\(its options: refine, refine_method, "),
        ("phase", {"refine": "three"}, ValueError, r"--refine"),
        ("phase", {"refine": True}, ValueError, r"refine takes N, not True"),
        ("phase", {"tilt": (0.1, 0.2)}, ValueError, r"tilt takes FX,FY as a number or text"),
        ("phase", {"slm": "20x12", "fill": "spread"}, ValueError, r"--fill"),
        ("phase", {"refine_method": "gs"}, ValueError, r"--refine-method"),
        ("amplitude", {"binarize": "sideways"}, ValueError, r"--binarize"),
        ("phase", {"lut": "/nonexistent/lut.txt"}, OSError, r"lookup table /nonexistent/lut.txt: File not found"),
    ],
)
def test_option_errors(kind, options, error, message):
    with pytest.raises(error, match=message):
        marbleck.make(np.eye(6), 2, kind=kind, **options)


def test_options_left_out():
    lit = letter(6, 6)
    plain = marbleck.make(lit, 2, kind="phase", figures=False)
    assert same_bits(marbleck.make(lit, 2, kind="phase", refine=None, figures=False).values, plain.values)
    # A file's values outlive the record they came in, whatever is made next.
    values = marbleck.make(lit, 2, figures=False).values
    marbleck.make(letter(6, 6) * 0, 2, figures=False)
    assert same_bits(values, np.asarray(marbleck.hologram(lit, 2)))


@pytest.mark.parametrize("bad, message", [(False, None), (True, r"lookup table .*lut.txt: line 3: ")],
                         ids=["good", "bad"])
def test_lookup_table_file(tmp_path, bad, message):
    levels = [(k * 7) % 256 for k in range(256)]
    if bad:
        levels[2] = "x"
    (tmp_path / "lut.txt").write_text("".join(f"{level}\n" for level in levels))
    lit = letter(6, 8)
    if bad:
        with pytest.raises(OSError, match=message):
            marbleck.make(lit, 2, kind="phase", lut=tmp_path / "lut.txt")
        return
    made = marbleck.make(lit, 2, kind="phase", lut=tmp_path / "lut.txt", figures=False)
    expected, phase = marbleck.slm_map(marbleck.kinoform(lit, 2).phase, lut=levels)
    assert np.array_equal(made.levels, expected) and same_bits(made.values, phase)


def test_wavelength_is_the_lens():
    lit = letter(6, 8)
    k = marbleck.kinoform(lit, 2)
    for wavelength in (None, 532.0):
        made = marbleck.make(lit, 2, kind="phase", lens=0.5, pitch=8, wavelength=wavelength, figures=False)
        levels, phase = marbleck.slm_map(k.phase, lens=(0.5, wavelength, 8))
        assert same_bits(made.values, phase) and np.array_equal(made.levels, levels)
    # Without a lens the kind takes no wavelength.
    with pytest.raises(ValueError, match="--wavelength"):
        marbleck.make(lit, 2, kind="phase", wavelength=532)
