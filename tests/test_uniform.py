"""Uniform-source light curves on the worker pool."""

import json
import math
import os
import subprocess
import sys

import pytest

import caustix
from caustix import multi_witt_mao_magnification as multi
from caustix import witt_mao_magnification as single

PI = 3.141592653589793


def grid(n, lo=0.0, hi=3.0):
    return [lo + (hi - lo) * i / (n - 1) for i in range(n)]


def test_lengths_and_types():
    assert single([], 1.0, 0.1) == []
    assert multi([], [1.0, 2.0], [0.1]) == [[], []]
    assert multi([1.0], [], [0.1]) == []
    assert multi([1.0], [1.0], []) == []
    out = single([2.0], 1.0, 0.1)
    assert len(out) == 1 and type(out[0]) is float


def test_values_in_source_radii():
    # re = 2, rstar = 0.2: rho = 0.1, u = l * rho.
    out = single([0.0, 1.0, 5.0], 2.0, 0.2)
    assert out[0] == pytest.approx(math.sqrt(401.0), rel=1e-14)
    assert out[1] == pytest.approx(((1.01 / 0.01) * (math.asin(-0.99 / 1.01) + PI / 2) + 20.0) / PI, rel=1e-15)
    assert out[2] == pytest.approx(2.19, abs=0.005)


def test_far_from_the_source_rim_approaches_a_point_source():
    # At u = 1 (l = 1000 source radii) the finite size changes A0 by ~rho^2.
    assert single([1000.0], 1.0, 1e-3)[0] == pytest.approx(3 / math.sqrt(5), rel=1e-5)
    assert single([1e5], 1.0, 1e-3)[0] == pytest.approx(1.0, abs=1e-4)


def test_multi_order_is_cartesian_with_re_slowest():
    l = grid(7)
    res, rstars = [1.0, 2.0], [0.05, 0.1, 0.3]
    curves = multi(l, res, rstars)
    expected = [single(l, re, rs) for re in res for rs in rstars]
    assert curves == expected  # bit for bit


def test_nan_affects_only_its_entry():
    l = grid(101)
    clean = single(l, 1.0, 0.1)
    l[37] = math.nan
    dirty = single(l, 1.0, 0.1)
    assert math.isnan(dirty[37])
    assert dirty[:37] == clean[:37] and dirty[38:] == clean[38:]


def test_rho_cases_pass_to_the_kernel():
    # rstar = 0: a point source; re = 0: rho infinite, NaN.
    assert single([1.0], 1.0, 0.0) == [math.inf]  # u = 0 at rho = 0
    assert all(math.isnan(v) for v in single([1.0], 0.0, 1.0))


SCRIPT = """
import json, caustix
l = [i * 0.0137 for i in range(20000)]
print(json.dumps([[v.hex() for v in caustix.witt_mao_magnification(l, 1.0, 0.1)],
                  [[v.hex() for v in c] for c in caustix.multi_witt_mao_magnification(l[:500], [1.0, 3.0], [0.01, 0.2])]]))
"""


def run_with_threads(count):
    env = dict(os.environ)
    if count is None:
        env.pop("CAUSTIX_NUM_THREADS", None)
    else:
        env["CAUSTIX_NUM_THREADS"] = str(count)
    out = subprocess.run([sys.executable, "-c", SCRIPT], env=env, capture_output=True, text=True, check=True)
    return json.loads(out.stdout)


@pytest.mark.parallel_threads(1)
def test_results_do_not_depend_on_the_pool_size():
    reference = run_with_threads(1)
    assert run_with_threads(None) == reference
    assert run_with_threads(3) == reference
    assert run_with_threads("garbage") == reference


POOL_SIZE = """
import caustix, ctypes, os, sys
caustix.witt_mao_magnification([0.5] * 2_000_000, 1.0, 0.1)
print(len([t for t in os.listdir('/proc/self/task')]))
"""


@pytest.mark.parallel_threads(1)
@pytest.mark.parametrize("setting, size", [("1", 1), ("3", 3), ("0", None), ("-2", None), ("x", None)])
def test_pool_size_follows_the_environment(setting, size):
    # A pool of size n is the calling thread and n - 1 workers.
    env = dict(os.environ, CAUSTIX_NUM_THREADS=setting)
    out = subprocess.run([sys.executable, "-c", POOL_SIZE], env=env, capture_output=True, text=True, check=True)
    expected = size if size is not None else len(os.sched_getaffinity(0))
    assert int(out.stdout) == expected


NO_THREADS = """
import resource, caustix

def address_space():
    for line in open("/proc/self/status"):
        if line.startswith("VmSize:"):
            return int(line.split()[1]) * 1024

# Leave no room for a thread's stack: the workers cannot start.
resource.setrlimit(resource.RLIMIT_AS, (address_space() + 3 * 2**20, resource.RLIM_INFINITY))
for call in (lambda: caustix.witt_mao_magnification([0.5] * 100, 1.0, 0.1),
             lambda: caustix.multi_witt_mao_magnification([0.5], [1.0], [0.1]),
             lambda: caustix.witt_mao_magnification([], 1.0, 0.1)):
    try:
        call()
        print("no fault")
    except BaseException as fault:
        print(type(fault).__name__, fault.args[0].startswith("The global thread pool has not been initialized."))
print(caustix.integrated_witt_mao_magnification([3.0], 1.0, 0.1)[0] > 1)
"""


@pytest.mark.parallel_threads(1)
@pytest.mark.skipif(os.environ.get("CAUSTIX_SANITIZED") == "1", reason="the sanitizers reserve address space")
def test_a_pool_that_cannot_start_is_an_internal_fault_every_time():
    env = dict(os.environ, CAUSTIX_NUM_THREADS="4")
    out = subprocess.run([sys.executable, "-c", NO_THREADS], env=env, capture_output=True, text=True, timeout=60)
    assert out.stdout.split("\n")[:4] == ["InternalFault True"] * 3 + ["True"], out.stdout + out.stderr
