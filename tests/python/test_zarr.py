# SPDX-License-Identifier: BSD-3-Clause
"""quorvane.dask.to_zarr: an OME-NGFF image read back with zarr."""

import numpy
import pytest

import quorvane
import quorvane.dask
from conftest import write

zarr = pytest.importorskip("zarr")


@pytest.mark.parametrize("rate, chunk, unit, step", [
    (None, 64, None, 1.0),
    (50_000, 2, "second", 1 / 50_000),
])
def test_to_zarr_reads_back(tmp_path, rate, chunk, unit, step):
    path = write(tmp_path / "shot.vrn", width=48, height=20, frames=5, kind=6)
    store = tmp_path / "shot.zarr"
    assert quorvane.dask.to_zarr(path, store, rate=rate, frames_per_chunk=chunk) == str(store)
    group = zarr.open_group(str(store), mode="r")
    image = group["0"]
    assert image.shape == (5, 20, 48) and image.dtype == numpy.uint16
    assert image.chunks == (min(chunk, 5), 20, 48)
    with quorvane.open(path) as rec:
        numpy.testing.assert_array_equal(image[:], rec[:])
    (scales,) = group.attrs["multiscales"]
    assert scales["version"] == "0.4"
    t, y, x = scales["axes"]
    assert t.get("unit") == unit and t["type"] == "time"
    assert [y, x] == [{"name": "y", "type": "space"}, {"name": "x", "type": "space"}]
    (level,) = scales["datasets"]
    assert level["path"] == "0"
    assert level["coordinateTransformations"] == [{"type": "scale", "scale": [step, 1.0, 1.0]}]
    # Chunk keys nest by "/", as the format asks of 0.4 images.
    assert (store / "0" / "0" / "0" / "0").is_file()


def test_to_zarr_refusals(tmp_path):
    path = write(tmp_path / "shot.vrn", width=32, height=16, frames=3)
    store = tmp_path / "shot.zarr"
    quorvane.dask.to_zarr(path, store)
    with pytest.raises(FileExistsError, match="overwrite=True"):
        quorvane.dask.to_zarr(path, store)
    quorvane.dask.to_zarr(path, store, rate=1000, overwrite=True)
    assert zarr.open_group(str(store), mode="r").attrs["multiscales"][0]["axes"][0]["unit"] \
        == "second"
    # overwrite never removes something that is not a Zarr store.
    folder = tmp_path / "keep"
    folder.mkdir()
    (folder / "data.txt").write_text("mine")
    with pytest.raises(FileExistsError, match="not a Zarr store"):
        quorvane.dask.to_zarr(path, folder, overwrite=True)
    assert (folder / "data.txt").read_text() == "mine"
    with pytest.raises(ValueError):
        quorvane.dask.to_zarr(path, tmp_path / "a.zarr", frames_per_chunk=0)
    with pytest.raises(ValueError):
        quorvane.dask.to_zarr(path, tmp_path / "b.zarr", rate=-1)
    with pytest.raises(quorvane.VornError):
        quorvane.dask.to_zarr(__file__, tmp_path / "c.zarr")
    assert not (tmp_path / "c.zarr").exists()
