"""Hostile input, many threads, memory: the module must never crash."""

import gc
import math
import os
import sys
import threading

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import caustix

NAN, INF = math.nan, math.inf
BL, BF = [0.0, 0.4, 1.0], [1.0, 0.9, 0.4]

# One call per behaviour of every function: successes, parser errors,
# conversion errors, operation failures and internal faults.
CALLS = [
    ("witt_mao_magnification", ([0.0, 0.5, 1.0, 2.5, NAN], 1.0, 0.1), {}),
    ("witt_mao_magnification", ([0.5] * 3000, 2.0, 0.01), {}),
    ("witt_mao_magnification", ("abc", 1.0, 0.1), {}),
    ("witt_mao_magnification", ([1.0], 1.0), {}),
    ("integrated_witt_mao_magnification", ([0.0, 0.3, 0.99, 1.5], 1.0, 0.1), {}),
    ("integrated_witt_mao_magnification", ([0.3], None, 0.1), {}),
    ("integrated_flux_map_witt_mao_magnification", ([0.3, 2.0], 1.0, 0.1, BL, BF), {}),
    ("integrated_flux_map_witt_mao_magnification", ([0.3], 1.0, 0.1, BL, BF[:2]), {}),
    ("multi_witt_mao_magnification", ([0.2, 1.0, 3.0] * 50, [1.0, 2.0], [0.01, 0.1, 0.3]), {}),
    ("multi_witt_mao_magnification", ([0.2], [1.0], 0.3), {}),
    ("heyrovsky_magnification", (0.5, 0.7, 1.0, 1.0), {}),
    ("heyrovsky_magnification", (NAN, 0.7, 1.0, 1.0), {}),
    ("heyrovsky_magnification", (1e4, 1e4 + 2e-5, 1.0, 1.0), {}),
    ("heyrovsky_magnification", (0.5, 0.7, 1.0), {"r": 1.0}),
    ("integrated_heyrovsky_magnification", ([0.0, 0.5, 1.0, 2.0], 1.0, 0.1), {}),
    ("integrated_heyrovsky_magnification", ([0.5], 1.0, 0.1), {"x": 1}),
    ("integrated_flux_map_heyrovsky_magnification", ([0.5, 1.5], 1.0, 0.1, BL, BF), {}),
    ("integrated_flux_map_heyrovsky_magnification", ([], 1.0, 0.1, BL, []), {}),
    ("discrete_flux_map_heyrovsky_magnification", ([0.2, 0.5, 3.0], 1.0, 0.5, BL, BF), {}),
    ("discrete_flux_map_heyrovsky_magnification", ([0.2, 0.5], 1.0, 0.5, [0.1, -0.5], [1.0, 1.0]), {}),
    ("discrete_flux_map_heyrovsky_magnification", ([0.2], 1.0, 0.5, [0.1], [1.0, 2.0]), {}),
]


def outcome(name, args, kwargs):
    """The result, or the exception's type, arguments and notes, as comparable values."""
    try:
        return ("ok", repr(getattr(caustix, name)(*args, **kwargs)))
    except BaseException as exc:  # the internal fault derives from BaseException
        return (type(exc).__name__, exc.args, getattr(exc, "__notes__", None))


@pytest.mark.parallel_threads(1)
def test_many_threads_see_what_one_thread_sees():
    serial = [outcome(*call) for call in CALLS]
    assert {o[0] for o in serial} >= {"ok", "TypeError", "RuntimeError", "InternalFault"}
    threads, rounds = 8, 12
    barrier = threading.Barrier(threads)
    mismatches = []

    def worker(index):
        barrier.wait()
        for k in range(rounds):
            for j in range(len(CALLS)):
                i = (j + index * 5 + k) % len(CALLS)  # each thread in its own order
                got = outcome(*CALLS[i])
                if got != serial[i]:
                    mismatches.append((CALLS[i][0], got, serial[i]))

    pool = [threading.Thread(target=worker, args=(i,)) for i in range(threads)]
    for t in pool:
        t.start()
    for t in pool:
        t.join()
    assert not mismatches, mismatches[:3]


# Hostile objects -----------------------------------------------------------


class FuzzError(Exception):
    """Raised by the hostile objects themselves."""


class RaisingFloat:
    def __float__(self):
        raise FuzzError("__float__")


class WrongFloat:
    def __float__(self):
        return "not a float"


class RaisingIndex:
    def __index__(self):
        raise FuzzError("__index__")


class WrongIndex:
    def __index__(self):
        return 1.5


class RaisingLen(list):
    def __len__(self):
        raise FuzzError("__len__")


class HugeLen(list):
    def __len__(self):
        return sys.maxsize


class RaisingIter(list):
    def __iter__(self):
        raise FuzzError("__iter__")


class WrongIter(list):
    def __iter__(self):
        return 42


class RaisingNext(list):
    def __iter__(self):
        return self

    def __next__(self):
        raise FuzzError("__next__")


class Mutating(list):
    """Grows while it is iterated, up to a bound."""

    def __iter__(self):
        for i in range(5):
            self.append(float(i))
            yield float(i)


class FloatSub(float):
    pass


HOSTILE = [
    RaisingFloat(), WrongFloat(), RaisingIndex(), WrongIndex(), RaisingLen([1.0]), HugeLen([0.5]),
    RaisingIter([1.0]), WrongIter([1.0]), RaisingNext([1.0]), Mutating([0.1]), FloatSub(0.5),
    object(), {}, set(), {1.0: 2.0}, range(3), memoryview(b"ab"), 1j, Ellipsis, type,
]

numbers = (
    st.floats(allow_nan=True, allow_infinity=True, allow_subnormal=True)
    | st.sampled_from([-0.0, 5e-324, 1.7976931348623157e308, 1e-5, 1.0 + 1e-5, NAN, INF, -INF])
    | st.integers(min_value=-(10**400), max_value=10**400)
    | st.booleans()
)
scalars = numbers | st.text(max_size=3) | st.binary(max_size=3) | st.none() | st.sampled_from(HOSTILE)
sequences = st.recursive(
    st.lists(scalars, max_size=4) | st.tuples(scalars, scalars),
    lambda inner: st.lists(inner, max_size=3) | inner.map(lambda seq: (x for x in seq)),
    max_leaves=8,
)
arguments = scalars | sequences | st.lists(numbers, max_size=5)

ARITY = {name: len(getattr(caustix, name).__text_signature__.split(",")) for name in caustix.__all__}
ALLOWED = (TypeError, ValueError, OverflowError, RuntimeError, FuzzError, MemoryError)


@pytest.mark.parallel_threads(1)
@settings(max_examples=3000, deadline=None, suppress_health_check=list(HealthCheck))
@given(name=st.sampled_from(caustix.__all__), data=st.data())
def test_hostile_arguments_raise_only_allowed_exceptions(name, data):
    arity = ARITY[name]
    args = data.draw(st.lists(arguments, min_size=max(arity - 1, 0), max_size=arity + 1), label="args")
    function = getattr(caustix, name)
    try:
        result = function(*args)
    except ALLOWED as exc:
        assert not isinstance(exc, SystemError), exc
        return
    except BaseException as fault:
        # The only internal fault a caller can provoke: tables of unequal length.
        assert type(fault).__name__ == "InternalFault", repr(fault)
        assert fault.args[0].startswith("assertion `left == right` failed"), fault.args
        return
    if name == "heyrovsky_magnification":
        assert type(result) is float
    else:
        assert type(result) is list


# Memory --------------------------------------------------------------------


def resident_kib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS")


# For each function, cheap calls that succeed and that fail every way it can.
CHEAP_CALLS = {
    "witt_mao_magnification": [(([0.5, 2.0], 1.0, 0.1), {}), (("x", 1.0, 0.1), {}), (([1.0],), {})],
    "integrated_witt_mao_magnification": [(([0.5], 1.0, 0.1), {}), (([RaisingFloat()], 1.0, 0.1), {})],
    "integrated_flux_map_witt_mao_magnification": [
        (([2.0], 1.0, 0.1, [0.5], [1.0]), {}), (([2.0], 1.0, 0.1, [0.5], []), {}),
        (([2.0], 1.0, 0.1, [0.5], None), {})],
    "multi_witt_mao_magnification": [(([0.5], [1.0], [0.1, 0.2]), {}), (([0.5], [1.0], 0.1), {})],
    "heyrovsky_magnification": [((0.5, 0.7, 1.0, 1.0), {}), ((NAN, 0.7, 1.0, 1.0), {}),
                                ((0.5, 0.7, 1.0, 1.0), {"l": 1.0})],
    "integrated_heyrovsky_magnification": [(([2.0], 1.0, 0.1), {}), ((RaisingIter([1.0]), 1.0, 0.1), {})],
    "integrated_flux_map_heyrovsky_magnification": [
        (([2.0], 1.0, 0.1, [0.5], [1.0]), {}), (([2.0], 1.0, 0.1, [0.5, 0.6], [1.0]), {})],
    "discrete_flux_map_heyrovsky_magnification": [
        (([0.5], 1.0, 0.1, [0.2], [1.0]), {}), (([0.5], 1.0, 0.1, [-0.2], [1.0]), {}),
        (([0.5], 1.0, 0.1, [0.2], [1.0, 2.0]), {})],
}


def churn(calls_per_function):
    for name, variants in CHEAP_CALLS.items():
        for i in range(calls_per_function):
            args, kwargs = variants[i % len(variants)]
            outcome(name, args, kwargs)


@pytest.mark.parallel_threads(1)
@pytest.mark.skipif(os.environ.get("CAUSTIX_SANITIZED") == "1", reason="slow under the sanitizers")
def test_memory_stays_flat_over_many_calls():
    # 10^5 calls of each function, successes and every kind of failure
    # interleaved; resident size measured after a warm-up of 10^4.
    churn(10**4)
    gc.collect()
    before = resident_kib()
    churn(10**5)
    gc.collect()
    after = resident_kib()
    assert after - before < 2048, f"resident size grew by {after - before} KiB"


@pytest.mark.parallel_threads(1)
def test_result_allocation_failure_is_an_internal_fault():
    testcapi = pytest.importorskip("_testcapi")
    if not hasattr(testcapi, "set_nomemory"):
        pytest.skip("the interpreter has no allocation-failure hooks")
    reports = []
    previous = sys.unraisablehook
    sys.unraisablehook = lambda report: reports.append(report.exc_type)
    l = [0.5] * 1000  # more floats than the interpreter's free list holds
    try:
        testcapi.set_nomemory(0, 1)
        try:
            caustix.witt_mao_magnification(l, 1.0, 0.1)
        except BaseException as fault:
            caught = fault
        else:
            caught = None
        finally:
            testcapi.remove_mem_hooks()
    finally:
        sys.unraisablehook = previous
    assert caught is not None and type(caught).__name__ == "InternalFault"
    assert caught.args == ("PyObject pointer is null",)
    assert reports == [MemoryError]
