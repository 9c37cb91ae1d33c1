import csv
import pathlib

import pytest

REFERENCE = pathlib.Path(__file__).resolve().parent / "reference"


def read_table(name):
    """Rows of a committed reference table, numbers as floats."""
    with open(REFERENCE / name, newline="") as f:
        rows = list(csv.DictReader(f))
    for row in rows:
        for key, value in row.items():
            try:
                row[key] = float(value)
            except ValueError:
                pass
    return rows


@pytest.fixture
def reference():
    return read_table
