"""Light curves of tabulated brightness profiles (flux maps)."""

import math

import pytest

import caustix
from caustix import integrated_flux_map_heyrovsky_magnification as map_rings
from caustix import integrated_flux_map_witt_mao_magnification as map_annuli

NAN = math.nan
OPERATIONS = [map_annuli, map_rings]
OUTSIDE = [1.2, 1.5, 2.0, 3.0, 10.0]
INSIDE = [0.1, 0.4, 0.7, 0.95]


def linear_law(r):
    return 1.0 - 0.6 * (1.0 - math.sqrt(1.0 - r * r))


@pytest.mark.parametrize("rho", [0.01, 0.1])
def test_one_entry_map_is_a_uniform_star(rho):
    near = [1.05, 1.1, 1.15]
    uniform = caustix.witt_mao_magnification(near + OUTSIDE + INSIDE, 1.0, rho)
    for bl, bf in [([0.5], [1.0]), ([7.0], [3.0]), ([-1.0], [0.25])]:
        rings = map_rings(near + OUTSIDE + INSIDE, 1.0, rho, bl, bf)
        assert rings == pytest.approx(uniform, rel=1e-11)
        # Annuli 1e-4 wide: 1e-8 just outside the star (1e-3 wide ones are
        # off by more there), and within 1e-7 inside it, where the integral
        # is split at the annuli that meet the lens and the kernel's window.
        annuli = map_annuli(near + OUTSIDE + INSIDE, 1.0, rho, bl, bf)
        outside = len(near) + len(OUTSIDE)
        assert annuli[:outside] == pytest.approx(uniform[:outside], rel=1e-8)
        assert annuli[outside:] == pytest.approx(uniform[outside:], rel=1e-7)


@pytest.mark.parametrize("rho", [0.01, 0.1])
def test_sampled_linear_law_reproduces_the_limb_darkened_curves(rho):
    bl = [i / 400 for i in range(401)]
    bf = [linear_law(r) for r in bl]
    l = OUTSIDE + INSIDE
    reference = caustix.integrated_heyrovsky_magnification(l, 1.0, rho)
    # Linear interpolation of the law's square-root rim with 400 segments
    # changes the star's flux by about 1e-4; outside the star the change
    # cancels in the ratio to the normalisation, inside it shows.
    rings = map_rings(l, 1.0, rho, bl, bf)
    assert rings[: len(OUTSIDE)] == pytest.approx(reference[: len(OUTSIDE)], rel=2e-5)
    assert rings[len(OUTSIDE):] == pytest.approx(reference[len(OUTSIDE):], rel=1e-4)
    annuli = map_annuli(l, 1.0, rho, bl, bf)
    assert annuli[: len(OUTSIDE)] == pytest.approx(reference[: len(OUTSIDE)], rel=2e-5)


# Relative tolerance per region of flux_map.csv (a 201-entry quadratic law).
# What remains is the quadrature of the profile's 200 kinks, taken in one
# piece by both operations and by the normalisation: up to 3e-7 (annuli)
# and 1.3e-7 (rings).
MAP_TOLERANCE = {"inside": 5e-7, "outside": 1e-7}


@pytest.mark.parametrize("operation", OPERATIONS)
def test_quadratic_law_table_agrees_with_an_independent_quadrature(reference, operation):
    bl = [i / 200 for i in range(201)]
    mu = [math.sqrt(1 - r * r) for r in bl]
    bf = [1 - 0.4 * (1 - m) - 0.25 * (1 - m) ** 2 for m in mu]
    for row in reference("flux_map.csv"):
        got = operation([row["l"]], 1.0, row["rho"], bl, bf)[0]
        assert got == pytest.approx(row["value"], rel=MAP_TOLERANCE[row["region"]]), row


def test_uncovered_radii_are_dark():
    # A map covering [0, 1.3] with a segment crossing r = 1 equals the same
    # map cut at 1: radii beyond the star matter only through that segment.
    l = [1.5, 3.0]
    cut = map_rings(l, 1.0, 0.1, [0.0, 1.0], [1.0, 1.0 - 1.0 / 1.3])
    beyond = map_rings(l, 1.0, 0.1, [0.0, 1.3], [1.0, 0.0])
    assert beyond == pytest.approx(cut, rel=1e-12)


@pytest.mark.parametrize("operation", OPERATIONS)
@pytest.mark.parametrize("bl, bf", [([], []), ([-0.5, 0.0], [1.0, 1.0]), ([1.0, 2.0], [1.0, 1.0])])
def test_dark_stars_give_nan(operation, bl, bf):
    assert all(math.isnan(v) for v in operation([0.5, 2.0], 1.0, 0.1, bl, bf))
    assert operation([], 1.0, 0.1, bl, bf) == []


@pytest.mark.parametrize("operation", OPERATIONS)
def test_nan_brightness_counts_as_zero(operation):
    out = operation([2.0], 1.0, 0.1, [0.0, 0.5, 1.0], [1.0, 1.0, NAN])
    assert math.isfinite(out[0]) and out[0] > 1.0


@pytest.mark.parametrize("operation", OPERATIONS)
@pytest.mark.parametrize("l", [[], [0.5]])
def test_length_mismatch_is_an_internal_fault(operation, l):
    with pytest.raises(BaseException) as info:
        operation(l, 1.0, 0.1, [0.1, 0.2, 0.3], [1.0, 2.0])
    assert not isinstance(info.value, Exception)
    assert info.value.args == ("assertion `left == right` failed\n  left: 3\n right: 2",)


@pytest.mark.parametrize("operation", OPERATIONS)
def test_conversion_comes_before_the_length_check(operation):
    with pytest.raises(TypeError) as info:
        operation([0.5], 1.0, 0.1, [0.1, 0.2, 0.3], "ab")
    assert info.value.__notes__ == ["while processing 'bf'"]


def test_quadratic_law_example():
    # Any law: here quadratic, I(mu) = 1 - a (1 - mu) - b (1 - mu)^2.
    a, b = 0.4, 0.25
    bl = [i / 200 for i in range(201)]
    bf = [1 - a * (1 - math.sqrt(1 - r * r)) - b * (1 - math.sqrt(1 - r * r)) ** 2 for r in bl]
    out = map_rings([0.5, 2.0], 1.0, 0.05, bl, bf)
    uniform = caustix.witt_mao_magnification([0.5, 2.0], 1.0, 0.05)
    # A darkened rim concentrates the light: more magnified with the lens
    # inside the star, less outside it.
    assert out[0] > uniform[0] and out[1] < uniform[1]
    assert out == pytest.approx(uniform, rel=0.1)
