"""Reference values for the ring magnification, written to ring.csv.

Each value is the mean of the point-lens magnification A0 around the ring,
by direct mpmath quadrature over the angle (30 digits), independent of the
elliptic closed form:

    A_ring = (1 / pi) int_0^pi A0( sqrt(l^2 + r^2 - 2 l r cos phi) / eps ) dphi,

eps = re / rstar. The integrand peaks at phi = 0 when the ring passes close
to the lens, where tanh-sinh clusters its nodes. Inputs are written as the
doubles the tests pass, and the quadrature runs at those exact values.
"""

import csv
import pathlib

import mpmath as mp

mp.mp.dps = 30
HERE = pathlib.Path(__file__).resolve().parent


def a0(x):
    return (x * x + 2) / (x * mp.sqrt(x * x + 4))


def ring_mean(l, r, eps):
    l, r, eps = mp.mpf(l), mp.mpf(r), mp.mpf(eps)
    f = lambda phi: a0(mp.sqrt(l * l + r * r - 2 * l * r * mp.cos(phi)) / eps)
    return mp.quad(f, [0, mp.pi / 8, mp.pi]) / mp.pi


def rows():
    # (region, l, r, re, rstar)
    cases = [
        ("example", 0.5, 0.7, 1.0, 1.0),
        ("example", 1.3, 0.4, 2.0, 1.0),
        ("centre", 0.0, 0.5, 1.0, 1.0),
        ("centre", 0.8, 0.0, 1.0, 1.0),
    ]
    for eps in (0.1, 1.0, 10.0):
        for l in (0.05, 0.3, 0.9, 1.5, 3.0):
            for r in (0.02, 0.5, 1.0):
                if abs(r - l) > 0.01:
                    cases.append(("elliptic", l, r, eps, 1.0))
    # Close to the ring, on both sides of the switch to the expansion.
    for l, eps in ((0.5, 1.0), (2.0, 0.1)):
        for d in (1e-3, 2e-5, -2e-5):
            cases.append(("close", l, l + d, eps, 1.0))
        for d in (9e-6, -3e-6, 1e-7):
            cases.append(("near-ring", l, l + d, eps, 1.0))
    for region, l, r, re, rstar in cases:
        eps = re / rstar
        yield region, repr(float(l)), repr(float(r)), repr(float(re)), repr(float(rstar)), ring_mean(l, r, eps)


if __name__ == "__main__":
    with open(HERE / "ring.csv", "w", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["region", "l", "r", "re", "rstar", "value"])
        for row in rows():
            out.writerow([mp.nstr(v, 25) if isinstance(v, mp.mpf) else v for v in row])
