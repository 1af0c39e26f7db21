"""The module against vantrel-batch's full-precision output, and as a caller uses it."""

import csv
import io
import math
import os
import subprocess

import numpy as np
import pytest

import vantrel


def wavy(n, level=50.0, seed=1):
    """A noisy wavy series with six decimals, so that every value is read exactly as given."""
    p = np.arange(1, n + 1)
    noise = np.random.default_rng(seed).normal(0, 0.5, n)
    return np.round(level + 0.1 * p + 5 * np.sin(p * 0.4) + 2 * np.sin(p * 0.05) + noise, 6)


CASES = [
    ({"model": "power"}, ["--model", "power"]),
    ({"model": "logarithmic", "amplitude": False}, ["--model", "logarithmic", "--amplitude", "off"]),
    ({"model": "exponential", "wavelength": False, "i": 16}, ["--model", "exponential", "--wavelength", "off", "--i=" + ",".join(["16"] * 10)]),
    ({"amplitude": False, "wavelength": False, "d": [-1.5, 0, 2, 0, 0, 0, 0, 0, 3.25, 0], "i": [4] * 9 + [3.6]},
     ["--amplitude", "off", "--wavelength", "off", "--d=-1.5,0,2,0,0,0,0,0,3.25,0", "--i=4,4,4,4,4,4,4,4,4,4"]),
]


@pytest.mark.parametrize("options,args", CASES)
def test_same_numbers_as_vantrel_batch(options, args, tmp_path):
    values = wavy(120)
    r = vantrel.decompose(values, **options)
    # vantrel-batch's --long table for the series given as text
    text = "".join(repr(float(v)) + "\n" for v in values).encode()
    run = subprocess.run([os.environ.get("VANTREL_BATCH", "vantrel-batch"), "--long", tmp_path / "long.csv", *args], input=text, capture_output=True)
    assert run.returncode == 0, run.stderr.decode()
    table = (tmp_path / "long.csv").read_text()
    assert vantrel.LONG_HEADER + r.long_rows("1") == table
    rows = list(csv.DictReader(io.StringIO(table)))
    got = {"data": r.data, "trend": r.trend, "oscillation": r.oscillation, "remainder": r.remainder}
    got.update({f"wave_{k + 1}": r.waves[k] for k in range(10)})
    for key, column in got.items():
        assert np.array_equal(column, [float(row[key]) for row in rows]), key
    assert r.model == options.get("model", "linear")


def test_results_hold_together():
    values = wavy(3000)
    r = vantrel.decompose(values, model="power", max_points=2500)
    assert r.waves.shape == (10, 2500) and np.array_equal(r.data, values[-2500:])
    assert np.array_equal(vantrel.decompose(values).data, values[-1500:])
    # The oscillation is data less trend; the remainder what the ten waves leave of it.
    assert np.array_equal(r.oscillation, r.data - r.trend)
    assert np.allclose(r.oscillation, r.waves.sum(axis=0) + r.remainder, atol=1e-9)
    assert np.allclose(r.trend, r.a * np.arange(1, 2501) ** r.b)
    assert r.i == [8.0] * 10 and r.long_rows("a, b").startswith('"a, b",1,')
    assert vantrel.decompose(values, amplitude=False, wavelength=False, d=1.5, i=[5] * 10).d == [1.5] * 10
    assert "max_points" in vantrel.decompose.__doc__ and "jobs" in vantrel.decompose_many.__doc__


def test_fall_back_to_linear_and_refusals():
    assert vantrel.decompose(wavy(50) - 60, model="exponential").model == "linear"
    with pytest.raises(vantrel.RefusedError, match="at least 10 numbers"):
        vantrel.decompose([1.0, 2.0, 3.0])
    for bad in (math.nan, math.inf):
        broken = wavy(40)
        broken[7] = bad
        with pytest.raises(ValueError, match="value 8 of the series is not a finite number"):
            vantrel.decompose(broken)
    with pytest.raises(ValueError, match="unknown model 'cubic'"):
        vantrel.decompose(wavy(40), model="cubic")
    for wrong in ([1, 2], [0] * 11):
        with pytest.raises(ValueError, match="i takes a number or a list of ten"):
            vantrel.decompose(wavy(40), i=wrong)


def test_any_sequence_of_numbers():
    pandas = pytest.importorskip("pandas")
    values = [float(v) for v in np.round(wavy(60), 2)]
    as_list = vantrel.decompose(values)
    as_float32 = vantrel.decompose(np.array(values, dtype=np.float32))
    assert np.array_equal(as_list.remainder, vantrel.decompose(pandas.Series(values)).remainder)
    widened = np.array(values, dtype=np.float32).astype(np.float64)
    assert np.array_equal(as_float32.remainder, vantrel.decompose(widened).remainder)
    # Like a pasted number, a value is read to 15 significant digits.
    assert as_float32.data[0] == float(f"{widened[0]:.15g}") != values[0]
    frame = as_list.to_frame()
    assert list(frame.columns) == ["Data", "Regression", "Oscillation"] + [f"Wave {k}" for k in range(1, 11)] + ["Remainder"]
    assert frame.index[0] == 1 and frame.index[-1] == 60 and frame.index.name == "Index"
    assert np.array_equal(frame.to_numpy().T, np.vstack([as_list.data, as_list.trend, as_list.oscillation, as_list.waves, as_list.remainder]))


def test_decompose_many_is_the_same_on_any_number_of_threads():
    series = [wavy(n, seed=n) for n in (40, 90, 150, 60, 200)]
    one = vantrel.decompose_many(series, jobs=1, model="power")
    two = vantrel.decompose_many(series, jobs=2, model="power")
    for a, b, values in zip(one, two, series):
        direct = vantrel.decompose(values, model="power")
        assert np.array_equal(a.waves, b.waves) and np.array_equal(a.waves, direct.waves)
    padded = np.full((200, 2), np.nan)
    padded[:40, 0] = series[0]
    padded[:, 1] = series[4]
    columns = vantrel.decompose_many(padded, jobs=2)
    assert np.array_equal(columns[0].remainder, vantrel.decompose(series[0]).remainder)
    assert np.array_equal(columns[1].data, series[4])
    with pytest.raises(vantrel.RefusedError):
        vantrel.decompose_many([series[0], [1.0, 2.0]], jobs=2)
    with pytest.raises(ValueError, match="jobs must be at least 1"):
        vantrel.decompose_many(series, jobs=0)
