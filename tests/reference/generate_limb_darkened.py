"""Reference values for limb-darkened light curves, written to limb_darkened.csv.

The magnification of a star with the linear law B(r) = 1 - 0.6 (1 - sqrt(1 - r^2))
(r in source radii) is the point-lens magnification A0 averaged over the
stellar disk with weight B. With the lens at the origin and x the distance
from it (source radii), the disk is cut into circles about the lens:

    A = 1 / (0.8 pi) int A0(x rho) x C(x) dx,
    C(x) = int over the arc of the circle inside the star of B(r(x, phi)) dphi,
    r(x, phi)^2 = x^2 + l^2 - 2 x l cos phi,

a double integral by mpmath quadrature (30 digits), split where the arcs
change form (x = |1 - l|, 1 + l); the arc ends, where B has its square-root
rim, are ends of the inner integral. Nothing of the closed forms enters.

The tables hold the true light curve, not the value of any particular
quadrature: the tests compare with tolerances per region.
"""

import csv
import pathlib

import mpmath as mp

mp.mp.dps = 30
HERE = pathlib.Path(__file__).resolve().parent


def a0(x):
    return (x * x + 2) / (x * mp.sqrt(x * x + 4))


def law(r2):
    return 1 - mp.mpf("0.6") * (1 - mp.sqrt(max(1 - r2, 0)))


def arc(x, l):
    """C(x): the brightness integrated over the arc of radius x inside the star."""
    if l == 0:
        return 2 * mp.pi * law(x * x) if x < 1 else mp.mpf(0)
    c = (x * x + l * l - 1) / (2 * x * l)
    if c >= 1:
        return mp.mpf(0)
    end = mp.pi if c <= -1 else mp.acos(c)
    return 2 * mp.quad(lambda phi: law(x * x + l * l - 2 * x * l * mp.cos(phi)), [0, end])


def limb_darkened(l, rho):
    l, rho = mp.mpf(l), mp.mpf(rho)
    points = [mp.mpf(0), abs(1 - l), 1 + l] if l < 1 else [l - 1, l + 1]
    integral = mp.quad(lambda x: a0(x * rho) * x * arc(x, l), points)
    return integral / (mp.mpf("0.8") * mp.pi)


def rows():
    for rho in ("0.01", "0.1", "1"):
        # A lens at or near the centre: the peak of a high-magnification event.
        for region, l in [("centre", 1e-7), ("centre", 1e-6), ("centre", 5e-6),
                          ("near centre", 2e-5), ("near centre", 1e-4), ("near centre", 1e-3)]:
            yield region, repr(l), rho, limb_darkened(l, float(rho))
        for region, l in [("centre", 0.0), ("inside", 0.3), ("inside", 0.7), ("inside", 0.95),
                          ("rim", 1.02), ("outside", 1.1), ("outside", 1.5), ("outside", 3.0)]:
            yield region, repr(l), rho, limb_darkened(l, float(rho))


if __name__ == "__main__":
    with open(HERE / "limb_darkened.csv", "w", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["region", "l", "rho", "value"])
        for row in rows():
            out.writerow([mp.nstr(v, 20) if isinstance(v, mp.mpf) else v for v in row])
            f.flush()
