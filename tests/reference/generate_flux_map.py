"""Reference values for a tabulated quadratic limb-darkening law, written to flux_map.csv.

The table: 201 radii r_i = i / 200 with the quadratic law
I(mu) = 1 - 0.4 (1 - mu) - 0.25 (1 - mu)^2, mu = sqrt(1 - r^2), read as a
piecewise-linear profile p(r). Its light curve is

    A = int_0^1 p(r) 2 pi r R(r) dr / int_0^1 p(r) 2 pi r dr,
    R(r) = (1 / pi) int_0^pi A0(sqrt(l^2 + r^2 - 2 l r cos phi) / eps) dphi,

the ring mean R by direct quadrature of the point-lens magnification A0
(eps = 1 / rho, lengths in source radii). Both integrals are adaptive
Gauss-Kronrod quadratures in double precision (scipy), the outer one taken
segment by segment of the table and split at the ring through the lens, so
that every piece is smooth: nothing of the closed forms or of the tanh-sinh
integrals that the tests check enters. Checked on a constant profile against the mpmath disk means of
uniform_disk.csv: 1e-10 relative or better.
"""

import csv
import math
import pathlib

from scipy import integrate

HERE = pathlib.Path(__file__).resolve().parent
RADII = [i / 200 for i in range(201)]


def quadratic_law(r):
    mu = math.sqrt(max(1.0 - r * r, 0.0))
    return 1.0 - 0.4 * (1.0 - mu) - 0.25 * (1.0 - mu) ** 2


BRIGHTNESS = [quadratic_law(r) for r in RADII]


def a0(x):
    return (x * x + 2.0) / (x * math.sqrt(x * x + 4.0))


def ring_mean(l, r, eps):
    def f(phi):
        # l^2 + r^2 - 2 l r cos(phi), without cancellation near the lens
        d2 = (r - l) ** 2 + 4.0 * l * r * math.sin(0.5 * phi) ** 2
        return a0(math.sqrt(d2) / eps)
    value, _ = integrate.quad(f, 0.0, math.pi, epsabs=0.0, epsrel=1e-13, limit=200)
    return value / math.pi


def light_curve(l, rho):
    eps = 1.0 / rho
    flux = norm = 0.0
    for i in range(len(RADII) - 1):
        a, b = RADII[i], RADII[i + 1]
        slope = (BRIGHTNESS[i + 1] - BRIGHTNESS[i]) / (b - a)

        def profile(r):
            return BRIGHTNESS[i] + slope * (r - a)

        ends = [a, l, b] if a < l < b else [a, b]
        for lo, hi in zip(ends, ends[1:]):
            value, _ = integrate.quad(lambda r: profile(r) * 2 * math.pi * r * ring_mean(l, r, eps),
                                      lo, hi, epsabs=0.0, epsrel=1e-12, limit=200)
            flux += value
        # int_a^b (p_a + slope (r - a)) 2 pi r dr, exactly
        c = BRIGHTNESS[i] - slope * a
        norm += 2 * math.pi * (c * (b * b - a * a) / 2 + slope * (b ** 3 - a ** 3) / 3)
    return flux / norm


def rows():
    for rho in (0.01, 0.1):
        # Separations off the table radii, where the ring through the lens
        # would meet a segment end.
        for l in (0.0213, 0.2037, 0.5011, 0.8029, 0.9517, 1.05, 1.2, 2.0):
            yield ("inside" if l < 1 else "outside"), l, rho, light_curve(l, rho)


if __name__ == "__main__":
    with open(HERE / "flux_map.csv", "w", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["region", "l", "rho", "value"])
        for region, l, rho, value in rows():
            out.writerow([region, repr(l), repr(rho), repr(value)])
            f.flush()
