"""Whole-call benchmarks from Python: conversion, computation and result list.

Run with `make bench`. Each figure is the median of several runs, in ns per
separation (or per light-curve entry for the multi form). Calls that depend
on the pool size run in subprocesses with CAUSTIX_NUM_THREADS set.
"""

import os
import statistics
import subprocess
import sys
import time

REPEATS = 5


def median_ns(call, count, repeats=REPEATS):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return statistics.median(times) / count * 1e9


def uniform_calls():
    import caustix

    n = 10**6
    l = [3.0 * i / n for i in range(n)]
    print(f"  witt_mao_magnification, 10^6 separations: "
          f"{median_ns(lambda: caustix.witt_mao_magnification(l, 1.0, 0.01), n):7.1f} ns/separation")
    try:
        import numpy as np
    except ImportError:
        np = None
    if np is not None:
        a = np.asarray(l)
        print(f"  witt_mao_magnification, NumPy array of 10^6 float64: "
              f"{median_ns(lambda: caustix.witt_mao_magnification(a, 1.0, 0.01), n):7.1f} ns/separation")
    l4 = l[:: n // 10**4]
    res = [1.0 + 0.1 * i for i in range(10)]
    rstars = [0.001 * (i + 1) for i in range(10)]
    count = len(l4) * 100
    print(f"  multi_witt_mao_magnification, 10 x 10 pairs x 10^4: "
          f"{median_ns(lambda: caustix.multi_witt_mao_magnification(l4, res, rstars), count):7.1f} ns/entry")


def ring_calls():
    import caustix

    n, rings = 10**4, 100
    l = [3.0 * (i + 0.5) / n for i in range(n)]
    bl = [(j + 0.5) / rings for j in range(rings)]
    bf = [1.0 - 0.6 * (1.0 - (1.0 - r * r) ** 0.5) for r in bl]
    per_eval = median_ns(lambda: caustix.discrete_flux_map_heyrovsky_magnification(l, 1.0, 0.1, bl, bf),
                         n * rings, repeats=3)
    print(f"  discrete_flux_map_heyrovsky_magnification, 100 rings x 10^4: {per_eval:7.1f} ns/ring evaluation")


def two_threads():
    """Two Python threads computing the same limb-darkened curve, against the
    two calls one after the other: the calling thread detaches from the
    interpreter, so on two cores the ratio is near 0.5 (1.0 if it did not)."""
    import threading

    import caustix

    l = [3.0 * (i + 0.5) / 20000 for i in range(20000)]

    def call():
        caustix.integrated_heyrovsky_magnification(l, 1.0, 0.01)

    def serial():
        call()
        call()

    def parallel():
        threads = [threading.Thread(target=call) for _ in range(2)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()

    ratios = []
    for _ in range(REPEATS):
        a, b = median_ns(serial, 1, repeats=1), median_ns(parallel, 1, repeats=1)
        ratios.append(b / a)
    print(f"  integrated_heyrovsky_magnification, 2 x 2*10^4 separations on two threads / serial: "
          f"median {statistics.median(ratios):.2f} (range {min(ratios):.2f}-{max(ratios):.2f})")


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--uniform":
        uniform_calls()
        return
    for threads in ["default", "1"]:
        env = dict(os.environ)
        if threads == "default":
            env.pop("CAUSTIX_NUM_THREADS", None)
            label = f"pool of {os.cpu_count()} (default)"
        else:
            env["CAUSTIX_NUM_THREADS"] = threads
            label = "CAUSTIX_NUM_THREADS=1"
        print(f"uniform-source light curves, {label}:", flush=True)
        subprocess.run([sys.executable, __file__, "--uniform"], env=env, check=True)
    print("calling thread only:", flush=True)
    ring_calls()
    two_threads()


if __name__ == "__main__":
    main()
