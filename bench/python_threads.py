#!/usr/bin/env python3
"""How the package's calls use threads, measured against a baseline of the
same run:

  (a) the process's CPU time over the wall time of one nthreads=1 hologram
      of a second or more (one thread busy: about 1; goal at most 1.15);
  (b) two nthreads=1 holograms from two Python threads at once, over the
      same two one after the other (calls that overlap on two cores: about
      0.5; goal at most 0.6), their values identical.

    PYTHONPATH=build/python OPENBLAS_NUM_THREADS=1 python3 bench/python_threads.py [--engine fast]
"""

import argparse
import os
import threading
import time

import numpy as np

import marbleck


def timed(work):
    wall, cpu = time.perf_counter(), time.process_time()
    result = work()
    return result, time.perf_counter() - wall, time.process_time() - cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--engine", default="fast", choices=marbleck.ENGINES)
    parser.add_argument("--seconds", type=float, default=1.0, help="the least wall time of one call")
    args = parser.parse_args()

    # An object whose hologram takes at least --seconds on one thread: grow
    # the reps until it does.
    obj = np.zeros((64, 64), bool)
    obj[8:56, 20:26] = obj[8:14, 20:46] = obj[29:35, 20:40] = True
    # The reps stop at the package's largest hologram (2^26 values), where a
    # fast call may still take less than --seconds.
    largest = int((1 << 26) ** 0.5) / max(obj.shape)
    reps = 2.0
    while True:
        _, wall, _ = timed(lambda: marbleck.hologram(obj, reps, engine=args.engine, nthreads=1))
        if wall >= args.seconds or reps >= largest:
            break
        reps = min(largest, reps * min(2.0, max(1.1, (args.seconds / max(wall, 1e-3)) ** 0.5 * 1.1)))

    def call(seed):
        return marbleck.hologram(obj, reps, engine=args.engine, random_phase=True, seed=seed, nthreads=1)

    field, wall, cpu = timed(lambda: call(1))
    print(f"{args.engine} engine, reps {reps:.3g}: {field.shape[1]} x {field.shape[0]} values, "
          f"{int(obj.sum())} points, {os.cpu_count()} cores")
    print(f"(a) one nthreads=1 call: wall {wall:.3f} s, CPU {cpu:.3f} s, CPU / wall {cpu / wall:.3f} (goal <= 1.15)")

    (first, second), serial, _ = timed(lambda: (call(1), call(2)))
    results = [None, None]

    def run(k):
        results[k] = call(k + 1)

    def both():
        threads = [threading.Thread(target=run, args=(k,)) for k in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()

    _, concurrent, _ = timed(both)
    same = np.array_equal(results[0], first) and np.array_equal(results[1], second)
    print(f"(b) two calls one after the other {serial:.3f} s, from two threads at once {concurrent:.3f} s: "
          f"ratio {concurrent / serial:.3f} (goal <= 0.6 on 2 cores); values identical: {same}")
    if not same:
        raise SystemExit("the concurrent calls' values differ from the serial ones")


if __name__ == "__main__":
    main()
