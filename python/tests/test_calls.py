"""How calls run: their bound on work and time, Ctrl+C with the program's own
handler, fresh random phases, and what the package says of itself."""

import os
import re
import signal
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

import marbleck

ROOT = Path(__file__).resolve().parents[2]


@pytest.mark.parametrize("call", ["hologram", "kinoform", "make"])
@pytest.mark.parametrize("engine", ["exact", "reference"])
def test_unbounded_exact_work_is_refused_with_an_estimate(engine, call):
    # In a child with a deadline of its own: a call that is not refused would
    # run for hours.
    script = "\n".join([
        "import numpy, marbleck",
        "try:",
        f"    marbleck.{call}(numpy.ones((4096, 4096), bool), 2, engine={engine!r})",
        "except ValueError as error:",
        "    print(error)",
    ])
    child = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=120)
    assert re.fullmatch(rf"16777216 points × 67108864 values is more than the 2\^38 bound of the {engine} engine "
                        rf"\(about \d+ min here\); use engine=\"fast\", or time_limit=S to go on\n", child.stdout)


def test_time_limit_stops_the_work():
    with pytest.raises(TimeoutError, match=r"the hologram stopped after 0.5 s \(time_limit\)"):
        marbleck.hologram(np.ones((2048, 2048), bool), 2, time_limit=0.5)
    # Sums beyond the bound go on under a kinoform's time limit, which stops them.
    with pytest.raises(TimeoutError, match=r"the kinoform stopped after 0.5 s \(time_limit\)"):
        marbleck.kinoform(np.ones((2048, 2048), bool), 2, time_limit=0.5)
    with pytest.raises(TimeoutError, match=r"the hologram stopped after 0.5 s \(time_limit\)"):
        marbleck.make(np.ones((2048, 2048), bool), 2, kind="phase", time_limit=0.5)
    # A limit that is not reached changes nothing.
    lit = np.eye(9, dtype=bool)
    assert np.array_equal(marbleck.hologram(lit, 2, time_limit=60), marbleck.hologram(lit, 2))
    with pytest.raises(ValueError, match="time_limit"):
        marbleck.hologram(lit, 2, time_limit=-1)


def run_interrupted(handler):
    """A child that sends itself SIGINT during a calculation of seconds and
    reports what became of it; the handler notes whether the call was running."""
    script = "\n".join([
        "import os, signal, threading, numpy, marbleck",
        "running, calls = False, []",
        handler,
        "threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT)).start()",
        "running = True",
        "try:",
        "    field = marbleck.hologram(numpy.ones((64, 64), bool), 8, engine='reference')",
        "    print('returned', field.shape, field.min(), field.max(), flush=True)",
        "except BaseException as error:",
        "    print('raised', type(error).__name__, flush=True)",
        "running = False",
        "print('handled', calls, flush=True)",
    ])
    child = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, timeout=300)
    assert child.returncode == 0, child.stderr
    return child.stdout


def test_ctrl_c_with_a_handler_that_does_not_raise_lets_the_call_finish():
    out = run_interrupted("signal.signal(signal.SIGINT, lambda number, frame: calls.append(running))")
    assert "returned (512, 512) 0.0 1.0" in out
    assert "handled [True]" in out


@pytest.mark.parametrize(
    "handler, raised",
    [("", "KeyboardInterrupt"),
     ("def stop(number, frame):\n    calls.append(running)\n    raise RuntimeError('stop')\n"
      "signal.signal(signal.SIGINT, stop)", "RuntimeError")],
    ids=["default", "raising"],
)
def test_ctrl_c_stops_the_call_when_the_handler_raises(handler, raised):
    out = run_interrupted(handler)
    assert "returned" not in out
    assert f"raised {raised}" in out


def test_random_phases_are_fresh_and_their_seed_is_kept():
    lit = np.eye(12, dtype=bool)
    first, second = marbleck.hologram(lit, 2, random_phase=True), marbleck.hologram(lit, 2, random_phase=True)
    assert first.seed != second.seed
    assert not np.array_equal(first, second)
    again = marbleck.hologram(lit, 2, random_phase=True, seed=first.seed)
    assert np.array_equal(again, first) and again.seed == first.seed
    assert marbleck.hologram(lit, 2).seed is None
    k = marbleck.kinoform(lit, 2, random_phase=True)
    assert np.array_equal(marbleck.kinoform(lit, 2, random_phase=True, seed=k.seed).phase, k.phase)


def test_kinoform_repr_is_short():
    k = marbleck.kinoform(np.eye(64, dtype=bool), 4, refine=1)
    text = repr(k)
    assert text.startswith("Kinoform(phase=<256 x 256 float32>, figures=Figures(")
    assert "refinement=Refinement(method='gs'" in text and len(text) < 600


def test_version_is_the_projects():
    cli = os.environ.get("MARBLECK_CLI")
    if not cli:
        pytest.skip("MARBLECK_CLI names no marbleck-cli to compare with")
    out = subprocess.run([cli, "--version"], capture_output=True, text=True, check=True, timeout=60).stdout
    assert out.split() == ["marbleck-cli", marbleck.__version__]


def test_example_without_a_display_writes_its_pictures(tmp_path):
    pytest.importorskip("matplotlib")
    environment = {key: value for key, value in os.environ.items()
                   if key not in ("DISPLAY", "WAYLAND_DISPLAY", "MPLBACKEND")}
    environment["PYTHONPATH"] = os.pathsep.join(sys.path)
    environment["MPLCONFIGDIR"] = str(tmp_path / "config")
    child = subprocess.run([sys.executable, str(ROOT / "examples" / "hologram.py")], cwd=tmp_path,
                           env=environment, capture_output=True, text=True, timeout=300)
    assert child.returncode == 0, child.stderr
    for name in ["hologram", "binarized", "reconstruction"]:
        assert (tmp_path / f"{name}.png").read_bytes().startswith(b"\x89PNG")
