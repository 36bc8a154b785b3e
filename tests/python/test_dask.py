"""quorvane.dask on a real distributed cluster of two worker processes."""

import filecmp
import os

import numpy
import pytest

import quorvane
import quorvane.dask
from conftest import run_cli, write

distributed = pytest.importorskip("distributed")


def test_convert_on_the_default_scheduler_with_8_bits(tmp_path):
    # First in the file: no distributed client exists yet, so this runs on
    # the local threaded scheduler.
    path = write(tmp_path / "s.take.vrn", width=32, height=16, frames=5)
    (tmp_path / "out").mkdir()
    results = quorvane.dask.convert([path], tmp_path / "out", bits=8, frames_per_task=2)
    assert results == [quorvane.dask.ConvertResult(path, 5, None)]
    (tmp_path / "cli").mkdir()
    run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--bits", "8", "--quiet")
    names = sorted(os.listdir(tmp_path / "cli"))
    assert names == [f"s.take_{i:06d}.tif" for i in range(5)]
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "out", names, shallow=False)[0] == names
    with pytest.raises(ValueError):
        quorvane.dask.convert([path], tmp_path, bits=10)


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0", silence_logs=40) as cluster, \
            distributed.Client(cluster) as c:
        yield c


def test_from_recording_sums_like_numpy(recordings, client):
    path = recordings["quadrants-be-kind3"]
    frames = quorvane.dask.from_recording(path, frames_per_chunk=3)
    assert frames.shape == (4, 32, 64) and frames.dtype == numpy.uint16
    assert frames.chunks == ((3, 1), (32,), (64,))
    with quorvane.open(path) as rec:
        everything = rec[:]
    assert client.compute(frames.sum()).result() == everything.sum(dtype=numpy.uint64)
    numpy.testing.assert_array_equal(client.compute(frames[1:3]).result(), everything[1:3])
    raw = quorvane.dask.from_recording(path, correction=False).compute(scheduler="threads")
    with quorvane.open(path, correction=False) as rec:
        numpy.testing.assert_array_equal(raw, rec[:])
    with pytest.raises(quorvane.VornError):
        quorvane.dask.from_recording(__file__)
    with pytest.raises(ValueError):
        quorvane.dask.from_recording(path, frames_per_chunk=0)


def cli_error(path, folder):
    """The CLI's error line for converting `path` into `folder`, without its prefix."""
    done = run_cli("convert", path, "-o", f"{folder}/", "--quiet")
    return done.stderr.strip().removeprefix("quorvane-cli: ") or None


def test_convert_many_matches_the_cli(tmp_path, client, cut_recording):
    good = [write(tmp_path / "one.vrn", width=64, height=32, frames=7, kind=6),
            write(tmp_path / "two.vrn", width=64, height=32, frames=3, quadrants=True,
                  big_endian=True, kind=3)]
    refused = tmp_path / "three.vrn"
    refused.write_bytes(b"RIFF" + bytes(300))
    paths = [good[0], str(refused), good[1], cut_recording]
    # Frame 1 of one.vrn cannot be written: a folder has its name. The tasks
    # after it succeed, and their files must go again.
    for folder in ("cli", "dask"):
        (tmp_path / folder / "one_000001.tif").mkdir(parents=True)

    results = quorvane.dask.convert(paths, tmp_path / "dask", client=client, frames_per_task=2)
    errors = [cli_error(path, tmp_path / "cli") for path in paths]

    assert [r.path for r in results] == paths
    assert [r.frames for r in results] == [1, 0, 3, 3]
    assert [r.error for r in results] == [e and e.replace(f"{tmp_path}/cli/",
                                                          f"{tmp_path}/dask/") for e in errors]
    assert results[1].error == f"cannot open {refused}: not a VORN recording"
    assert results[2].error is None
    names = sorted(os.listdir(tmp_path / "cli"))
    assert len(names) == 8 and sorted(os.listdir(tmp_path / "dask")) == names
    files = [n for n in names if n != "one_000001.tif"]
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "dask", files, shallow=False)[0] == files
