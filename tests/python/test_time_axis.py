# SPDX-License-Identifier: BSD-3-Clause
"""Frame numbers, the trigger, times and the xarray view of a recording made
by ``quorvane-cli demo --first-number -488``."""

import json
import pickle

import numpy
import pytest

import quorvane
from conftest import run_cli


@pytest.fixture(scope="module")
def pre_trigger(tmp_path_factory):
    path = tmp_path_factory.mktemp("time") / "pre.vrn"
    done = run_cli("demo", path, "--frames", "600", "--size", "32x32", "--first-number", "-488",
                   "--correction", "none")
    assert done.returncode == 0, done.stderr
    return str(path)


def test_numbers_trigger_and_times(pre_trigger):
    with quorvane.open(pre_trigger, rate=50_000) as rec:
        assert rec.frame_numbers.dtype == numpy.int64
        assert rec.frame_numbers[[0, 488, -1]].tolist() == [-488, 0, 111]
        assert rec.trigger_index == 488
        assert rec.times.dtype == numpy.float64
        assert rec.times[476] == pytest.approx(-240e-6)
        assert rec.index_of(number=-12) == 476
        assert rec.index_of(time=-241e-6) == 476
        rec.rate = "1k"
        assert rec.rate == 1000.0
        assert rec.index_of(time=0.0015) == 490
        rec.rate = None
        assert rec.times is None
        with pytest.raises(ValueError, match="rate"):
            rec.index_of(time=0.0)


@pytest.mark.parametrize("call, error", [
    (lambda rec: rec.index_of(number=112), ValueError),
    (lambda rec: rec.index_of(time=1.0), ValueError),
    (lambda rec: rec.index_of(), TypeError),
    (lambda rec: rec.index_of(number=1, time=1.0), TypeError),
    (lambda rec: setattr(rec, "rate", 0), ValueError),
    (lambda rec: setattr(rec, "rate", -5.0), ValueError),
    (lambda rec: setattr(rec, "rate", float("nan")), ValueError),
    (lambda rec: setattr(rec, "rate", "fast"), ValueError),
    (lambda rec: setattr(rec, "rate", True), TypeError),
])
def test_refusals(pre_trigger, call, error):
    with quorvane.open(pre_trigger, rate=50_000) as rec:
        with pytest.raises(error):
            call(rec)
        assert rec.rate == 50_000  # a refused rate leaves the one in force


def test_pickle_keeps_the_rate_and_no_trigger_is_none(pre_trigger, tmp_path):
    with quorvane.open(pre_trigger, rate="50k") as rec:
        again = pickle.loads(pickle.dumps(rec))
    assert again.rate == 50_000
    again.close()
    with pytest.raises(ValueError):
        quorvane.open(pre_trigger, rate=0)
    post = tmp_path / "post.vrn"
    assert run_cli("demo", post, "--frames", "3", "--size", "32x32",
                   "--first-number", "4").returncode == 0
    with quorvane.open(post) as rec:
        assert rec.trigger_index is None
        assert rec.times is None


def test_xarray_coords_and_attrs(pre_trigger):
    qx = pytest.importorskip("quorvane.xarray")
    da = qx.open_dataarray(pre_trigger, rate=50_000, frames_per_chunk=64)
    assert da.dims == ("time", "y", "x")
    assert da.shape == (600, 32, 32)
    assert da["number"].values[488] == 0
    assert da["index"].values[-1] == 599
    assert da["time"].values[476] == pytest.approx(-240e-6)
    info = json.loads(run_cli("info", pre_trigger, "--json", "--rate", "50k").stdout)
    assert da.attrs == info
    with quorvane.open(pre_trigger) as rec:
        assert numpy.array_equal(da.isel(time=476).values, rec[476])
    plain = qx.open_dataarray(pre_trigger)
    assert plain.dims == ("frame", "y", "x")
    assert "time" not in plain.coords
