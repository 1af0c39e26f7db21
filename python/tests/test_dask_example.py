"""The Dask example on a local cluster of two worker processes, against direct calls."""

import csv
import importlib.util
import os
import pathlib

import numpy as np
import pytest

import vantrel

pytest.importorskip("distributed")
EXAMPLE = pathlib.Path(os.environ.get("VANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))


def load_example():
    found = importlib.util.spec_from_file_location("dask_many_series", EXAMPLE / "dask_many_series.py")
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module


def test_two_worker_processes_give_the_direct_results(tmp_path):
    example = load_example()
    series = list(example.generated(200, 120))
    series[17] = ("too_short", [1.0, 2.0, 3.0])
    source = tmp_path / "series.csv"
    with open(source, "w", newline="") as file:
        writer = csv.writer(file)
        writer.writerow(["series", "point", "value"])
        for name, values in series:
            writer.writerows([name, p + 1, repr(v)] for p, v in enumerate(values))
    output = tmp_path / "long.csv"
    status = example.main(["--input", str(source), "--output", str(output), "--workers", "2", "--batch", "16", "--model", "power"])
    assert status == 3  # the short series is refused, the others written

    rows = {}
    with open(output, newline="") as file:
        for row in csv.DictReader(file):
            rows.setdefault(row["series"], []).append(row)
    assert list(rows) == [name for name, _ in series if name != "too_short"]
    for name, values in series:
        if name == "too_short":
            continue
        direct = vantrel.decompose(values, model="power")
        got = rows[name]
        assert [int(r["point"]) for r in got] == list(range(1, len(values) + 1))
        assert np.array_equal([float(r["trend"]) for r in got], direct.trend)
        assert np.array_equal([float(r["wave_10"]) for r in got], direct.waves[9])
        assert np.array_equal([float(r["remainder"]) for r in got], direct.remainder)
