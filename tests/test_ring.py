"""Ring magnification and the discrete ring sum."""

import math
import subprocess
import sys

import pytest

import caustix
from caustix import discrete_flux_map_heyrovsky_magnification as discrete
from caustix import heyrovsky_magnification as ring

NAN, INF = math.nan, math.inf

# Relative tolerance per region of ring.csv. Close to the ring the elliptic
# form's n = 4 l r / (l + r)^2 is within ((l + r) / d)^-2 of 1, and the
# rounding of n is amplified by that factor. Within 1e-5 of the ring the
# expansion to first order in d takes over.
TOLERANCE = {
    "example": lambda row: 2e-15,
    "centre": lambda row: 2e-15,
    "elliptic": lambda row: 1e-14,
    "close": lambda row: 4e-16 * ((row["l"] + row["r"]) / (row["r"] - row["l"])) ** 2,
    "near-ring": lambda row: 1e-9,
}


def test_agrees_with_the_ring_mean_by_quadrature(reference):
    worst = {}
    for row in reference("ring.csv"):
        got = ring(row["l"], row["r"], row["re"], row["rstar"])
        error = abs(got - row["value"]) / row["value"] / TOLERANCE[row["region"]](row)
        region = row["region"]
        if error >= worst.get(region, (0, None))[0]:
            worst[region] = (error, row)
    for region, (error, row) in worst.items():
        assert error <= 1.0, f"{region}: {error:.3g} times the tolerance at {row}"


def a0(x):
    return (x * x + 2) / (x * math.sqrt(x * x + 4))


@pytest.mark.parametrize(
    "args, expected",
    [
        ((0.5, 0.7, 1.0, 1.0), 1.97),
        ((1.3, 0.4, 2.0, 1.0), 1.81),
        ((0.0, 0.5, 1.0, 1.0), 2.25 / (0.5 * math.sqrt(4.25))),
        ((0.0, -0.5, 1.0, 1.0), -2.25 / (0.5 * math.sqrt(4.25))),
        ((0.8, 0.0, 2.0, 1.0), a0(0.4)),
        ((-0.5, -0.7, 1.0, 1.0), -ring(0.5, 0.7, 1.0, 1.0)),
        ((0.5, 0.7, -1.0, 1.0), ring(0.5, 0.7, 1.0, 1.0)),  # |eps| in the elliptic branch
        ((0.5, 0.7, 0.0, 1.0), 1.0),  # no lensing
        ((0.5, 0.7, 1.0, INF), 1.0),
    ],
)
def test_special_points(args, expected):
    assert ring(*args) == pytest.approx(expected, rel=5e-3 if expected in (1.97, 1.81) else 1e-14)


@pytest.mark.parametrize(
    "args, expected",
    [
        ((0.5, 0.5, 1.0, 1.0), INF),  # the ring through the lens
        ((0.0, 5e-6, 1.0, 1.0), INF),
        ((0.0, -5e-6, 1.0, 1.0), -INF),
        ((0.0, 0.0, 1.0, 1.0), NAN),
        ((-0.5, -0.500001, 1.0, 1.0), NAN),  # near-ring branch, negative l
        ((0.5, 0.500001, NAN, 1.0), NAN),
        ((0.5, 0.500001, 0.0, 1.0), NAN),
        ((0.5, 0.500001, 1.0, 0.0), NAN),
        ((0.5, 0.500001, -1.0, 1.0), NAN),
    ],
)
def test_non_finite_values_are_values(args, expected):
    got = ring(*args)
    assert type(got) is float
    assert (math.isnan(got) and math.isnan(expected)) or got == expected


@pytest.mark.parametrize(
    "args, message",
    [
        ((NAN, 0.5, 1.0, 1.0), "ellipk: Arguments cannot be NAN."),
        ((0.5, NAN, 1.0, 1.0), "ellipk: Arguments cannot be NAN."),
        ((0.5, 0.7, NAN, 1.0), "ellipk: Arguments cannot be NAN."),
        ((0.5, 0.7, 1.0, NAN), "ellipk: Arguments cannot be NAN."),
        ((INF, 0.5, 1.0, 1.0), "ellipk: Arguments cannot be NAN."),
        ((0.5, INF, 1.0, 1.0), "ellipk: Arguments cannot be NAN."),
        ((-0.5, 0.7, 1.0, 1.0), "ellipk: Arguments cannot be NAN."),
        ((0.5, 0.7, 1.0, 0.0), "ellipk: Arguments cannot be NAN."),  # eps = inf
        ((1e4, 1e4 + 2e-5, 1.0, 1.0), "ellippi: n cannot be 1."),
        ((1e5, 1e5 + 1.5e-5, 1e6, 1.0), "ellipk: m must not be greater than 1."),
    ],
)
def test_failures_carry_the_elliptic_message(args, message):
    with pytest.raises(RuntimeError) as info:
        ring(*args)
    assert info.value.args == (message,)
    assert not hasattr(info.value, "__notes__")


def left_to_right_sum(l, bl, bf):
    # Summed in table order, as written (Python's sum() is compensated).
    out = []
    for x in l:
        total = 0.0
        for r, w in zip(bl, bf):
            total += ring(x, r, 1.0, 0.5) * w
        out.append(total)
    return out


def test_discrete_sum():
    l = [0.0, 0.3, 1.7]
    bl, bf = [0.1, 0.45, 0.9], [1.0, 0.5, 0.25]
    out = discrete(l, 1.0, 0.5, bl, bf)
    assert out == left_to_right_sum(l, bl, bf)
    # Terms that cancel: a compensated or reordered sum gives another value.
    cancelling = ([2.0], [0.5, 0.7, 0.5], [1e16, 1.0, -1e16])
    assert discrete(cancelling[0], 1.0, 0.5, *cancelling[1:]) == left_to_right_sum(*cancelling)
    assert left_to_right_sum(*cancelling) != [sum(ring(2.0, r, 1.0, 0.5) * w for r, w in zip(*cancelling[1:]))]
    # The weights are used as given: no normalisation.
    scaled = discrete(l, 1.0, 0.5, bl, [3.0 * w for w in bf])
    assert scaled == pytest.approx([3.0 * v for v in out], rel=1e-15)


def test_discrete_edge_cases():
    assert discrete([0.3, 2.0], 1.0, 1.0, [], []) == [0.0, 0.0]
    assert discrete([], 1.0, 1.0, [0.5], [1.0]) == []
    assert all(math.isnan(v) for v in discrete([0.3, 2.0], 1.0, 1.0, [0.5, 0.7], [1.0, NAN]))
    # A separation on a table radius meets the ring through the lens.
    assert discrete([0.5], 1.0, 1.0, [0.5, 0.7], [-2.0, 1.0]) == [-INF]
    assert all(math.isnan(v) for v in discrete([0.5], 1.0, 1.0, [0.5], [0.0]))
    # A NaN re: the near-ring entry gives NaN as a value, the next one fails.
    assert all(math.isnan(v) for v in discrete([0.5], NAN, 1.0, [0.500001], [1.0]))


@pytest.mark.parametrize(
    "l, bl, bf",
    [
        ([0.5, NAN], [0.2], [1.0]),  # the second separation fails
        ([0.5], [0.2, -0.3], [1.0, 1.0]),  # a negative radius
        ([0.5], [0.2, -0.3], [1.0, 0.0]),  # a zero weight does not exempt it
    ],
)
def test_discrete_first_failure_ends_the_call(l, bl, bf):
    with pytest.raises(RuntimeError, match=r"^ellipk: Arguments cannot be NAN\.$"):
        discrete(l, 1.0, 1.0, bl, bf)


@pytest.mark.parametrize("l", [[], [0.5]])
def test_discrete_length_mismatch_is_an_internal_fault(l):
    with pytest.raises(BaseException) as info:
        discrete(l, 1.0, 1.0, [0.1, 0.2], [1.0, 2.0, 3.0])
    fault = info.value
    assert not isinstance(fault, Exception)
    assert type(fault).__bases__ == (BaseException,)
    assert fault.args == ("assertion `left == right` failed\n  left: 2\n right: 3",)


def test_discrete_converts_all_arguments_before_the_length_check():
    with pytest.raises(TypeError) as info:
        discrete([0.5], 1.0, 1.0, [0.1, 0.2], ["x"])
    assert info.value.__notes__ == ["while processing 'bf'"]


NESTED_FAULT = r"""
import caustix

class Evil:
    def {method}(self):
        caustix.discrete_flux_map_heyrovsky_magnification([], 1.0, 1.0, [1.0, 2.0], [1.0])
        return {value}

try:
    caustix.witt_mao_magnification({argument}, 1.0, 0.1)
except BaseException as fault:
    print("caught", type(fault).__name__, repr(fault.args[0]))
"""


@pytest.mark.parallel_threads(1)
@pytest.mark.parametrize(
    "method, value, argument",
    [("__float__", "1.0", "[Evil()]"), ("__iter__", "iter([1.0])", "type('S', (list,), {'__iter__': Evil.__iter__})()")],
)
def test_fault_coming_back_through_python_is_resumed(method, value, argument):
    script = NESTED_FAULT.format(method=method, value=value, argument=argument)
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    message = "assertion `left == right` failed\n  left: 2\n right: 1"
    assert out.stdout.strip() == f"caught InternalFault {message!r}"
    err = out.stderr
    # The nested fault's report, the notice, the Python traceback of the nested
    # fault, then the report of the fault raised in the outer call.
    notice = err.index("resuming an internal fault that came back from Python")
    traceback = err.index("Traceback (most recent call last)")
    assert err.index("internal fault on thread") < notice < traceback
    assert err.count("internal fault on thread") == 2
    assert err.count("  left: 2\n right: 1") >= 3
