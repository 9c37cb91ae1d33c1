"""A first look at caustix: light curves of a realistic microlensing event.

A source star of radius rho = 0.01 Einstein radii passes the lens at an impact
parameter of u0 = 0.005 Einstein radii, so the lens crosses the stellar disk;
the Einstein time is t_E = 20 days. The separation of lens and source centre
in source radii is l(t) = sqrt(u0^2 + ((t - t0) / t_E)^2) / rho.

Computes the uniform-source light curve, the two limb-darkened ones (linear
law, coefficient 0.6), a quadratic-law star given as a flux map, and a family
of uniform curves for several source sizes; prints a table with timings and
writes a plot of the curves and of their differences from the uniform source.

    python3 examples/light_curve.py [PNG]
"""

import math
import pathlib
import sys
import time

import caustix

T_E = 20.0  # Einstein time, days
U0 = 0.005  # impact parameter, Einstein radii
RHO = 0.01  # source radius, Einstein radii
RE, RSTAR = 1.0, RHO  # Einstein and source radius, in one common unit


def separations(times):
    return [math.hypot(U0, t / T_E) / RHO for t in times]


def quadratic_law(a=0.4, b=0.25, entries=200):
    """A tabulated quadratic limb-darkening law I(mu) = 1 - a (1 - mu) - b (1 - mu)^2."""
    bl = [i / (entries - 1) for i in range(entries)]
    mu = [math.sqrt(max(1.0 - r * r, 0.0)) for r in bl]
    return bl, [1.0 - a * (1.0 - m) - b * (1.0 - m) ** 2 for m in mu]


def timed(label, call, points, results, timings):
    start = time.perf_counter()
    results[label] = call()
    timings[label] = (time.perf_counter() - start) / points


def main():
    png = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build/demo/light_curves.png")
    times = [-0.4 + 0.8 * i / 2000 for i in range(2001)]  # days from the peak
    l = separations(times)
    bl, bf = quadratic_law()
    results, timings = {}, {}
    n = len(l)
    caustix.witt_mao_magnification(l[:2], RE, RSTAR)  # starts the worker pool
    timed("uniform", lambda: caustix.witt_mao_magnification(l, RE, RSTAR), n, results, timings)
    timed("linear, disks", lambda: caustix.integrated_witt_mao_magnification(l, RE, RSTAR), n, results, timings)
    timed("linear, rings", lambda: caustix.integrated_heyrovsky_magnification(l, RE, RSTAR), n, results, timings)
    timed("quadratic map", lambda: caustix.integrated_flux_map_heyrovsky_magnification(l, RE, RSTAR, bl, bf),
          n, results, timings)
    sizes = [0.005, 0.01, 0.02]
    start = time.perf_counter()
    family = caustix.multi_witt_mao_magnification(l, [RE], sizes)
    family_time = (time.perf_counter() - start) / (n * len(sizes))

    print(f"Event: t_E = {T_E} d, u0 = {U0}, rho = {RHO}; {n} epochs over +-0.4 d\n")
    print(f"{'light curve':<16}{'time per point':>16}{'peak':>12}")
    for label, curve in results.items():
        print(f"{label:<16}{timings[label] * 1e6:>13.2f} us{max(curve):>12.4f}")
    print(f"{'family (x3)':<16}{family_time * 1e6:>13.2f} us"
          f"{'':>4}" + ", ".join(f"{max(c):.1f}" for c in family))

    print(f"\n{'t - t0 [d]':>10} {'l [R*]':>8}" + "".join(f"{k:>16}" for k in results))
    for i in range(0, n, 200):
        print(f"{times[i]:>10.3f} {l[i]:>8.4f}" + "".join(f"{results[k][i]:>16.6f}" for k in results))

    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    fig, (top, bottom) = plt.subplots(2, 1, sharex=True, figsize=(8, 7), height_ratios=[3, 2])
    colour = dict(zip(results, ["C0", "C1", "C2", "C3"]))
    for label, curve in results.items():
        top.plot(times, curve, label=label, lw=1.2, color=colour[label])
    for size, curve in zip(sizes, family):
        top.plot(times, curve, ls=":", lw=0.9, label=f"uniform, rho = {size}")
    top.set_ylabel("magnification")
    top.set_title(f"caustix: t_E = {T_E} d, u0 = {U0}, rho = {RHO}")
    top.legend(fontsize=8)
    uniform = results["uniform"]
    for label, curve in results.items():
        if label != "uniform":
            bottom.plot(times, [c / u - 1.0 for c, u in zip(curve, uniform)], label=label, lw=1.2,
                        color=colour[label])
    bottom.axhline(0.0, color="grey", lw=0.5)
    bottom.set_xlabel("t - t0 [days]")
    bottom.set_ylabel("relative to the uniform source")
    bottom.legend(fontsize=8)
    png.parent.mkdir(parents=True, exist_ok=True)
    fig.tight_layout()
    fig.savefig(png, dpi=120)
    print(f"\nPlot written to {png.resolve()}")


if __name__ == "__main__":
    main()
