"""Buffers of doubles are read directly; everything else is iterated."""

import array
import math

import numpy as np
import pytest

import caustix

W = caustix.witt_mao_magnification
VALUES = [0.0, 0.3, 1.0, 2.5, math.nan, math.inf, -0.0, 5e-324]


def as_list(seq):
    return [float(x) for x in seq]


@pytest.mark.parametrize(
    "make",
    [
        lambda v: np.array(v, dtype=np.float64),
        lambda v: array.array("d", v),
        lambda v: memoryview(array.array("d", v)),
        lambda v: np.array(v, dtype=np.float64)[2:6],  # a contiguous slice
        lambda v: np.array(v, dtype=np.float32),  # other formats: iterated
        lambda v: np.array(v, dtype=np.float64)[::2],  # not contiguous: iterated
        lambda v: np.array(v, dtype=">f8"),  # not native order: iterated
        lambda v: array.array("f", v),
    ],
)
def test_same_values_as_a_list(make):
    seq = make(VALUES)
    expected = W(as_list(seq), 1.0, 0.1)
    got = W(seq, 1.0, 0.1)
    assert [x.hex() for x in got] == [x.hex() for x in expected]


def test_every_function_accepts_arrays():
    l = np.linspace(0.0, 3.0, 7)
    bl, bf = np.linspace(0.0, 1.0, 5), np.array([1.0, 0.9, 0.8, 0.6, 0.4])
    assert caustix.integrated_flux_map_heyrovsky_magnification(l, 1.0, 0.1, bl, bf) == \
        caustix.integrated_flux_map_heyrovsky_magnification(l.tolist(), 1.0, 0.1, bl.tolist(), bf.tolist())
    assert caustix.multi_witt_mao_magnification(l, np.array([1.0, 2.0]), np.array([0.1])) == \
        caustix.multi_witt_mao_magnification(l.tolist(), [1.0, 2.0], [0.1])


def test_subclasses_are_iterated():
    class Shifted(np.ndarray):
        def __iter__(self):
            return iter([x + 1.0 for x in np.asarray(self)])

    l = np.array([0.5, 1.5]).view(Shifted)
    assert W(l, 1.0, 0.1) == W([1.5, 2.5], 1.0, 0.1)


@pytest.mark.parametrize(
    "value, exc_type",
    [
        (np.zeros((2, 2)), TypeError),  # rows are not numbers
        (np.float64(1.0), TypeError),  # a scalar is no sequence
        (np.array(1.0), TypeError),  # 0-d: not iterable
    ],
)
def test_other_arrays_fail_as_before(value, exc_type):
    with pytest.raises(exc_type) as info:
        W(value, 1.0, 0.1)
    assert info.value.__notes__ == ["while processing 'l'"]


def test_bytes_and_byte_views_are_iterated():
    assert W(b"\x01\x02", 1.0, 0.1) == W([1.0, 2.0], 1.0, 0.1)
    assert W(memoryview(b"\x01\x02"), 1.0, 0.1) == W([1.0, 2.0], 1.0, 0.1)
