"""The speed goals of the limb-darkened and uniform light curves, one line each.

Run by `make bench` after the other benchmarks: median and range over five
repetitions of the native benchmarks (one thread) and of the whole call of
witt_mao_magnification on 10^6 separations (the default pool).

    python3 bench/goals.py BENCH_BINARY
"""

import json
import statistics
import subprocess
import sys
import time

ROWS = [
    ("integrated_heyrovsky_magnification, 1000 points, rho = 0.01", "BM_integrated_heyrovsky_magnification/10$",
     "per_separation", 1e6, "us/sep", 4.0),
    ("integrated_witt_mao_magnification, same", "BM_integrated_witt_mao_magnification/10$",
     "per_separation", 1e6, "us/sep", 3.0),
    ("integrated_flux_map_heyrovsky_magnification, 100 entries", "BM_integrated_flux_map_heyrovsky_magnification$",
     "per_separation", 1e6, "us/sep", 15.0),
    ("batch uniform-disk kernel, bench grid", "BM_witt_mao_magnification_scaled_batch$", "ns_per_eval", 1e9,
     "ns/eval", 12.0),
    ("batch ring kernel (complementary form), bench grid", "BM_heyrovsky_magnification_batch$", "ns_per_eval", 1e9,
     "ns/eval", 12.0),
]


def native(binary, pattern, counter):
    out = subprocess.run([binary, f"--benchmark_filter={pattern}", "--benchmark_repetitions=5",
                          "--benchmark_format=json"], capture_output=True, text=True, check=True).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return [b[counter] for b in runs]


def uniform_end_to_end():
    import caustix

    n = 10**6
    l = [3.0 * i / n for i in range(n)]
    times = []
    for _ in range(5):
        start = time.perf_counter()
        caustix.witt_mao_magnification(l, 1.0, 0.01)
        times.append((time.perf_counter() - start) / n)
    return times


def line(name, values, scale, unit, goal):
    values = [v * scale for v in values]
    median = statistics.median(values)
    verdict = "met" if median <= goal else "not met"
    print(f"  {name:<62} {median:8.2f} {unit:<7} (range {min(values):.2f}-{max(values):.2f})  "
          f"goal <= {goal:g}: {verdict}")


def main():
    binary = sys.argv[1]
    print("speed goals (medians over 5 runs):")
    for name, pattern, counter, scale, unit, goal in ROWS:
        line(name, native(binary, pattern, counter), scale, unit, goal)
    line("witt_mao_magnification, 10^6 separations end to end, default pool", uniform_end_to_end(), 1e9,
         "ns/sep", 30.0)


if __name__ == "__main__":
    main()
