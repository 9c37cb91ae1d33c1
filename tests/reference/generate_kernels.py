"""Reference values for the elliptic integrals and the uniform-disk kernel.

Writes elliptic.csv and uniform_disk.csv beside this script. Run it with
mpmath installed (tools/env python3 tests/reference/generate_kernels.py);
the tables are committed, so the tests do not need mpmath.

The elliptic integrals are mpmath's (30 digits), at the binary doubles the
tests pass (near n = m = 1 a decimal's last-bit difference shows); for
n > 1 the real part of mpmath's Pi is the Cauchy principal value.

The disk magnification is computed independently of the closed form: with
the lens at the origin, the disk of radius rho centred at distance u is cut
into circles of radius x about the lens, each contributing the arc length
2 x theta(x) inside the disk, so that

    A(u, rho) = 1 / (pi rho^2) * int A0(x) 2 x theta(x) dx,
    theta(x)  = arccos((x^2 + u^2 - rho^2) / (2 x u)), clipped to [0, pi],

integrated by mpmath's tanh-sinh with breakpoints where theta changes form.
"""

import csv
import pathlib

import mpmath as mp

mp.mp.dps = 30
HERE = pathlib.Path(__file__).resolve().parent


def a0(x):
    return (x * x + 2) / (x * mp.sqrt(x * x + 4))


def disk_mean(u, rho):
    u, rho = mp.mpf(u), mp.mpf(rho)

    def theta(x):
        if u == 0:
            return mp.pi
        c = (x * x + u * u - rho * rho) / (2 * x * u)
        return mp.pi if c <= -1 else (mp.mpf(0) if c >= 1 else mp.acos(c))

    # Below |u - rho| the circles lie wholly inside (u < rho) or outside the disk.
    points = [mp.mpf(0), rho - u, u + rho] if u < rho else [u - rho, u + rho]
    integral = mp.quad(lambda x: a0(x) * 2 * x * theta(x), points)
    return integral / (mp.pi * rho * rho)


def d(text):
    """The binary double nearest to a decimal, exactly, as the tests pass it."""
    return mp.mpf(float(text))


def elliptic_rows():
    ms = ["0", "1e-6", "0.001", "0.01", "0.1", "0.3", "0.5", "0.7", "0.9", "0.99", "0.999"]
    for m in ms:
        yield "K", "0", m, mp.ellipk(d(m)), "mpmath.ellipk"
        yield "E", "0", m, mp.ellipe(d(m)), "mpmath.ellipe"
    ns = ["0", "0.001", "0.1", "0.5", "0.9", "0.99", "0.999"]
    for n in ns:
        for m in ms:
            yield "Pi", n, m, mp.ellippi(d(n), d(m)), "mpmath.ellippi"
    for n in ["1.001", "1.5", "2", "10"]:
        for m in ["0", "0.1", "0.5", "0.999"]:
            yield "Pi", n, m, mp.re(mp.ellippi(d(n), d(m))), "Re mpmath.ellippi (principal value)"


def uniform_disk_rows():
    for rho in ["0.001", "0.01", "0.1", "1"]:
        r = mp.mpf(float(rho))
        w = max(mp.mpf("0.001") * r, mp.mpf("1e-5"))
        edge = w / r  # half-width of the rim window in units of rho
        ratios = [("centre", "0")]
        ratios += [("inside", q) for q in ["0.01", "0.1", "0.5", "0.9"]]
        ratios += [("outside", q) for q in ["1.1", "2", "5"]]
        ratios += [("far", q) for q in ["10", "100"]]
        # Each value is computed at the binary doubles the kernel receives.
        rows = [(region, float(mp.mpf(q) * r)) for region, q in ratios]
        rows += [("rim-edge", float(r * (1 + side * 2 * edge))) for side in (-1, 1)]
        rows += [("rim", float(r))]
        for region, u in rows:
            yield region, repr(u), rho, disk_mean(u, float(r)), "disk mean by quadrature"


def write(name, header, rows):
    with open(HERE / name, "w", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(header)
        for row in rows:
            out.writerow([mp.nstr(v, 25) if isinstance(v, mp.mpf) else v for v in row])


if __name__ == "__main__":
    write("elliptic.csv", ["integral", "n", "m", "value", "source"], elliptic_rows())
    write("uniform_disk.csv", ["region", "u", "rho", "value", "source"], uniform_disk_rows())
