"""Reading dataset stores: open() and the PyTorch Dataset over stores written
here with Zarr as build() lays them out, through DataLoaders with worker
processes, and the stores they refuse."""

import os
import pickle
import subprocess
import sys
from pathlib import Path

import numpy as np
import pytest

zarr = pytest.importorskip("zarr")
from marbleck.dataset import _read  # noqa: E402

ROOT = Path(__file__).resolve().parents[2]
FIELDS = ("colour", "depth", "hologram", "energy", "seconds")


def write_store(path, count=5, size=(6, 7), wavelengths=(638e-9, 520e-9), encode="complex", done=None, seed=3):
    """A store of random samples laid out as build() writes one: each array
    chunked one sample along its first axis. Returns the samples written."""
    rows, columns = size
    levels = len(wavelengths)
    rng = np.random.default_rng(seed)
    samples = {
        "colour": rng.integers(0, 256, (count, rows, columns, 3), dtype=np.uint8),
        "depth": rng.integers(0, 65536, (count, rows, columns), dtype=np.uint16),
        "energy": rng.uniform(1, 9, (count, levels)).astype(np.float32),
        "seconds": rng.uniform(0, 1, count).astype(np.float32),
    }
    shape = (count, levels, rows, columns)
    if encode == "complex":
        samples["hologram"] = (rng.normal(size=shape) + 1j * rng.normal(size=shape)).astype(np.complex64)
    else:
        samples["hologram"] = rng.uniform(-np.pi, np.pi, shape).astype(np.float32)
    done = np.ones(count, bool) if done is None else np.asarray(done, bool)
    group = zarr.open_group(zarr.DirectoryStore(str(path)), mode="w")
    group.attrs["marbleck_dataset"] = 1
    group.attrs["marbleck_version"] = "0.2"
    group.attrs["parameters"] = {
        "count": count, "size": [rows, columns], "pitch": 8e-6, "wavelengths": list(wavelengths),
        "near": 0.05, "far": 0.1, "method": "layers", "layers": 4, "encode": encode,
        "occlusion": False, "seed": seed, "scenes": "synthetic",
    }
    for name, values in [*samples.items(), ("done", done)]:
        array = group.create_dataset(name, shape=values.shape, chunks=(1, *values.shape[1:]),
                                     dtype=values.dtype, fill_value=0)
        for index in np.flatnonzero(done):
            array[index] = values[index]
    return samples


def assert_sample(got, samples, index, fields=FIELDS):
    assert set(got) == set(fields)
    for name in fields:
        expected = samples[name][index]
        value = np.asarray(got[name])
        assert value.shape == np.shape(expected), name
        np.testing.assert_array_equal(value, expected, err_msg=name)


@pytest.mark.parametrize("encode, dtype", [("complex", np.complex64), ("phase", np.float32)])
def test_open_gives_the_stored_arrays_back(tmp_path, encode, dtype):
    samples = write_store(tmp_path / "set.zarr", encode=encode)
    store = _read.open(tmp_path / "set.zarr")
    assert len(store) == 5 and store.complete and store.done.all()
    assert store.parameters["encode"] == encode and store.parameters["size"] == [6, 7]
    assert store.version == "0.2"
    for index in range(len(store)):
        sample = store[index]
        assert sample["hologram"].dtype == dtype and sample["depth"].dtype == np.uint16
        assert_sample(sample, samples, index)
    assert_sample(store[-1], samples, 4)
    assert_sample(store.sample(2, ("energy", "depth")), samples, 2, ("energy", "depth"))
    assert [s["seconds"] for s in store] == list(samples["seconds"])
    with pytest.raises(IndexError):
        store[5]
    # What the caller changes of the parameters stays its own.
    store.parameters["size"][0] = 99
    assert store.parameters["size"] == [6, 7]


def test_unwritten_samples_are_refused_and_listed(tmp_path):
    samples = write_store(tmp_path / "set.zarr", done=[True, False, True, False, False])
    store = _read.open(tmp_path / "set.zarr")
    assert store.done.tolist() == [True, False, True, False, False] and not store.complete
    assert_sample(store[2], samples, 2)
    with pytest.raises(ValueError, match="sample 1 is not written yet .2 of 5 are"):
        store[1]


def _drop_attribute(group):
    del group.attrs["marbleck_dataset"]


def _set_attribute(value):
    def change(group):
        group.attrs["marbleck_dataset"] = value
    return change


def _remove_array(name):
    def change(group):
        del group[name]
    return change


def _replace_array(name, shape, dtype):
    def change(group):
        del group[name]
        group.create_dataset(name, shape=shape, chunks=(1, *shape[1:]), dtype=dtype)
    return change


def _set_parameter(key, value):
    def change(group):
        parameters = group.attrs["parameters"]
        parameters[key] = value
        group.attrs["parameters"] = parameters
    return change


@pytest.mark.parametrize("change, message", [
    (_drop_attribute, "not a Marbleck dataset store .no marbleck_dataset attribute"),
    (_set_attribute(2), "a dataset store of format 2; this version of Marbleck reads format 1"),
    (_set_attribute(True), "of format True"),
    (_set_attribute("1"), "of format '1'"),
    (_remove_array("hologram"), "the store has no array 'hologram'"),
    (_replace_array("hologram", (5, 2, 6, 7), np.float32),
     "array 'hologram' is 5 x 2 x 6 x 7 float32; the parameters make it 5 x 2 x 6 x 7 complex64"),
    (_replace_array("colour", (5, 7, 6, 3), np.uint8), "array 'colour' is 5 x 7 x 6 x 3 uint8"),
    (_replace_array("done", (4,), bool), "array 'done' is 4 bool; the parameters make it 5 bool"),
    (_set_parameter("count", 0), "the store's parameter count is 0"),
    (_set_parameter("size", [6]), "the store's parameter size is .6."),
    (_set_parameter("wavelengths", []), "the store's parameter wavelengths is"),
], ids=["no-format", "format-2", "format-true", "format-text", "no-hologram", "hologram-type",
        "colour-shape", "done-length", "count", "size", "wavelengths"])
def test_stores_not_as_laid_out_are_refused(tmp_path, change, message):
    write_store(tmp_path / "set.zarr")
    change(zarr.open_group(zarr.DirectoryStore(str(tmp_path / "set.zarr")), mode="r+"))
    with pytest.raises(ValueError, match=message):
        _read.open(tmp_path / "set.zarr")


def test_paths_that_are_no_store_are_refused(tmp_path):
    with pytest.raises(FileNotFoundError) as missing:
        _read.open(tmp_path / "missing.zarr")
    assert missing.value.filename == str(tmp_path / "missing.zarr")
    (tmp_path / "file.zarr").write_bytes(b"")
    with pytest.raises(NotADirectoryError):
        _read.open(tmp_path / "file.zarr")
    (tmp_path / "folder").mkdir()
    with pytest.raises(ValueError, match="not a Marbleck dataset store .no Zarr group"):
        _read.open(tmp_path / "folder")
    # An array alone is no store either.
    zarr.open_array(zarr.DirectoryStore(str(tmp_path / "array.zarr")), mode="w", shape=(2,))
    with pytest.raises(ValueError, match="not a Marbleck dataset store"):
        _read.open(tmp_path / "array.zarr")


@pytest.fixture
def torch():
    return pytest.importorskip("torch")


def loaded(torch, dataset, context):
    """Every item a DataLoader of two worker processes yields, with the
    worker that read it, by the dataset's index."""
    loader = torch.utils.data.DataLoader(dataset, batch_size=2, num_workers=2, shuffle=False,
                                         multiprocessing_context=context)
    items = {}
    for batch in loader:
        for position in range(len(next(iter(batch.values())))):
            items[len(items)] = {name: values[position] for name, values in batch.items()}
    return items


@pytest.mark.parametrize("encode, context", [("complex", "fork"), ("amplitude", "fork"), ("complex", "spawn")])
def test_data_loader_workers_yield_the_stored_arrays(tmp_path, torch, encode, context):
    samples = write_store(tmp_path / "set.zarr", encode=encode)
    dataset = _read.TorchDataset(tmp_path / "set.zarr", fields=FIELDS)
    assert isinstance(dataset, torch.utils.data.Dataset) and len(dataset) == 5
    dataset[0]  # opened in this process before the workers start
    items = loaded(torch, dataset, context)
    assert sorted(items) == list(range(5))
    for index, item in items.items():
        assert item["hologram"].dtype == (torch.complex64 if encode == "complex" else torch.float32)
        assert item["colour"].dtype == torch.uint8 and item["depth"].dtype == torch.int32
        assert_sample({name: value.numpy() for name, value in item.items()}, samples, index)


def test_dataset_goes_to_a_process_as_its_path(tmp_path, torch):
    # No "zarr" in the path: the pickle must not name Zarr's classes.
    samples = write_store(tmp_path / "samples")
    dataset = _read.TorchDataset(str(tmp_path / "samples"), fields=("depth",))
    dataset[1]
    pickled = pickle.dumps(dataset)
    assert b"zarr" not in pickled
    again = pickle.loads(pickled)
    assert again.indices == [0, 1, 2, 3, 4] and again.fields == ("depth",)
    assert_sample({"depth": again[3]["depth"].numpy()}, samples, 3, ("depth",))


def test_incomplete_store_is_refused_unless_partial(tmp_path, torch):
    samples = write_store(tmp_path / "set.zarr", done=[False, True, False, True, True])
    with pytest.raises(ValueError, match="3 of 5 samples are written; .* partial=True"):
        _read.TorchDataset(tmp_path / "set.zarr")
    dataset = _read.TorchDataset(tmp_path / "set.zarr", fields=("hologram", "seconds"), partial=True)
    assert len(dataset) == 3 and dataset.indices == [1, 3, 4]
    items = loaded(torch, dataset, "fork")
    for position, index in enumerate(dataset.indices):
        assert_sample({name: value.numpy() for name, value in items[position].items()}, samples, index,
                      ("hologram", "seconds"))
    with pytest.raises(IndexError):
        dataset[3]


@pytest.mark.parametrize("fields, message", [
    ((), "name at least one of the fields"),
    (("colour", "phase"), "unknown field 'phase'"),
    (("depth", "depth"), "fields named twice"),
])
def test_fields_are_checked(tmp_path, torch, fields, message):
    write_store(tmp_path / "set.zarr", count=1)
    with pytest.raises(ValueError, match=message):
        _read.TorchDataset(tmp_path / "set.zarr", fields=fields)


def test_example_iterates_a_store_with_two_workers(tmp_path, torch):
    import marbleck.dataset
    if not hasattr(marbleck.dataset, "TorchDataset"):
        pytest.skip("marbleck.dataset does not export TorchDataset here")
    write_store(tmp_path / "set.zarr", count=6, size=(8, 8), wavelengths=(638e-9, 520e-9, 450e-9))
    environment = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    child = subprocess.run([sys.executable, str(ROOT / "examples" / "dataset_loader.py"), str(tmp_path / "set.zarr")],
                           env=environment, capture_output=True, text=True, timeout=300)
    assert child.returncode == 0, child.stderr
    assert "hologram: 2 x 3 x 8 x 8 complex64" in child.stdout
    assert "6 samples in 3 batches" in child.stdout
