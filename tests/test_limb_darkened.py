"""Limb-darkened light curves: nested uniform disks and rings."""

import math
import random

import pytest

import caustix
from caustix import integrated_heyrovsky_magnification as rings
from caustix import integrated_witt_mao_magnification as disks

NAN = math.nan

# Relative tolerance per region of limb_darkened.csv, for each operation.
# Both normalise by 2.5132741228717936, 1.6e-14 below 0.8 pi, which sets the
# floor outside the star. Inside the star the disk operation inherits the
# uniform-disk kernel's rim window (up to 7e-8 at l = 0.95). The ring
# operation reaches the normalisation's floor everywhere but for a lens
# within 5e-6 of the centre, where the piece [0, l] stops at 1.6e-11.
TOLERANCE = {
    "disks": {"centre": 1e-10, "near centre": 5e-10, "inside": 1e-7, "rim": 1e-12, "outside": 5e-14},
    "rings": {"centre": 1e-10, "near centre": 5e-14, "inside": 5e-14, "rim": 5e-14, "outside": 5e-14},
}


@pytest.mark.parametrize("name, operation", [("disks", disks), ("rings", rings)])
def test_agrees_with_the_disk_mean_by_quadrature(reference, name, operation):
    worst = {}
    for row in reference("limb_darkened.csv"):
        got = operation([row["l"]], 1.0, row["rho"])[0]
        error = abs(got - row["value"]) / row["value"]
        region = row["region"]
        if error >= worst.get(region, (0, None))[0]:
            worst[region] = (error, row)
    for region, (error, row) in worst.items():
        assert error <= TOLERANCE[name][region], f"{name} {region}: {error:.3g} at {row}"


def rim_window(rho):
    """Half-width, in source radii, of the uniform-disk kernel's rim window."""
    return max(0.001, 1e-5 / rho)


@pytest.mark.parametrize("rho, inside", [(0.001, 3e-4), (0.01, 1.5e-5), (0.1, 1.5e-5), (0.5, 1.5e-5)])
def test_rings_agree_with_disks(rho, inside):
    # Outside the star the two agree to quadrature accuracy. Inside it the disk
    # operation carries the uniform-disk kernel's rim window over its inner
    # disks, which grows towards the rim and as rho falls below 0.01 (where
    # the window's floor of 1e-5 Einstein radii is 0.01 source radii at
    # rho = 0.001); the ring operation has no window. Within two window widths
    # of the rim the full-disk term steps.
    w = rim_window(rho)
    l = [3.0 * (i + 0.5) / 600 for i in range(600)]
    a, b = disks(l, 2.0, 2.0 * rho), rings(l, 2.0, 2.0 * rho)
    for x, p, q in zip(l, a, b):
        if abs(x - 1.0) < 2 * w:
            tolerance = 0.02
        elif x < 1.0:
            tolerance = inside
        else:
            tolerance = 1e-10
        assert abs(p - q) <= tolerance * q, f"l = {x}: disks {p!r}, rings {q!r}"


def test_ring_operation_is_accurate_at_the_rim_of_small_stars():
    # Against the mpmath disk mean (tests/reference/generate_limb_darkened.py):
    # l = 0.98, rho = 0.001, where the disk operation is 2.1e-4 low.
    assert rings([0.98], 1.0, 0.001)[0] == pytest.approx(1280.8848572373802, rel=1e-11)


def test_far_from_the_star_the_entries_tend_to_one():
    for operation in (disks, rings):
        near, far = operation([100.0, 1000.0], 1.0, 0.1)
        assert far == pytest.approx(1.0, abs=1e-7)
        assert near > far > 1.0


def test_far_field_limb_darkening_hardly_matters():
    # At u / rho = 1000 the finite source changes the magnification by ~1e-8.
    uniform = caustix.witt_mao_magnification([1000.0], 1.0, 1e-3)
    for operation in (disks, rings):
        assert operation([1000.0], 1.0, 1e-3) == pytest.approx(uniform, rel=3e-8)


def test_empty_and_non_finite_inputs():
    assert disks([], 1.0, 0.1) == [] and rings([], 1.0, 0.1) == []
    # A NaN separation: the disk operation's full-disk term makes it NaN, the
    # ring operation's integral is zero (every node counts as zero).
    assert math.isnan(disks([NAN], 1.0, 0.1)[0])
    assert rings([NAN], 1.0, 0.1) == [0.0]
    assert rings([0.5], NAN, 0.1) == [0.0]
    assert rings([0.5], 1.0, NAN) == [0.0]
    assert math.isnan(disks([0.5], NAN, 0.1)[0])


@pytest.mark.parametrize("operation", [disks, rings])
def test_entries_depend_only_on_their_separation(operation):
    l = [0.0, 0.2, 0.5, 0.999, 1.0, 1.001, 2.0, 7.0]
    shuffled = l[:]
    random.Random(1).shuffle(shuffled)
    forward = dict(zip(l, operation(l, 1.0, 0.05)))
    assert dict(zip(shuffled, operation(shuffled, 1.0, 0.05))) == forward
