# SPDX-License-Identifier: BSD-3-Clause
"""Region statistics and line profiles: against numpy on rec[i] and against quorvane-cli."""

import csv
import io
import re
import subprocess

import numpy
import pytest

import quorvane
from conftest import CLI


@pytest.fixture(scope="module")
def demo(tmp_path_factory):
    """A moving-disc demo recording written by quorvane-cli (with its correction)."""
    path = tmp_path_factory.mktemp("measure") / "demo.vrn"
    subprocess.run([CLI, "demo", str(path), "--frames", "9", "--size", "96x48",
                    "--first-number", "-4"], check=True, capture_output=True)
    return str(path)


def numpy_region(frame, x, y, w, h, ellipse):
    """The region's samples by the pixel-centre rule, in numpy."""
    box = frame[y:y + h, x:x + w].astype(numpy.int64)
    if not ellipse:
        return box.ravel()
    rows, cols = numpy.mgrid[0:h, 0:w]
    dx = 2 * cols + 1 - w
    dy = 2 * rows + 1 - h
    inside = dx * dx * h * h + dy * dy * w * w <= w * w * h * h
    return box[inside]


REGIONS = [
    (10, 5, 40, 30, False),
    (10, 5, 40, 30, True),
    (0, 0, 96, 48, True),
    (95, 47, 1, 1, True),
    (3, 20, 1, 9, True),
    (30, 10, 7, 6, True),
]


@pytest.mark.parametrize("correction", [True, False])
@pytest.mark.parametrize("region", REGIONS)
def test_region_stats_agree_with_numpy(demo, region, correction):
    rec = quorvane.open(demo, correction=correction, rate=2000)
    got = rec.region_stats(*region[:4], ellipse=region[4], first=1, last=-2, step=3)
    numpy.testing.assert_array_equal(got["index"], [1, 4, 7])
    numpy.testing.assert_array_equal(got["number"], [-3, 0, 3])
    numpy.testing.assert_allclose(got["time_s"], [-0.0015, 0.0, 0.0015])
    for row, i in enumerate(got["index"]):
        values = numpy_region(rec[i], *region)
        assert got["pixels"][row] == values.size
        assert got["min"][row] == values.min() and got["max"][row] == values.max()
        assert got["mean"][row] == pytest.approx(values.mean(), rel=1e-12)
        assert got["std"][row] == pytest.approx(values.std(), rel=1e-9, abs=1e-9)


def test_region_stats_agree_with_cli_csv(demo):
    rec = quorvane.open(demo)
    got = rec.region_stats(20, 8, 33, 21, ellipse=True)
    assert numpy.isnan(got["time_s"]).all()
    out = subprocess.run([CLI, "stats", demo, "--region", "20,8,33,21", "--ellipse", "--csv"],
                         capture_output=True, text=True, check=True).stdout
    rows = list(csv.DictReader(io.StringIO(out)))
    assert len(rows) == len(rec)
    for name in ("index", "number", "min", "max", "pixels"):
        numpy.testing.assert_array_equal(got[name], [int(r[name]) for r in rows])
    for name in ("mean", "std"):
        numpy.testing.assert_array_equal(got[name], [float(r[name]) for r in rows])
    assert all(r["time_s"] == "" for r in rows)


@pytest.mark.parametrize("args, error, text", [
    ((90, 0, 7, 4), ValueError, "does not lie inside the frame of 96 x 48"),
    ((5, 5, 0, 3), ValueError, "is empty (the frame is 96 x 48)"),
    ((0, 0, 4, 4, False, 5, 4), ValueError, "lies after last frame"),
    ((0, 0, 4, 4, False, 9), IndexError, "out of range"),
    ((0, 0, 4, 4, False, None, None, 0), ValueError, "step must be at least 1"),
    ((0.5, 0, 4, 4), TypeError, "x must be an integer"),
])
def test_region_stats_refusals(demo, args, error, text):
    with pytest.raises(error, match=re.escape(text)):
        quorvane.open(demo).region_stats(*args)


def test_region_stats_of_cut_recording(cut_recording):
    rec = quorvane.open(cut_recording)
    assert len(rec.region_stats(0, 0, 8, 8, last=2)["index"]) == 3
    with pytest.raises(quorvane.ShortFrameError) as caught:
        rec.region_stats(0, 0, 8, 8)
    assert caught.value.frame == 3


@pytest.mark.parametrize("line", [(2, 3, 50.5, 40), (0, 0, 95, 0), (7, 47, 7, 0), (1.5, 1, 2.5, 1)])
def test_line_profile_agrees_with_numpy_and_cli(demo, line):
    rec = quorvane.open(demo)
    got = rec.line_profile(*line, frame=5)
    assert got.dtype == numpy.float64
    frame = rec[5].astype(numpy.float64)
    t = numpy.linspace(0.0, 1.0, got.size)
    xs = line[0] + (line[2] - line[0]) * t
    ys = line[1] + (line[3] - line[1]) * t
    x0 = numpy.clip(numpy.floor(xs).astype(int), 0, 95)
    y0 = numpy.clip(numpy.floor(ys).astype(int), 0, 47)
    x1, y1 = numpy.minimum(x0 + 1, 95), numpy.minimum(y0 + 1, 47)
    fx, fy = xs - x0, ys - y0
    want = ((frame[y0, x0] * (1 - fx) + frame[y0, x1] * fx) * (1 - fy)
            + (frame[y1, x0] * (1 - fx) + frame[y1, x1] * fx) * fy)
    assert got.size == round(numpy.hypot(line[2] - line[0], line[3] - line[1])) + 1
    numpy.testing.assert_allclose(got, want, rtol=1e-12)
    out = subprocess.run([CLI, "profile", demo, "--line", ",".join(map(str, line)), "--frame", "5",
                          "--csv"], capture_output=True, text=True, check=True).stdout
    numpy.testing.assert_array_equal(got, [float(r["value"]) for r in csv.DictReader(io.StringIO(out))])


def test_line_profile_refusals(demo):
    rec = quorvane.open(demo)
    with pytest.raises(ValueError, match="does not lie inside the frame of 96 x 48"):
        rec.line_profile(0, 0, 96, 0, frame=0)
    with pytest.raises(ValueError, match="is empty"):
        rec.line_profile(3, 3, 3, 3, frame=0)
    with pytest.raises(IndexError):
        rec.line_profile(0, 0, 5, 5, frame=9)
