"""Time per point of the package against the core's array conversion it calls, and the
points per second with more threads.

    PYTHONPATH=build/default/python /usr/bin/python3 python/benchmarks/binding_overhead.py

The core's time is taken inside the extension around the bare call (one thread, no argument
checks, no array allocation); the package's is the whole Python call, as a user makes it,
with int64 input arrays (NumPy's integers) and with float64 ones. Medians of --repeat runs.
"""

import argparse
import os
import statistics
import time

import numpy as np

import tarnwick
from tarnwick import _core


def median_seconds(run, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--points", type=int, default=1_000_000)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()

    rng = np.random.default_rng(16)
    easting = rng.integers(0, 700_001, args.points)
    northing = rng.integers(0, 1_300_001, args.points)
    columns = [easting.astype(np.float64), northing.astype(np.float64)]

    core = statistics.median(_core.time_core("bng", "utm", 0, False, columns)
                             for _ in range(args.repeat))
    package = median_seconds(lambda: tarnwick.bng_to_utm(easting, northing, threads=1),
                             args.repeat)
    reals = median_seconds(lambda: tarnwick.bng_to_utm(*columns, threads=1), args.repeat)
    n = args.points
    print(f"bng_to_utm, {n} points, one thread, median of {args.repeat}")
    print(f"  core batch API   {core / n * 1e9:8.1f} ns/point")
    print(f"  Python package   {package / n * 1e9:8.1f} ns/point with int64 arrays "
          f"(overhead {100 * (package - core) / core:+.1f} %)")
    print(f"  Python package   {reals / n * 1e9:8.1f} ns/point with float64 arrays "
          f"(overhead {100 * (reals - core) / core:+.1f} %)")
    base = None
    for threads in range(1, (os.cpu_count() or 1) + 1):
        t = median_seconds(lambda: tarnwick.bng_to_utm(easting, northing, threads=threads),
                           args.repeat)
        base = base or t
        print(f"  threads={threads}        {n / t:12,.0f} points/s ({base / t:.2f} x)")


if __name__ == "__main__":
    main()
