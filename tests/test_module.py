"""The module boundary: registration, argument parsing, conversions, notes."""

import inspect
import math

import pytest

import caustix

REGISTRATION_ORDER = [
    "witt_mao_magnification",
    "integrated_witt_mao_magnification",
    "integrated_flux_map_witt_mao_magnification",
    "multi_witt_mao_magnification",
    "heyrovsky_magnification",
    "integrated_heyrovsky_magnification",
    "integrated_flux_map_heyrovsky_magnification",
    "discrete_flux_map_heyrovsky_magnification",
]
PARAMETERS = {
    "witt_mao_magnification": ["l", "re", "rstar"],
    "integrated_witt_mao_magnification": ["l", "re", "rstar"],
    "integrated_flux_map_witt_mao_magnification": ["l", "re", "rstar", "bl", "bf"],
    "multi_witt_mao_magnification": ["l", "re", "rstar"],
    "heyrovsky_magnification": ["l", "r", "re", "rstar"],
    "integrated_heyrovsky_magnification": ["l", "re", "rstar"],
    "integrated_flux_map_heyrovsky_magnification": ["l", "re", "rstar", "bl", "bf"],
    "discrete_flux_map_heyrovsky_magnification": ["l", "re", "rstar", "bl", "bf"],
}


def test_all_lists_the_functions_in_registration_order():
    assert caustix.__all__ == REGISTRATION_ORDER


@pytest.mark.parametrize("name", REGISTRATION_ORDER)
def test_function_metadata(name):
    function = getattr(caustix, name)
    assert function.__module__ == "caustix"
    assert function.__name__ == name
    assert list(inspect.signature(function).parameters) == PARAMETERS[name]
    assert function.__doc__ is None  # the docstring is the text signature only
    assert function.__text_signature__ == "(" + ", ".join(PARAMETERS[name]) + ")"


def test_module_docstring_is_one_sentence():
    doc = caustix.__doc__
    assert doc.endswith(".") and doc.count(".") == 1 and "\n" not in doc


W = caustix.witt_mao_magnification


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: W([1.0], 1.0, 0.1, 4), "witt_mao_magnification() takes 3 positional arguments but 4 were given"),
        (lambda: W([1.0], 1.0, 0.1, 4, x=1), "witt_mao_magnification() takes 3 positional arguments but 4 were given"),
        (lambda: W([1.0], 1.0, 0.1, re=1.0), "witt_mao_magnification() got multiple values for argument 're'"),
        (lambda: W([1.0], 1.0), "witt_mao_magnification() missing 1 required positional argument: 'rstar'"),
        (lambda: W([1.0]), "witt_mao_magnification() missing 2 required positional arguments: 're' and 'rstar'"),
        (lambda: W(), "witt_mao_magnification() missing 3 required positional arguments: 'l', 're', and 'rstar'"),
        (lambda: W(rstar=1.0), "witt_mao_magnification() missing 2 required positional arguments: 'l' and 're'"),
        (lambda: W(x=1), "witt_mao_magnification() got an unexpected keyword argument 'x'"),
        (lambda: W([1.0], Re=1.0, rstar=1), "witt_mao_magnification() got an unexpected keyword argument 'Re'"),
        (lambda: W([1.0], l=[1.0], x=1), "witt_mao_magnification() got multiple values for argument 'l'"),
        # A parse error comes before any conversion.
        (lambda: W("not a list", None), "witt_mao_magnification() missing 1 required positional argument: 'rstar'"),
    ],
)
def test_parser_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message
    assert not hasattr(info.value, "__notes__")


def test_missing_four_parameters():
    with pytest.raises(TypeError, match=r"^heyrovsky_magnification\(\) missing 4 required positional "
                       r"arguments: 'l', 'r', 're', and 'rstar'$"):
        caustix.heyrovsky_magnification()


def test_keywords_in_any_order_and_mixed():
    expected = W([0.5, 2.0], 1.0, 0.1)
    assert W(rstar=0.1, l=[0.5, 2.0], re=1.0) == expected
    assert W([0.5, 2.0], rstar=0.1, re=1.0) == expected


class FloatLike:
    def __init__(self, value):
        self.value = value

    def __float__(self):
        return self.value


class IndexLike:
    def __index__(self):
        return 2


class SubFloat(float):
    pass


class LyingLength(list):
    def __len__(self):
        return 1000


class FailingLength(list):
    def __len__(self):
        raise RuntimeError("no length")


def rim_curve(values):
    """The light curve at unit re, rstar 0.1, as floats."""
    return W(values, 1.0, 0.1)


@pytest.mark.parametrize(
    "value, equivalent",
    [
        ((0.5, 2.0), [0.5, 2.0]),
        (range(3), [0.0, 1.0, 2.0]),
        (b"\x01\x02", [1.0, 2.0]),
        ([1, 2], [1.0, 2.0]),
        ([True, FloatLike(0.5), IndexLike(), SubFloat(3.0)], [1.0, 0.5, 2.0, 3.0]),
        (LyingLength([0.5, 1.5]), [0.5, 1.5]),
        (FailingLength([0.5, 1.5]), [0.5, 1.5]),
        ([], []),
    ],
)
def test_sequences_accepted(value, equivalent):
    assert rim_curve(value) == rim_curve(equivalent)


@pytest.mark.parametrize(
    "value, equivalent",
    [(2, 2.0), (True, 1.0), (-1.0, -1.0), (FloatLike(0.25), 0.25), (IndexLike(), 2.0), (SubFloat(0.5), 0.5)],
)
def test_floats_accepted(value, equivalent):
    assert W([0.5, 3.0], 1.0, value) == W([0.5, 3.0], 1.0, equivalent)


def raising_iterable():
    class Broken:
        def __len__(self):
            return 2

        def __getitem__(self, i):
            raise KeyError("item %d" % i)

    return Broken()


@pytest.mark.parametrize(
    "args, exc_type, message, parameter",
    [
        (("abc", 1.0, 0.1), TypeError, "a str cannot be converted to a vector of floats", "l"),
        ((1, 1.0, 0.1), TypeError, "'int' object is not an instance of 'Sequence'", "l"),
        ((None, 1.0, 0.1), TypeError, "'None' is not an instance of 'Sequence'", "l"),
        (((x for x in [1.0]), 1.0, 0.1), TypeError, "'generator' object is not an instance of 'Sequence'", "l"),
        (({1.0}, 1.0, 0.1), TypeError, "'set' object is not an instance of 'Sequence'", "l"),
        (({1.0: 2.0}, 1.0, 0.1), TypeError, "'dict' object is not an instance of 'Sequence'", "l"),
        ((["1.0"], 1.0, 0.1), TypeError, "must be real number, not str", "l"),
        (([1.0], "1.0", 0.1), TypeError, "must be real number, not str", "re"),
        (([1.0], 1.0, None), TypeError, "must be real number, not NoneType", "rstar"),
        (([1.0], 1.0, 10**400), OverflowError, "int too large to convert to float", "rstar"),
        ((raising_iterable(), 1.0, 0.1), KeyError, "'item 0'", "l"),
        # Only the first failing argument is reported.
        (("abc", "x", None), TypeError, "a str cannot be converted to a vector of floats", "l"),
    ],
)
def test_conversion_errors_carry_the_parameter_note(args, exc_type, message, parameter):
    with pytest.raises(exc_type) as info:
        W(*args)
    assert str(info.value) == message
    assert info.value.__notes__ == [f"while processing '{parameter}'"]


def test_sequence_parameter_of_the_multi_form_gets_its_note():
    with pytest.raises(TypeError) as info:
        caustix.multi_witt_mao_magnification([1.0], [1.0], 0.1)
    assert str(info.value) == "'float' object is not an instance of 'Sequence'"
    assert info.value.__notes__ == ["while processing 'rstar'"]


def test_float_raising_from_dunder_keeps_its_type_and_gets_a_note():
    class Bad:
        def __float__(self):
            raise ZeroDivisionError("inside __float__")

    with pytest.raises(ZeroDivisionError, match="inside __float__") as info:
        W([Bad()], 1.0, 0.1)
    assert info.value.__notes__ == ["while processing 'l'"]


def test_exception_that_refuses_notes_is_raised_without_one():
    class NoNotes(Exception):
        def add_note(self, note):
            raise RuntimeError("refused")

    class Bad:
        def __float__(self):
            raise NoNotes("plain")

    with pytest.raises(NoNotes, match="plain") as info:
        W([1.0], Bad(), 0.1)
    assert not hasattr(info.value, "__notes__")


def test_non_finite_arguments_pass_through():
    out = W([math.nan, math.inf, 0.5], 1.0, 0.1)
    assert math.isnan(out[0]) and math.isnan(out[1]) and out[2] == W([0.5], 1.0, 0.1)[0]
    assert all(math.isnan(v) for v in W([0.5], 1.0, math.nan))
