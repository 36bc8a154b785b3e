# SPDX-License-Identifier: BSD-3-Clause
"""A recording as an array: numpy indexing, conversion, truncation, fork, versions."""

import errno
import importlib.metadata
import multiprocessing
import os
import pickle
import subprocess
import threading

import dask.array
import numpy
import pytest

import quorvane
from conftest import CLI, write

KEYS = [
    [3, 0, 3], [-1, 1], numpy.array([[4, 0], [2, 2]]), numpy.array([], numpy.int64), [],
    Ellipsis, (Ellipsis, 3), (1, Ellipsis, 2), (Ellipsis, slice(2, 9, 3)),
    ([0, 2], 5), ([0, 2], [1, 3]), ([0, 2], slice(None), [1, 3]), (slice(None), [1, 4]),
    (slice(None, None, -2), 1, slice(2, 5)), (), (numpy.int32(-2), slice(1, 3)),
    (slice(4, 0, -1), Ellipsis), ([[1], [3]], [0, 5], slice(None, 6)),
]


@pytest.fixture(scope="module")
def five(tmp_path_factory):
    return write(tmp_path_factory.mktemp("five") / "five.vrn", width=64, height=32, frames=5,
                 kind=6)


@pytest.mark.parametrize("key", KEYS, ids=repr)
def test_indexing_equals_numpy(five, key):
    with quorvane.open(five) as rec:
        everything = rec[:]
        got = rec[key]
        numpy.testing.assert_array_equal(got, everything[key])
        assert got.shape == everything[key].shape and got.dtype == numpy.uint16


def test_array_protocol_and_refusals(five):
    with quorvane.open(five) as rec:
        everything = rec[:]
        assert (rec.ndim, rec.size, rec.nbytes) == (3, everything.size, everything.nbytes)
        numpy.testing.assert_array_equal(numpy.asarray(rec), everything)
        as_float = numpy.asarray(rec, dtype=numpy.float32)
        assert as_float.dtype == numpy.float32
        numpy.testing.assert_array_equal(as_float, everything)
        with pytest.raises(ValueError):
            rec.__array__(copy=False)
        lazy = dask.array.from_array(rec, chunks=(2, 16, 64))
        numpy.testing.assert_array_equal(lazy.compute(scheduler="threads"), everything)
        assert int(lazy[:, 3].sum()) == int(everything[:, 3].sum())
        refusals = {TypeError: [numpy.ones(5, bool), True, [1.0], (slice(None), None), "1"],
                    IndexError: [[0, 5], numpy.array([-6]), (0, 0, 0, 0),
                                 (Ellipsis, 0, Ellipsis)]}
        for error, keys in refusals.items():
            for key in keys:
                with pytest.raises(error):
                    rec[key]


def test_truncated_recording_counts_its_complete_frames(cut_recording, tmp_path):
    with quorvane.open(cut_recording) as rec:
        assert (len(rec), rec.complete_frames) == (5, 3)
        with pytest.raises(quorvane.ShortFrameError) as cut:
            rec[:]
        assert cut.value.frame == 3 and cut.value.filename == cut_recording
        assert "3 of 5 frames are complete" in str(cut.value)
        assert "complete_only=True" in str(cut.value)
        first = rec[:3]
    info = subprocess.run([CLI, "info", cut_recording], capture_output=True, text=True).stdout
    assert "complete-frames: 3" in info
    with quorvane.open(cut_recording, complete_only=True) as rec:
        assert rec.shape == (3, 32, 32) and rec.complete_frames == 3
        numpy.testing.assert_array_equal(rec[:], first)
        numpy.testing.assert_array_equal(numpy.asarray(rec), first)
        assert len(list(rec)) == 3
        with pytest.raises(IndexError):
            rec[3]
        copy = pickle.loads(pickle.dumps(rec))
        assert len(copy) == 3
        copy.close()


# Recordings the fork workers inherit (arguments would be pickled and reopened).
INHERITED = {}


def _frames_of(indices):
    rec = INHERITED["rec"]
    return [rec[i] for i in indices]


def test_fork_workers_read_the_frames_the_parent_reads(tmp_path):
    path = write(tmp_path / "forked.vrn", width=64, height=32, frames=120, kind=6)
    rec = INHERITED["rec"] = quorvane.open(path)
    expected = rec[:]
    context = multiprocessing.get_context("fork")
    for run in range(20):
        rec[run]  # the parent's reads move nothing the children rely on
        order = numpy.random.default_rng(run).permutation(len(rec)).tolist()
        parts = [order[k::3] for k in range(3)]
        with context.Pool(3) as pool:
            results = pool.map(_frames_of, parts)
        for part, frames in zip(parts, results):
            for i, frame in zip(part, frames):
                numpy.testing.assert_array_equal(frame, expected[i], err_msg=f"run {run}")
    rec.close()


def _first_frame_error():
    try:
        INHERITED["rec"][0]
    except quorvane.RecordingChangedError as e:
        return str(e)
    return None


def test_forked_child_refuses_a_replaced_file(tmp_path):
    path = write(tmp_path / "swap.vrn", width=64, height=32, frames=6, kind=6)
    with quorvane.open(path) as rec:
        INHERITED["rec"] = rec
        rec[0]
        write(tmp_path / "other.vrn", width=64, height=32, frames=3, kind=6)
        os.replace(tmp_path / "other.vrn", path)
        with multiprocessing.get_context("fork").Pool(1) as pool:
            error = pool.apply(_first_frame_error)
        assert error is not None and "frame count 6 -> 3" in error
        rec[5]  # the parent still reads the file it opened


def test_fork_while_another_thread_reads(tmp_path):
    # The reading thread holds the recording's lock nearly all the time; a
    # child forked meanwhile must not wait for it forever.
    path = write(tmp_path / "busy.vrn", width=256, height=256, frames=64, kind=6)
    with quorvane.open(path) as rec:
        INHERITED["rec"] = rec
        expected = rec[0]
        stop = threading.Event()
        reader = threading.Thread(target=lambda: [rec[:] for _ in iter(stop.is_set, True)])
        reader.start()
        try:
            with multiprocessing.get_context("fork").Pool(2) as pool:
                frames = pool.map_async(_frames_of, [[0]] * 8).get(timeout=60)
        finally:
            stop.set()
            reader.join()
    for (frame,) in frames:
        numpy.testing.assert_array_equal(frame, expected)


def test_versions_agree():
    cli = subprocess.run([CLI, "--version"], capture_output=True, text=True).stdout
    assert quorvane.__version__ in cli
    assert importlib.metadata.version("quorvane") == quorvane.__version__


def test_star_import_keeps_the_builtin_open():
    scope = {}
    exec("from quorvane import *", scope)
    assert "open" not in scope and "Recording" in scope and "RecordingChangedError" in scope


def test_relative_paths_pickle_as_absolute(five, tmp_path, monkeypatch):
    monkeypatch.chdir(os.path.dirname(five))
    with quorvane.open(os.path.basename(five)) as rec:
        data = pickle.dumps(rec)
    monkeypatch.chdir(tmp_path)
    with pickle.loads(data) as copy:
        assert copy.path == five and len(copy) == 5


@pytest.mark.parametrize("make, number, name, frame", [
    # A folder that is missing or no folder is refused before any frame,
    # naming the output as given; a frame's own name names that frame.
    (lambda out: None, errno.ENOENT, "x.tif", None),
    (lambda out: (out / "x_000000.tif").mkdir(parents=True), errno.EISDIR, "x_000000.tif", 0),
    (lambda out: out.write_bytes(b""), errno.ENOTDIR, "x.tif", None),
])
def test_to_tiff_failures_carry_errno_and_filename(five, tmp_path, make, number, name, frame):
    out = tmp_path / "out"
    make(out)
    with quorvane.open(five) as rec:
        with pytest.raises(OSError) as failed:
            rec.to_tiff(out / "x.tif", jobs=1)
    assert failed.value.errno == number
    assert failed.value.filename == str(out / name)
    assert failed.value.frame == frame


def test_to_tiff_makedirs(five, tmp_path):
    with quorvane.open(five) as rec:
        written = rec.to_tiff(tmp_path / "a" / "b" / "x.tif", first=0, last=1, makedirs=True)
        assert written == [str(tmp_path / "a" / "b" / f"x_{i:06d}.tif") for i in (0, 1)]
        assert rec.to_tiff(f"{tmp_path}/c/", last=0, makedirs=True) == [
            str(tmp_path / "c" / "five_000000.tif")]


def test_dask_convert_takes_relative_paths(five, tmp_path, monkeypatch):
    import quorvane.dask
    monkeypatch.chdir(os.path.dirname(five))
    (tmp_path / "rel").mkdir()
    output = os.path.relpath(tmp_path / "rel")
    results = quorvane.dask.convert([os.path.basename(five)], output, frames_per_task=2)
    assert results == [quorvane.dask.ConvertResult(os.path.basename(five), 5, None)]
    assert len(os.listdir(tmp_path / "rel")) == 5
