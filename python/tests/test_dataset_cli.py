"""The datasets' command line, python3 -m marbleck.dataset, run as a
process: its help, one-line errors and exit statuses, and small builds on a
local Dask cluster."""

import importlib.util
import os
import socket
import subprocess
import sys
import types

import pytest

from marbleck.dataset import _read

PROGRAM = "marbleck-dataset: "


def needs_build():
    if importlib.util.find_spec("marbleck.dataset._build") is None:
        pytest.skip("marbleck.dataset builds no datasets here (no _build)")


def run(tmp_path, *arguments, **environment):
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path),
               DASK_TEMPORARY_DIRECTORY=str(tmp_path / "dask-scratch"), **environment)
    return subprocess.run([sys.executable, "-m", "marbleck.dataset", *map(str, arguments)], env=env,
                          capture_output=True, text=True, timeout=600)


def one_line(child):
    lines = child.stderr.splitlines()
    assert len(lines) == 1 and lines[0].startswith(PROGRAM), child.stderr
    return lines[0][len(PROGRAM):]


def test_help_shows_the_options_and_statuses(tmp_path):
    child = run(tmp_path, "--help")
    assert child.returncode == 0 and child.stderr == ""
    assert child.stdout.startswith("usage: python3 -m marbleck.dataset ")
    for text in ["--count N", "--size S|WxH", "--wavelengths NM[,NM...]", "--scheduler ADDR", "exit status: 0"]:
        assert text in child.stdout


@pytest.mark.parametrize("arguments, reason", [
    ([], "the following arguments are required: OUT.zarr, --count"),
    (["--count", "4"], "the following arguments are required: OUT.zarr"),
    (["S", "--count", "0"], "--count must be a whole number from 1: 0"),
    (["S", "--count", "2.5"], "--count must be a whole number from 1: 2.5"),
    (["S", "--count", "4", "--size", "abc"], "--size must be S or WxH, whole numbers from 1: abc"),
    (["S", "--count", "4", "--size", "64x0"], "--size must be S or WxH, whole numbers from 1: 64x0"),
    (["S", "--count", "4", "--wavelengths", "5x"], "--wavelengths must be numbers above 0 with commas between: 5x"),
    (["S", "--count", "4", "--wavelengths", "638,,450"], "--wavelengths must be numbers above 0 with commas between: 638,,450"),
    (["S", "--count", "4", "--pitch", "nan"], "--pitch must be a number above 0: nan"),
    (["S", "--count", "4", "--far", "1e999999"], "--far must be a number above 0: 1e999999"),
    (["S", "--count", "4", "--method", "rays"], "argument --method: invalid choice: 'rays'"),
    (["S", "--count", "4", "--encode", "binary"], "argument --encode: invalid choice: 'binary'"),
    (["S", "--count", "4", "--colour"], "unrecognized arguments: --colour"),
    (["S", "--count", "4", "--method", "points", "--layers", "8"], "--layers is for --method layers"),
    (["S", "--count", "4", "--method", "points", "--occlusion"], "--occlusion is for --method layers"),
    (["S", "--count", "4", "--seed", "18446744073709551616"], "--seed must be a whole number from 0 to 2^64 - 1"),
    (["S", "--count", "4", "--scheduler", "tcp://h:8786", "--workers", "2"], "--workers is for the local cluster"),
], ids=["nothing", "no-store", "count-0", "count-fraction", "size-text", "size-0", "wavelength-text",
        "wavelength-empty", "pitch-nan", "far-huge", "method", "encode", "unknown-option", "points-layers",
        "points-occlusion", "seed-huge", "scheduler-workers"])
def test_usage_errors_are_one_line_and_status_1(tmp_path, arguments, reason):
    arguments = [str(tmp_path / "set.zarr") if item == "S" else item for item in arguments]
    child = run(tmp_path, *arguments)
    assert child.returncode == 1 and child.stdout == ""
    assert one_line(child).startswith(reason)
    assert not (tmp_path / "set.zarr").exists()


@pytest.mark.parametrize("store, reason", [
    ("file/set.zarr", "cannot be made: {tmp}/file is not a folder"),
    ("file/deeper/set.zarr", "cannot be made: {tmp}/file is not a folder"),
    ("file", "not a folder (a store is one)"),
])
def test_store_that_cannot_be_made_is_status_3(tmp_path, store, reason):
    (tmp_path / "file").write_text("not a folder\n")
    child = run(tmp_path, tmp_path / store, "--count", "2", "--size", "16", "--layers", "2")
    assert child.returncode == 3 and child.stdout == ""
    assert one_line(child) == f"{tmp_path / store}: " + reason.format(tmp=tmp_path)
    assert (tmp_path / "file").read_text() == "not a folder\n"


@pytest.mark.parametrize("scenes, reason", [("missing", "no such scene folder"), ("file", "not a folder of scenes")])
def test_scene_folder_that_cannot_be_read_is_status_2(tmp_path, scenes, reason):
    (tmp_path / "file").write_text("")
    child = run(tmp_path, tmp_path / "set.zarr", "--count", "2", "--scenes", tmp_path / scenes)
    assert child.returncode == 2 and child.stdout == ""
    assert one_line(child) == f"{tmp_path / scenes}: {reason}"
    assert not (tmp_path / "set.zarr").exists()


SMALL = ["--count", "3", "--size", "24x16", "--pitch", "8", "--wavelengths", "638,450", "--layers", "4",
         "--near", "0.05", "--far", "0.07", "--seed", "5", "--workers", "2", "--quiet"]


def test_small_build_is_complete_and_resumes(tmp_path):
    needs_build()
    store = tmp_path / "set.zarr"
    child = run(tmp_path, store, *SMALL)
    assert child.returncode == 0 and child.stderr == "", child.stderr
    assert child.stdout.startswith(f"{store}: 3 samples computed, 0 already done, ")
    assert len(child.stdout.splitlines()) == 1
    opened = _read.open(store)
    assert opened.complete and len(opened) == 3
    # The command line's units in SI, as Python's literals give them.
    assert opened.parameters == {
        "count": 3, "size": [16, 24], "pitch": 8e-6, "wavelengths": [638e-9, 450e-9], "near": 0.05,
        "far": 0.07, "method": "layers", "layers": 4, "encode": "complex", "occlusion": False, "seed": 5,
        "scenes": "synthetic"}
    assert opened[2]["hologram"].shape == (2, 16, 24)
    again = run(tmp_path, store, *SMALL)
    assert again.returncode == 0, again.stderr
    assert again.stdout.startswith(f"{store}: 0 samples computed, 3 already done, ")
    other = run(tmp_path, store, *[("8" if item == "4" else item) for item in SMALL])
    assert other.returncode == 1 and other.stdout == ""
    assert one_line(other) == f"{store}: store made with layers=4, asked layers=8"


def test_scheduler_that_does_not_answer_is_status_1(tmp_path):
    needs_build()
    with socket.socket() as listener:  # a port nothing listens on once closed
        listener.bind(("127.0.0.1", 0))
        port = listener.getsockname()[1]
    address = f"tcp://127.0.0.1:{port}"
    child = run(tmp_path, tmp_path / "set.zarr", "--count", "2", "--scheduler", address,
                DASK_DISTRIBUTED__COMM__TIMEOUTS__CONNECT="2s")
    assert child.returncode == 1 and child.stdout == ""
    assert one_line(child).startswith(f"{address}: the scheduler does not answer")


def test_workers_dying_again_and_again_is_one_line_and_status_2(tmp_path, monkeypatch, capsys):
    distributed = pytest.importorskip("distributed")
    if importlib.util.find_spec("marbleck.dataset._build") is None:
        pytest.skip("marbleck.dataset._build is not built here")
    import marbleck.dataset._build as built
    from marbleck.dataset.__main__ import main

    def dies(*args, **kwargs):
        raise distributed.KilledWorker("compute-3", types.SimpleNamespace(address="tcp://10.0.0.2:40000"), 3)

    monkeypatch.setattr(built, "build", dies)
    store = str(tmp_path / "set.zarr")
    assert main([store, "--count", "2", "--size", "8", "--layers", "2"]) == 2
    lines = capsys.readouterr().err.splitlines()
    assert len(lines) == 1 and lines[0].startswith(f"marbleck-dataset: {store}: the workers died"), lines
