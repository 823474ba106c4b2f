"""A dataset's build through a worker's death and a resume: builds a set on
a local cluster of two worker processes, kills one worker (SIGKILL) once
about half the samples are done, and compares the store with an
uninterrupted build of the same set, bit for bit; then clears the last
quarter of the samples' `done` flags (as a run stopped there leaves them)
and builds again, and says how many samples that run computed.

    PYTHONPATH=build/python OPENBLAS_NUM_THREADS=1 python3 bench/dataset_faults.py [--count 40]
"""

import argparse
import logging
import os
import signal
import tempfile
import threading
import time

import numpy as np

import marbleck.dataset
from marbleck.dataset import _read

FIELDS = ("colour", "depth", "hologram", "energy")


def cluster(folder):
    import distributed

    local = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                                     silence_logs=logging.CRITICAL, local_directory=folder)
    return local, distributed.Client(local)


def kill_at_half(client, store, count, killed):
    """Waits until half the samples are done, then kills one worker."""
    import zarr

    while True:
        time.sleep(0.05)
        try:
            done = int(np.count_nonzero(zarr.open_group(store, mode="r")["done"][:]))
        except Exception:  # the store is being made
            continue
        if done >= count // 2:
            pid = next(iter(client.run(os.getpid).values()))
            os.kill(pid, signal.SIGKILL)
            killed.append(done)
            return


def same(a, b):
    left, right = _read.open(a), _read.open(b)
    return all(np.array_equal(left[i][name], right[i][name]) for i in range(len(left)) for name in FIELDS)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--size", type=int, default=384)
    parser.add_argument("--layers", type=int, default=32)
    args = parser.parse_args()
    settings = dict(count=args.count, size=args.size, layers=args.layers, progress=False)
    with tempfile.TemporaryDirectory() as folder:
        whole = os.path.join(folder, "whole.zarr")
        broken = os.path.join(folder, "killed.zarr")
        local, client = cluster(folder)
        try:
            start = time.perf_counter()
            marbleck.dataset.build(whole, client=client, **settings)
            print(f"uninterrupted: {args.count} samples in {time.perf_counter() - start:.1f} s")
            killed = []
            watcher = threading.Thread(target=kill_at_half, args=(client, broken, args.count, killed))
            watcher.start()
            start = time.perf_counter()
            summary = marbleck.dataset.build(broken, client=client, **settings)
            watcher.join()
            print(f"a worker killed with {killed[0]} of {args.count} samples done: "
                  f"{summary.computed} computed in {time.perf_counter() - start:.1f} s, "
                  f"complete: {_read.open(broken).complete}, equal to the uninterrupted store: {same(whole, broken)}")
            import zarr

            group = zarr.open_group(broken, mode="r+")
            cleared = args.count - args.count * 3 // 4
            group["done"][args.count * 3 // 4:] = False
            summary = marbleck.dataset.build(broken, client=client, **settings)
            print(f"resumed with {cleared} samples not done: {summary.computed} computed, "
                  f"{summary.skipped} skipped, equal: {same(whole, broken)}")
        finally:
            client.close()
            local.close()


if __name__ == "__main__":
    main()
