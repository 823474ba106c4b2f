"""Samples a second of a dataset's build: a plain loop of compute_sample in
this process (one engine thread, then one a core), then build() on local
Dask clusters of one and of two worker processes (one thread each), into
temporary stores. Prints each rate, Dask's rate over the plain loop's on the
same cores (its overhead), the scaling from one worker to two, and the time
extrapolated to a whole set. Every run pays its own one-time costs (the
transforms' plans) alone; a cluster's start is timed apart. The workers take
the environment's MALLOC_TRIM_THRESHOLD_ over Dask's own.

    PYTHONPATH=build/python OPENBLAS_NUM_THREADS=1 python3 bench/dataset_throughput.py [--count 16]
"""

import argparse
import logging
import os
import tempfile
import time

import numpy as np

from marbleck.dataset import _read
from marbleck.dataset._build import build, compute_sample


def parameters(args):
    """A store's parameters (the contract's keys) for the arguments."""
    return {
        "count": args.count, "size": [args.size, args.size], "pitch": 8e-6,
        "wavelengths": [float(w) * 1e-9 for w in args.wavelengths.split(",")], "near": 0.05, "far": 0.1,
        "method": "layers", "layers": args.layers, "encode": "complex", "occlusion": False, "seed": 0,
        "scenes": "synthetic",
    }


def plain_loop(p, nthreads):
    start = time.perf_counter()
    samples = [compute_sample(i, p, nthreads) for i in range(p["count"])]
    return p["count"] / (time.perf_counter() - start), samples


def dask_build(p, workers, folder):
    """build() on a local cluster started first: returns the rate, the
    cluster's start in seconds and the store's path."""
    import distributed

    start = time.perf_counter()
    cluster = distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                       dashboard_address=None, silence_logs=logging.ERROR,
                                       local_directory=folder)
    client = distributed.Client(cluster)
    client.wait_for_workers(workers)
    started = time.perf_counter() - start
    # Dask's nanny sets glibc's trim threshold in its workers (64 KiB by
    # default), which fixes the threshold of memory mapped blocks too, so
    # each transform's buffers are mapped afresh: worth seeing beside a rate.
    trim = set(client.run(lambda: os.environ.get("MALLOC_TRIM_THRESHOLD_")).values())
    print(f"  the workers' MALLOC_TRIM_THRESHOLD_: {', '.join(str(value) for value in trim)}")
    store = os.path.join(folder, f"set-{workers}.zarr")
    try:
        summary = build(store, client=client, progress=False, **{
            key: (tuple(value) if key in ("size", "wavelengths") else value)
            for key, value in p.items() if key != "scenes"})
    finally:
        client.close()
        cluster.close()
    return summary.computed / summary.seconds, started, store


def task_seconds(store):
    """The median seconds a sample took inside its task."""
    opened = _read.open(store)
    return float(np.median([opened.sample(i, ("seconds",))["seconds"] for i in range(len(opened))]))


def same_as(store, samples):
    opened = _read.open(store)
    return opened.complete and all(
        all(np.array_equal(opened[i][name], samples[i][name]) for name in ("colour", "depth", "hologram", "energy"))
        for i in range(len(samples)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--count", type=int, default=16, help="samples each run computes (default 16)")
    parser.add_argument("--size", type=int, default=384, help="rows = columns (default 384)")
    parser.add_argument("--wavelengths", default="638,520,450", help="nanometres (default 638,520,450)")
    parser.add_argument("--layers", type=int, default=32, help="layers (default 32)")
    parser.add_argument("--whole", type=int, default=4000, help="the set's samples to extrapolate to (default 4000)")
    args = parser.parse_args()
    p = parameters(args)
    cores = os.cpu_count() or 1
    print(f"{args.count} samples of {args.size} x {args.size}, {len(p['wavelengths'])} wavelengths, "
          f"{args.layers} layers; {cores} cores")

    plain1, samples = plain_loop(p, 1)
    print(f"plain loop, 1 thread:     {plain1:6.2f} samples/s")
    plain2, _ = plain_loop(p, 2)
    print(f"plain loop, 2 threads:    {plain2:6.2f} samples/s")
    with tempfile.TemporaryDirectory(prefix="marbleck-dataset-bench-") as folder:
        dask1, start1, store1 = dask_build(p, 1, folder)
        print(f"Dask, 1 worker:           {dask1:6.2f} samples/s (the cluster started in {start1:.1f} s)")
        dask2, start2, store2 = dask_build(p, 2, folder)
        print(f"Dask, 2 workers:          {dask2:6.2f} samples/s (the cluster started in {start2:.1f} s)")
        identical = same_as(store1, samples) and same_as(store2, samples)
        inside = task_seconds(store1), task_seconds(store2)
    plain = float(np.median([sample["seconds"] for sample in samples]))
    print(f"median seconds a sample: plain loop {plain:.3f}, inside the tasks of 1 worker {inside[0]:.3f}, "
          f"of 2 workers {inside[1]:.3f}")
    print(f"Dask / plain loop, 1 core:  {dask1 / plain1:.3f} (overhead {100 * (1 - dask1 / plain1):+.1f} %)")
    print(f"Dask / plain loop, 2 cores: {dask2 / plain2:.3f} (overhead {100 * (1 - dask2 / plain2):+.1f} %)")
    print(f"1 -> 2 workers:             {dask2 / dask1:.2f} x")
    whole = start2 + args.whole / dask2
    print(f"{args.whole} samples on 2 workers: {whole / 60:.1f} min (the cluster's start included)")
    print(f"the stores equal the plain loop's samples: {'yes' if identical else 'NO'}")


if __name__ == "__main__":
    main()
