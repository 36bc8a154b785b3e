# SPDX-License-Identifier: BSD-3-Clause
"""What the package must never do to data: write over its input, mix two
recordings in one folder, open the wrong file, leave temporaries behind."""

import os

import pytest

import quorvane
import quorvane.dask
from conftest import write


def small(path, frames=4):
    return write(path, width=16, height=8, frames=frames, kind=0)


@pytest.mark.parametrize("link", [None, "hard", "symbolic"])
def test_to_tiff_never_writes_over_its_recording(tmp_path, link):
    rec_path = small(tmp_path / "shot.vrn")
    target = rec_path
    if link:
        target = str(tmp_path / "x.tif")
        (os.link if link == "hard" else os.symlink)(rec_path, target)
    before = open(rec_path, "rb").read()
    with quorvane.open(rec_path) as rec:
        with pytest.raises(ValueError, match="would overwrite the recording"):
            rec.to_tiff(target, stack=True)
    assert open(rec_path, "rb").read() == before


def test_dask_convert_plans_the_batch_as_the_cli_does(tmp_path):
    (tmp_path / "d1").mkdir()
    (tmp_path / "d2").mkdir()
    out = tmp_path / "out"
    out.mkdir()
    a = small(tmp_path / "d1" / "shot.vrn")
    b = small(tmp_path / "d2" / "shot.vrn", frames=6)
    for paths in ([a, b], [a, a]):
        with pytest.raises(ValueError, match=r"would both write shot_\*\.tif"):
            quorvane.dask.convert(paths, out)
    assert os.listdir(out) == []
