"""The Dask example on a local cluster of two worker processes, against direct calls."""

import csv
import os
import pathlib
import runpy

import pytest

import vantrel

pytest.importorskip("distributed")
EXAMPLE = pathlib.Path(os.environ.get("VANTREL_EXAMPLES", pathlib.Path(__file__).parents[2] / "examples"))


def test_two_worker_processes_give_the_direct_results(tmp_path):
    example = runpy.run_path(str(EXAMPLE / "dask_many_series.py"))
    series = list(example["generated"](200, 120))
    series[17] = ("too_short", [1.0, 2.0, 3.0])
    source = tmp_path / "series.csv"
    with open(source, "w", newline="") as file:
        csv.writer(file).writerows([["series", "point", "value"]] + [[name, p + 1, repr(v)] for name, values in series for p, v in enumerate(values)])
    output = tmp_path / "long.csv"
    status = example["main"](["--input", str(source), "--output", str(output), "--workers", "2", "--batch", "16", "--model", "power"])
    assert status == 3  # the short series is refused, the others written in order
    direct = "".join(vantrel.decompose(values, model="power").long_rows(name) for name, values in series if name != "too_short")
    assert output.read_text() == vantrel.LONG_HEADER + direct
