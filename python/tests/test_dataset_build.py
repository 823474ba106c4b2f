"""Datasets built on a local Dask cluster: the store against a plain loop of
compute_sample, a worker killed mid-run, resuming, refusing a store made
with other parameters, and the scenes (synthetic and from a folder)."""

import multiprocessing
import os
import signal
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

dask = pytest.importorskip("dask", reason="the dataset needs Dask (Debian's python3-dask)")
distributed = pytest.importorskip("distributed", reason="the dataset needs python3-distributed")
zarr = pytest.importorskip("zarr", reason="the dataset's store needs python3-zarr")

import marbleck  # noqa: E402
from marbleck import dataset  # noqa: E402
from marbleck.dataset import _build, _store  # noqa: E402

SMALL = dict(count=6, size=32, wavelengths=[638e-9, 520e-9], layers=4)
COMPARED = ("colour", "depth", "hologram", "energy")


@pytest.fixture(scope="module")
def client():
    environment = {name: os.environ.get(name) for name in dask.config.get("distributed.nanny.pre-spawn-environ")}
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0",
                                       silence_logs=50)
    with distributed.Client(cluster) as connected:
        yield connected
    cluster.close()
    # What the nannies set in this process.
    for name, value in environment.items():
        if value is None:
            os.environ.pop(name, None)
        else:
            os.environ[name] = value


def plain_loop(parameters):
    return [dataset.compute_sample(i, parameters) for i in range(parameters["count"])]


def assert_store_equals(path, expected):
    group = zarr.open_group(str(path), mode="r")
    assert group["done"][:].all()
    for i, sample in enumerate(expected):
        for name in COMPARED:
            stored = group[name][i]
            assert stored.dtype == sample[name].dtype and np.array_equal(stored, sample[name]), (i, name)
        assert group["seconds"][i] > 0


def files_of(path):
    """Every file under path with its bytes."""
    found = {}
    for folder, _, names in os.walk(path):
        for name in names:
            with open(os.path.join(folder, name), "rb") as file:
                found[os.path.relpath(os.path.join(folder, name), path)] = file.read()
    return found


def made_in_process(path, **options):
    """A complete store made without a cluster, its tasks run here."""
    parameters = _store.plain(_build.parameters_of(**options))
    group = _store.open_for_build(str(path), parameters, marbleck.__version__)
    indices, _ = _build.run_batch(str(path), list(range(parameters["count"])), parameters)
    _store.mark_done(group, str(path), indices)
    return parameters


@pytest.mark.parametrize(
    "options",
    [{}, dict(encode="phase", occlusion=True), dict(method="points", encode="amplitude", layers=None)],
    ids=["complex", "phase-occlusion", "points-amplitude"],
)
def test_store_equals_plain_loop(client, tmp_path, options):
    summary = dataset.build(tmp_path / "set.zarr", client=client, batch=2, progress=False, **SMALL | options)
    assert (summary.computed, summary.skipped, summary.workers, summary.batch) == (6, 0, 2, 2)
    group = zarr.open_group(str(tmp_path / "set.zarr"), mode="r")
    assert group.attrs["marbleck_dataset"] == 1 and group.attrs["marbleck_version"] == marbleck.__version__
    parameters = group.attrs["parameters"]
    assert parameters == _store.plain(_build.parameters_of(**SMALL | options))
    assert group["hologram"].chunks == (1, 2, 32, 32)
    assert_store_equals(tmp_path / "set.zarr", plain_loop(parameters))


@pytest.mark.parametrize("how", ["local-cluster", "scheduler-address"])
def test_build_starts_or_connects_its_own_client(client, tmp_path, monkeypatch, how):
    options = dict(SMALL, count=3)
    connect = dict(workers=1) if how == "local-cluster" else dict(scheduler=client.scheduler.address)
    shared = set(multiprocessing.active_children())
    for name in dask.config.get("distributed.nanny.pre-spawn-environ"):
        monkeypatch.delenv(name, raising=False)  # as the shared cluster's nannies found them
    environment = dict(os.environ, DASK_PARENT=os.environ.get("DASK_PARENT"))  # importing distributed sets it
    summary = dataset.build(tmp_path / "set.zarr", progress=False, **options, **connect)
    # The nannies' variables (OMP_NUM_THREADS, ...) are not left set in this process.
    assert dict(os.environ, DASK_PARENT=os.environ.get("DASK_PARENT")) == environment
    assert (summary.computed, summary.workers) == (3, 1 if how == "local-cluster" else 2)
    assert_store_equals(tmp_path / "set.zarr", plain_loop(_store.plain(_build.parameters_of(**options))))
    # Its own cluster's processes are gone, the shared cluster's clients back to this test's one.
    assert set(multiprocessing.active_children()) == shared
    assert len(client.scheduler_info()["workers"]) == 2


def test_killed_worker_loses_nothing(client, tmp_path):
    path = tmp_path / "set.zarr"
    options = dict(SMALL, count=8)
    pids = client.run(os.getpid)
    # Functions, not os.environ's bound methods: those would carry a copy of
    # this process's os.environ to the workers.
    client.run(lambda: os.environ.__setitem__(_build._DELAY_VARIABLE, "0.5"))
    assert set(client.run(lambda: os.environ.get(_build._DELAY_VARIABLE)).values()) == {"0.5"}
    outcome = {}

    def run():
        try:
            outcome["summary"] = dataset.build(path, client=client, batch=2, progress=False, **options)
        except BaseException as error:  # handed to the test's thread
            outcome["error"] = error

    builder = threading.Thread(target=run)
    builder.start()
    try:
        # Kill a worker once the first samples are done and the others run.
        for _ in range(600):
            if (path / ".zattrs").exists() and zarr.open_group(str(path), mode="r")["done"][:].sum() >= 2:
                break
            time.sleep(0.05)
        done_at_kill = zarr.open_group(str(path), mode="r")["done"][:].sum()
        os.kill(next(iter(pids.values())), signal.SIGKILL)
        builder.join(120)
    finally:
        client.run(lambda: os.environ.pop(_build._DELAY_VARIABLE, None), on_error="ignore")
    assert not builder.is_alive()
    assert "error" not in outcome, outcome.get("error")
    seconds = zarr.open_group(str(path), mode="r")["seconds"][:]
    assert 2 <= done_at_kill < 8 and outcome["summary"].computed == 8, (done_at_kill, seconds)
    # The nanny starts a new worker in the killed one's place.
    for _ in range(600):
        now = client.run(os.getpid, on_error="ignore")
        if len(now) == 2 and set(now.values()) != set(pids.values()):
            break
        time.sleep(0.05)
    assert len(now) == 2 and set(now.values()) != set(pids.values())
    assert_store_equals(path, plain_loop(_store.plain(_build.parameters_of(**options))))


def test_resume_computes_only_the_missing_samples(client, tmp_path, capsys):
    path = tmp_path / "set.zarr"
    parameters = made_in_process(path, **SMALL)
    group = zarr.open_group(str(path), mode="r+")
    # A stop left samples 1 and 4 torn: their flags unset, a chunk not written.
    for i in (1, 4):
        group["done"][i] = False
        group["hologram"][i] = 0
    summary = dataset.build(path, client=client, progress=True, **SMALL)
    assert (summary.computed, summary.skipped) == (2, 4)
    # The bar counts the samples left, on one line redrawn.
    shown = capsys.readouterr().err
    assert shown.endswith("\n") and shown.count("\n") == 1 and " 2/2 samples " in shown.split("\r")[-1]
    assert_store_equals(path, plain_loop(parameters))


@pytest.mark.parametrize(
    "change, message",
    [
        (dict(layers=16), "store made with layers=4, asked layers=16"),
        (dict(count=7), "store made with count=6, asked count=7"),
        (dict(encode="phase"), "store made with encode=complex, asked encode=phase"),
        (dict(wavelengths=[638e-9]), "store made with wavelengths=6.38e-07,5.2e-07, asked wavelengths=6.38e-07"),
        (dict(seed=1), "store made with seed=0, asked seed=1"),
    ],
    ids=["layers", "count", "encode", "wavelengths", "seed"],
)
def test_store_of_other_parameters_is_refused(tmp_path, change, message):
    path = tmp_path / "set.zarr"
    made_in_process(path, **SMALL)
    before = files_of(path)
    with pytest.raises(ValueError) as refused:
        dataset.build(path, progress=False, **SMALL | change)
    assert str(refused.value) == message
    assert files_of(path) == before


@pytest.mark.parametrize(
    "damage, message",
    [
        (lambda group: group.attrs.__delitem__("marbleck_dataset"), "no marbleck_dataset attribute"),
        (lambda group: group.attrs.__setitem__("marbleck_dataset", 2), "marbleck_dataset 2"),
        (lambda group: group.attrs.__setitem__("marbleck_version", "0.0"), "store made with marbleck 0.0"),
    ],
    ids=["no-format", "other-format", "other-version"],
)
def test_store_of_another_format_is_refused(tmp_path, damage, message):
    path = tmp_path / "set.zarr"
    made_in_process(path, **SMALL)
    damage(zarr.open_group(str(path), mode="r+"))
    before = files_of(path)
    with pytest.raises(ValueError, match=message):
        dataset.build(path, progress=False, **SMALL)
    assert files_of(path) == before


def test_folder_without_a_dataset_is_refused(tmp_path):
    (tmp_path / "notes.txt").write_text("mine")
    with pytest.raises(ValueError, match="no dataset"):
        dataset.build(tmp_path, progress=False, **SMALL)
    assert files_of(tmp_path) == {"notes.txt": b"mine"}


def test_store_that_cannot_be_made_names_the_store(tmp_path):
    (tmp_path / "file").write_text("")
    path = tmp_path / "file" / "set.zarr"
    with pytest.raises(OSError) as failed:
        dataset.build(path, progress=False, **SMALL)
    assert failed.value.filename == str(path)


@pytest.mark.parametrize(
    "change, message",
    [
        (dict(count=0), "count must be"),
        (dict(size="abc"), "size must be"),
        (dict(size=(32, 0)), "size must be"),
        (dict(wavelengths=[]), "wavelengths must be"),
        (dict(wavelengths=[-5.0]), "wavelength must be"),
        (dict(near=0.2, far=0.1), "near"),
        (dict(method="sum"), "unknown method"),
        (dict(encode="hue"), "unknown encoding"),
        (dict(method="points", occlusion=True), "occlusion is the layers method's"),
        (dict(layers=0), "layers must be"),
        (dict(seed=-1), "seed must be"),
        (dict(workers=0), "workers must be"),
        (dict(batch=0), "batch must be"),
        (dict(scheduler="tcp://127.0.0.1:1", client=object()), "not both"),
    ],
    ids=["count", "size-text", "size-zero", "no-wavelength", "negative-wavelength", "near-far", "method",
         "encode", "points-occlusion", "layers", "seed", "workers", "batch", "client-and-scheduler"],
)
def test_bad_parameters_are_refused_before_the_store(tmp_path, change, message):
    with pytest.raises(ValueError, match=message):
        dataset.build(tmp_path / "set.zarr", progress=False, **SMALL | change)
    assert not (tmp_path / "set.zarr").exists()


def test_importing_the_package_loads_no_cluster_or_store_library():
    # A fresh interpreter: this one has them loaded already.
    loaded = subprocess.run(
        [sys.executable, "-c", "import sys, marbleck, marbleck.dataset; "
         "print(sorted(m for m in ('dask', 'distributed', 'zarr', 'torch', 'PIL') if m in sys.modules))"],
        capture_output=True, text=True, check=True).stdout
    assert loaded.strip() == "[]"


def test_synthetic_scenes_are_pure_functions_of_seed_and_index():
    colour, depth = dataset.synthetic_scene(3, 7, (40, 56))
    assert (colour.shape, colour.dtype, depth.shape, depth.dtype) == ((40, 56, 3), np.uint8, (40, 56), np.uint16)
    again = dataset.synthetic_scene(3, 7, (40, 56))
    assert np.array_equal(colour, again[0]) and np.array_equal(depth, again[1])
    for other in (dataset.synthetic_scene(4, 7, (40, 56)), dataset.synthetic_scene(3, 8, (40, 56))):
        assert not np.array_equal(colour, other[0]) and not np.array_equal(depth, other[1])
    # A background at the far distance, shapes nearer, textured colours.
    assert 65535 in depth and len(np.unique(depth)) >= 3 and len(np.unique(colour.reshape(-1, 3), axis=0)) > 8


def test_synthetic_scenes_paint_nearer_shapes_over_farther():
    # Each level's pixels were painted by one shape: the nearest over them.
    for index in range(5):
        colour, depth = dataset.synthetic_scene(index, 0, 64, near=0.05, far=0.1)
        levels = np.unique(depth)
        assert levels[-1] == 65535 and levels[0] < 65535
        points = marbleck.rgbd_points(colour, depth, 0.05, 0.1, pitch=8e-6)
        assert points.positions[:, 2].min() >= 0.05 and points.positions[:, 2].max() == pytest.approx(0.1)


@pytest.fixture
def picture_folder(tmp_path):
    image = pytest.importorskip("PIL.Image", reason="folder scenes need Pillow (python3-pil)")
    rng = np.random.default_rng(30)
    colour = rng.integers(0, 256, (24, 32, 3), dtype=np.uint8)
    grey = rng.integers(0, 256, (24, 32), dtype=np.uint8)
    wide = rng.integers(0, 65536, (24, 32), dtype=np.uint16)
    image.fromarray(colour).save(tmp_path / "a.png")
    image.fromarray(grey).save(tmp_path / "a.depth.png")
    image.fromarray(colour[::-1]).save(tmp_path / "b.png")
    image.fromarray(wide).save(tmp_path / "b.depth.png")
    return tmp_path, image, colour, grey, wide


def test_folder_scenes_read_8_and_16_bit_depths(picture_folder):
    folder, _, colour, grey, wide = picture_folder
    scenes = dataset.folder_scenes(folder)
    assert len(scenes) == 2
    name, read_colour, read_depth = scenes[0]
    assert name == "a" and np.array_equal(read_colour, colour)
    assert read_depth.dtype == np.uint16 and np.array_equal(read_depth, grey.astype(np.uint16) * 257)
    name, read_colour, read_depth = scenes[1]
    assert name == "b" and np.array_equal(read_colour, colour[::-1]) and np.array_equal(read_depth, wide)


@pytest.mark.parametrize(
    "damage, named",
    [
        (lambda folder, image: os.remove(folder / "b.depth.png"), "b.depth.png"),
        (lambda folder, image: os.remove(folder / "a.png"), "a.png"),
        (lambda folder, image: (folder / "a.depth.png").write_bytes(b"not a picture"), "a.depth.png"),
        (lambda folder, image: image.fromarray(np.full((24, 32, 3), (0, 9, 0), np.uint8)).save(folder / "a.depth.png"),
         "a.depth.png"),
    ],
    ids=["missing-depth", "missing-colour", "not-a-picture", "coloured-depth"],
)
def test_folder_scenes_refuse_naming_the_file(picture_folder, damage, named):
    folder, image, *_ = picture_folder
    damage(folder, image)
    with pytest.raises(OSError) as refused:
        for scene in dataset.folder_scenes(folder):
            pass
    assert refused.value.filename == str(folder / named)


def test_build_from_a_folder(client, picture_folder, tmp_path):
    folder, image, colour, grey, wide = picture_folder
    options = dict(count=2, size=(24, 32), wavelengths=[520e-9], layers=3, scenes=folder)
    summary = dataset.build(tmp_path / "set.zarr", client=client, progress=False, **options)
    assert summary.computed == 2
    group = zarr.open_group(str(tmp_path / "set.zarr"), mode="r")
    assert group.attrs["parameters"]["scenes"] == str(folder)
    assert np.array_equal(group["colour"][1], colour[::-1]) and np.array_equal(group["depth"][1], wide)
    assert_store_equals(tmp_path / "set.zarr", plain_loop(group.attrs["parameters"]))


def test_build_refuses_a_folder_picture_of_another_size(picture_folder, tmp_path):
    folder, *_ = picture_folder
    with pytest.raises(OSError) as refused:
        dataset.build(tmp_path / "set.zarr", count=2, size=32, scenes=folder, progress=False)
    assert refused.value.filename == str(folder / "a.png")
    assert not (tmp_path / "set.zarr").exists()
