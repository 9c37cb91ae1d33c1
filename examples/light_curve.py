"""A first look at caustix: the light curve of a realistic microlensing event.

A source star of radius rho = 0.01 Einstein radii passes the lens at an impact
parameter of u0 = 0.005 Einstein radii, so the lens crosses the stellar disk;
the event lasts t_E = 20 days. The separation of lens and source centre, in
source radii, is l(t) = sqrt(u0^2 + ((t - t0) / t_E)^2) / rho.
"""

import math
import time

import caustix

T_E = 20.0  # Einstein time, days
U0 = 0.005  # impact parameter, Einstein radii
RHO = 0.01  # source radius, Einstein radii
RE, RSTAR = 1.0, RHO  # Einstein and source radius in one unit


def separations(times):
    return [math.hypot(U0, t / T_E) / RHO for t in times]


def main():
    times = [-0.3 + 0.6 * i / 60000 for i in range(60001)]  # days from the peak
    l = separations(times)
    start = time.perf_counter()
    uniform = caustix.witt_mao_magnification(l, RE, RSTAR)
    elapsed = time.perf_counter() - start
    print(f"Uniform source, rho = {RHO}, u0 = {U0}, t_E = {T_E} d: "
          f"{len(l)} points in {elapsed * 1e3:.1f} ms ({elapsed / len(l) * 1e9:.0f} ns/point)")
    print(f"{'t - t0 [d]':>11} {'l [R*]':>9} {'A uniform':>11}")
    for i in range(0, len(times), 5000):
        print(f"{times[i]:11.4f} {l[i]:9.4f} {uniform[i]:11.4f}")


if __name__ == "__main__":
    main()
