"""A dataset's build: every sample (a scene and its hologram, a pure
function of its index and the parameters) computed by tasks on a Dask
cluster, each task a batch of consecutive samples that writes its own
chunks into the store, the client marking them done as tasks return."""

from __future__ import annotations

import dataclasses
import importlib.util
import logging
import math
import os
import sys
import time
import typing
from typing import Any, Dict, List, Optional, Tuple, Union

import numpy as np

from . import _store
from ._scenes import FolderScenes, Size, synthetic_scene
from ._store import METHODS, _positive_whole, parameters_of

__all__ = ["METHODS", "BuildSummary", "build", "compute_sample", "parameters_of", "run_batch"]

# Test-only: seconds each sample of a task sleeps first (to have a worker
# killed mid-run). Read in the task, on the worker.
_DELAY_VARIABLE = "MARBLECK_DATASET_SAMPLE_DELAY"

# What a task aims at: about a second of work, at least one sample.
_TASK_SECONDS = 1.0


@dataclasses.dataclass(frozen=True)
class BuildSummary:
    """What a build did: samples computed and already done (skipped), its
    wall time in seconds (the cluster's start included), the computed
    samples a second, the cluster's workers and the samples a task (0 and 0
    where nothing was left to do and no cluster was started)."""

    computed: int
    skipped: int
    seconds: float
    samples_per_second: float
    workers: int
    batch: int


def _scene(index: int, parameters: Dict[str, Any]) -> Tuple[np.ndarray, np.ndarray]:
    size = tuple(parameters["size"])
    if parameters["scenes"] == "synthetic":
        return synthetic_scene(index, parameters["seed"], size, parameters["near"], parameters["far"])
    folder = FolderScenes(parameters["scenes"])
    if index >= len(folder):
        raise OSError(2, f"the folder holds {len(folder)} scenes, not {index + 1}", folder.path)
    _, colour, depth = folder[index]
    if colour.shape[:2] != size:
        raise OSError(22, f"the picture is {colour.shape[1]} x {colour.shape[0]}, the dataset's size "
                      f"{size[1]} x {size[0]}", folder.files(index)[0])
    return colour, depth


def compute_sample(index: int, parameters: Dict[str, Any], nthreads: int = 1) -> Dict[str, Any]:
    """Sample `index` of a dataset of these parameters (a store's parameters
    attribute): its scene's colour and depth, its hologram (wavelengths x
    rows x columns in the encoding), the energy sum |U|^2 of each
    wavelength's complex field (float32), and the seconds it took.

    The hologram is marbleck.point_hologram() of marbleck.rgbd_points() of
    the scene. Its complex field gives the energy, so the complex encoding
    takes one call; the others take a second call for the encoded field (the
    package has no call that encodes a given field).
    nthreads: the threads the engine may use (0 for every core).
    """
    from .. import point_hologram, rgbd_points

    start = time.perf_counter()
    rows, columns = (int(v) for v in parameters["size"])
    colour, depth = _scene(index, parameters)
    delay = os.environ.get(_DELAY_VARIABLE)
    if delay:
        time.sleep(float(delay))
    near, far, pitch = parameters["near"], parameters["far"], parameters["pitch"]
    points = rgbd_points(colour, depth, near, far, pitch=pitch)
    options: Dict[str, Any] = {"method": parameters["method"], "nthreads": nthreads}
    if parameters["method"] == "layers":
        options.update(layers=parameters["layers"], occlusion=bool(parameters["occlusion"]))
    wavelengths = list(parameters["wavelengths"])
    field = np.asarray(point_hologram(points, (rows, columns), pitch, wavelengths, encode="complex", **options))
    energy = np.empty(len(wavelengths), dtype=np.float32)
    for i, values in enumerate(field):
        energy[i] = np.float32(np.sum(np.square(values.real, dtype=np.float64) + np.square(values.imag,
                                                                                         dtype=np.float64)))
    if parameters["encode"] == "complex":
        hologram = field
    else:
        hologram = np.asarray(point_hologram(points, (rows, columns), pitch, wavelengths,
                                             encode=parameters["encode"], **options))
    return {
        "colour": colour,
        "depth": depth,
        "hologram": np.ascontiguousarray(hologram),
        "energy": energy,
        "seconds": np.float32(time.perf_counter() - start),
    }


def _worker_threads() -> int:
    try:
        from distributed import get_worker

        worker = get_worker()
        state = getattr(worker, "state", None)
        return max(1, int(state.nthreads if state is not None else worker.nthreads))
    except (ImportError, ValueError, AttributeError):
        return 1


_malloc_settled = False


def _keep_large_buffers() -> None:
    """Where this process was started with MALLOC_TRIM_THRESHOLD_ (as Dask's
    nannies start their workers), glibc maps every buffer above 128 KiB
    afresh and unmaps it when freed, so the engine's transform buffers fault
    their pages in again on every call (a sample about 40 % slower): take
    buffers up to 32 MiB from the heap and keep up to 64 MiB free in it.
    Once a process; nothing elsewhere than glibc."""
    global _malloc_settled
    if _malloc_settled:
        return
    _malloc_settled = True
    if "MALLOC_TRIM_THRESHOLD_" not in os.environ or not sys.platform.startswith("linux"):
        return
    import ctypes

    try:
        mallopt = ctypes.CDLL(None).mallopt
    except (OSError, AttributeError):
        return
    mallopt(-3, 32 << 20)  # M_MMAP_THRESHOLD
    mallopt(-1, 64 << 20)  # M_TRIM_THRESHOLD


def run_batch(path: str, indices: List[int], parameters: Dict[str, Any]) -> Tuple[List[int], float]:
    """A task: compute and write the samples `indices` into the store at
    path with the worker's threads; returns the indices and their seconds."""
    _keep_large_buffers()
    group = _store.open_for_task(path)
    threads = _worker_threads()
    seconds = 0.0
    for index in indices:
        sample = compute_sample(index, parameters, threads)
        _store.write_sample(group, path, index, sample)
        seconds += float(sample["seconds"])
    return indices, seconds


def _check_folder(parameters: Dict[str, Any]) -> None:
    """OSError naming the first scene file that cannot be read or is not
    the dataset's size; ValueError where the folder has fewer scenes."""
    folder = FolderScenes(parameters["scenes"])
    size = tuple(parameters["size"])
    if len(folder) < parameters["count"]:
        raise ValueError(f"the scene folder {folder.path} holds {len(folder)} colour/depth pairs, "
                         f"not the {parameters['count']} asked")
    for i in range(parameters["count"]):
        found = folder.size(i)
        if found != size:
            raise OSError(22, f"the picture is {found[1]} x {found[0]}, the dataset's size {size[1]} x {size[0]}",
                          folder.files(i)[0])


class _Bar:
    """A one-line progress bar on stderr."""

    def __init__(self, total: int, shown: bool) -> None:
        self.total, self.shown, self.done, self.start = total, shown, 0, time.perf_counter()

    def add(self, count: int) -> None:
        self.done += count
        if not self.shown:
            return
        width = 30
        filled = width * self.done // max(1, self.total)
        rate = self.done / max(1e-9, time.perf_counter() - self.start)
        sys.stderr.write(f"\r[{'#' * filled}{'.' * (width - filled)}] {self.done}/{self.total} samples "
                         f"{rate:.2f}/s")
        sys.stderr.flush()

    def close(self) -> None:
        if self.shown and self.done:
            sys.stderr.write("\n")
            sys.stderr.flush()


def _batches(todo: typing.Sequence[int], batch: int) -> List[List[int]]:
    """Runs of consecutive indices, cut into batches of at most `batch`."""
    result: List[List[int]] = []
    for start, stop in _store.runs(todo):
        result.extend(list(range(i, min(i + batch, stop))) for i in range(start, stop, batch))
    return result


def _has_dashboard() -> bool:
    return importlib.util.find_spec("bokeh") is not None


# What the nanny sets in the worker's environment before it starts it and
# leaves set in this process: the names it was told, and what they held.
_Environment = Dict[str, Optional[str]]


def _local_cluster(workers: int) -> Tuple[Any, _Environment]:
    """A local cluster of `workers` processes of one thread, and the
    environment variables its nannies will set in this process, as they were
    before (to be put back once it is closed).

    Its workers run without Dask's MALLOC_TRIM_THRESHOLD_: setting it turns
    off glibc's sliding mmap threshold, so that every large buffer of the
    engine's transforms is mapped afresh and its pages faulted in again,
    which makes a sample about 40 % slower."""
    import dask
    import distributed

    # Dask's own port for the dashboard where bokeh shows it (another if
    # taken); without bokeh the scheduler's bare web server on any free port.
    dashboard = ":8787" if _has_dashboard() else ":0"
    key = "distributed.nanny.pre-spawn-environ"
    environ = {name: value for name, value in dict(dask.config.get(key, {})).items()
               if name != "MALLOC_TRIM_THRESHOLD_"}
    before = {name: os.environ.get(name) for name in environ}
    with dask.config.set({key: environ}):
        cluster = distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                           dashboard_address=dashboard, silence_logs=logging.ERROR)
    return cluster, before


def _put_back(environment: _Environment) -> None:
    for name, value in environment.items():
        if value is None:
            os.environ.pop(name, None)
        else:
            os.environ[name] = value


def build(
    store: Union[str, "os.PathLike[str]"],
    *,
    count: int,
    size: Size = 384,
    pitch: float = 8e-6,
    wavelengths: Union[float, typing.Sequence[float]] = (638e-9, 520e-9, 450e-9),
    near: float = 0.05,
    far: float = 0.1,
    method: str = "layers",
    layers: Optional[int] = 32,
    encode: str = "complex",
    occlusion: bool = False,
    seed: int = 0,
    scenes: Union[None, str, "os.PathLike[str]"] = None,
    client: Any = None,
    scheduler: Optional[str] = None,
    workers: Optional[int] = None,
    batch: Optional[int] = None,
    progress: Optional[bool] = None,
) -> BuildSummary:
    """Build (or finish) the dataset of `count` samples in the Zarr store at
    `store` (a folder): scenes (synthetic, or the first `count` colour/depth
    pairs of the folder `scenes` in the order of their names) and their holograms at `size` (rows = columns, or
    (rows, columns)), `pitch` metres, `wavelengths` metres, scenes between
    `near` and `far` metres, by `method` ("layers", with `layers` layers and
    `occlusion`, or "points") in the encoding `encode`.

    The samples already done in the store are skipped (a stopped build
    resumes); the others run as tasks of `batch` consecutive samples
    (default: about a second of work each, timed on the first samples) on
    `client` (a distributed.Client), or a client of the scheduler at
    `scheduler` ("tcp://HOST:8786"), or else a local cluster of `workers`
    processes (default: one a core), one thread each, closed afterwards.
    Each task's calls use its worker's threads and write the store
    themselves: on a cluster of several machines the store (and a scene
    folder) must be at the same path on every worker, a shared file system,
    and the package installed there. `progress`: a bar on stderr (default:
    where stderr is a terminal); Dask's dashboard's address with it where
    bokeh is installed and the cluster is the local one.

    Raises ValueError for bad parameters and for a store that is no dataset
    or was made with other parameters (nothing written); OSError, its
    filename the file, for a scene file that cannot be read, and, its
    filename the store, for a store that cannot be made or written.
    """
    started = time.perf_counter()
    parameters = _store.plain(parameters_of(
        count=count, size=size, pitch=pitch, wavelengths=wavelengths, near=near, far=far, method=method,
        layers=layers, encode=encode, occlusion=occlusion, seed=seed, scenes=scenes))
    if client is not None and scheduler is not None:
        raise ValueError("give client or scheduler, not both")
    if workers is not None and (client is not None or scheduler is not None):
        raise ValueError("workers is the local cluster's: a client or scheduler brings its own")
    worker_count = _positive_whole(workers, "workers", 1024) if workers is not None else (os.cpu_count() or 1)
    batch_size = _positive_whole(batch, "batch", 2**31 - 1) if batch is not None else None
    if parameters["scenes"] != "synthetic":
        _check_folder(parameters)
    from .. import __version__

    path = os.path.abspath(os.fspath(store))
    group = _store.open_for_build(path, parameters, __version__)
    done = _store.done_flags(group)
    todo = [int(i) for i in np.flatnonzero(~done)]
    skipped = int(done.sum())
    if not todo:
        return BuildSummary(0, skipped, time.perf_counter() - started, 0.0, 0, 0)

    import distributed

    cluster = own_client = None
    environment: _Environment = {}
    bar = _Bar(len(todo), sys.stderr.isatty() if progress is None else bool(progress))
    try:
        if client is None:
            if scheduler is not None:
                own_client = distributed.Client(scheduler)
            else:
                cluster, environment = _local_cluster(worker_count)
                own_client = distributed.Client(cluster)
            client = own_client
            if bar.shown and _has_dashboard():
                sys.stderr.write(f"Dask's dashboard: {client.dashboard_link}\n")
        used_batch = _run(client, path, group, parameters, todo, batch_size, bar)
        workers_seen = len(client.scheduler_info().get("workers", {}))
    finally:
        bar.close()
        if own_client is not None:
            own_client.close()
        if cluster is not None:
            cluster.close()
        _put_back(environment)
    seconds = time.perf_counter() - started
    return BuildSummary(len(todo), skipped, seconds, len(todo) / seconds, workers_seen, used_batch)


def _run(client: Any, path: str, group: Any, parameters: Dict[str, Any], todo: List[int],
         batch: Optional[int], bar: _Bar) -> int:
    """Runs the samples `todo` on the client's cluster, a bounded number of
    tasks in flight; returns the batch used."""
    import distributed

    bar.start = time.perf_counter()
    info = client.scheduler_info().get("workers", {})
    slots = max(1, sum(int(w.get("nthreads", 1)) for w in info.values()) or len(info))
    pending = list(todo)
    if batch is None:
        # The first tasks, one sample each on every worker, time a sample.
        first = [[i] for i in pending[:slots]]
        pending = pending[slots:]
    else:
        first = _batches(pending, batch)
        pending = []
    queue = first
    in_flight = distributed.as_completed()
    futures: List[Any] = []

    def submit(indices: List[int]) -> None:
        future = client.submit(run_batch, path, indices, parameters, pure=False)
        futures.append(future)
        in_flight.add(future)

    try:
        for indices in queue[: 2 * slots]:
            submit(indices)
        queue = queue[2 * slots:]
        used = batch or 1
        measured: List[float] = []
        for future in in_flight:
            indices, seconds = future.result()
            _store.mark_done(group, path, indices)
            bar.add(len(indices))
            futures.remove(future)
            if batch is None and pending:
                measured.append(seconds / len(indices))
                if len(measured) >= min(slots, len(first)) or not futures:
                    per_sample = max(1e-6, float(np.median(measured)))
                    # About a second a task, and enough tasks to keep every worker busy.
                    used = max(1, min(math.ceil(_TASK_SECONDS / per_sample), math.ceil(len(pending) / slots)))
                    queue.extend(_batches(pending, used))
                    pending = []
            while queue and len(futures) < 2 * slots:
                submit(queue.pop(0))
        return used
    finally:
        if futures:
            client.cancel(futures)
