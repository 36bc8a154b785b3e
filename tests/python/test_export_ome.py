# SPDX-License-Identifier: BSD-3-Clause
"""OME-TIFF stacks of `quorvane-cli export` as tifffile reads them."""

import subprocess

import numpy
import pytest
import tifffile

import quorvane
from conftest import CLI, write


@pytest.fixture(scope="module")
def pre_trigger(tmp_path_factory):
    return write(tmp_path_factory.mktemp("ome") / "shot.vrn", width=48, height=20, frames=9,
                 kind=6, first_frame=-4)


@pytest.mark.parametrize("options, frames, crop, times", [
    ([], list(range(9)), None, None),
    (["--step", "3", "--rate", "1000"], [0, 3, 6], None, [-0.004, -0.001, 0.002]),
    (["--first", "#-2", "--last", "#2", "--crop", "4,2,16,10", "--scale", "100=1mm"],
     [2, 3, 4, 5, 6], (4, 2, 16, 10), None),
])
def test_series_holds_the_frames(pre_trigger, tmp_path, options, frames, crop, times):
    out = tmp_path / "stack.ome.tif"
    subprocess.run([CLI, "export", pre_trigger, "-o", str(out), "-q", *options], check=True)
    with tifffile.TiffFile(out) as tif:
        assert tif.is_ome
        series = tif.series[0]
        assert series.axes == "TYX"
        stack = series.asarray()
        ome = tifffile.xml2dict(tif.ome_metadata)["OME"]["Image"]["Pixels"]
    with quorvane.open(pre_trigger) as rec:
        expected = numpy.stack([rec[i] for i in frames])
    if crop:
        x, y, w, h = crop
        expected = expected[:, y:y + h, x:x + w]
    assert stack.shape == expected.shape
    numpy.testing.assert_array_equal(stack, expected)
    planes = ome["Plane"] if isinstance(ome["Plane"], list) else [ome["Plane"]]
    assert [p["TheT"] for p in planes] == list(range(len(frames)))
    if times:
        assert [p["DeltaT"] for p in planes] == pytest.approx(times)
        assert all(p["DeltaTUnit"] == "s" for p in planes)
    else:
        assert "DeltaT" not in planes[0]
    if "--scale" in options:
        assert ome["PhysicalSizeX"] == pytest.approx(0.01)
        assert ome["PhysicalSizeXUnit"] == "mm"


def test_bigtiff_on_request(pre_trigger, tmp_path):
    out = tmp_path / "big.ome.tiff"
    subprocess.run([CLI, "export", pre_trigger, "-o", str(out), "-q", "--bigtiff"], check=True)
    with tifffile.TiffFile(out) as tif:
        assert tif.is_bigtiff and tif.is_ome
        assert tif.series[0].shape == (9, 20, 48)
