# SPDX-License-Identifier: BSD-3-Clause
"""Lazy arrays refuse a file that changed after they were built; chunks and worker reuse."""

import os
import re
import weakref

import dask
import numpy
import pytest

import quorvane
import quorvane.dask
from quorvane import _worker_cache
from conftest import write

BUILT = dict(width=64, height=32, frames=40, kind=6)


@pytest.mark.parametrize("rewrite, named", [
    (dict(BUILT, frames=20), "shape (40, 32, 64) -> (20, 32, 64)"),
    (dict(BUILT, width=32, height=64), "shape (40, 32, 64) -> (40, 64, 32)"),
    (dict(BUILT, quadrants=True), "layout lanes -> quadrants"),
    (dict(BUILT, kind=3), "correction offset-gain -> offset"),
    (dict(BUILT, calibration=31), "modification time"),
])
def test_changed_file_raises_naming_the_change(tmp_path, rewrite, named):
    path = write(tmp_path / "shot.vrn", **BUILT)
    frames = quorvane.dask.from_recording(path, frames_per_chunk=16)
    before = frames[:16].compute(scheduler="sync")  # an open recording is now kept
    write(tmp_path / "new.vrn", **rewrite)
    os.utime(tmp_path / "new.vrn", ns=(1, 1))
    os.replace(tmp_path / "new.vrn", path)
    for part in (frames, frames[:16], frames[30:]):
        with pytest.raises(quorvane.RecordingChangedError, match=re.escape(named)) as changed:
            part.compute(scheduler="threads")
        assert isinstance(changed.value, quorvane.VornError) and changed.value.filename == path
    with quorvane.open(path) as rec:
        assert rec.shape == (rewrite["frames"], rewrite["height"], rewrite["width"])
    assert before.shape == (16, 32, 64)


def test_removed_file_raises(tmp_path):
    path = write(tmp_path / "gone.vrn", **BUILT)
    frames = quorvane.dask.from_recording(path)
    os.remove(path)
    with pytest.raises(quorvane.RecordingChangedError, match="gone.vrn"):
        frames.compute(scheduler="sync")


def test_default_chunks_and_one_open_per_thread(tmp_path):
    path = write(tmp_path / "many.vrn", **BUILT)
    assert quorvane.dask.from_recording(path).chunks[0] == (40,)
    big = write(tmp_path / "big.vrn", width=1024, height=1024, frames=2)
    assert quorvane.dask.from_recording(big).chunks[0] == (2,)
    frames = quorvane.dask.from_recording(path, frames_per_chunk=2)
    with quorvane.open(path) as rec:
        numpy.testing.assert_array_equal(frames.compute(scheduler="threads", num_workers=2),
                                         rec[:])
    kept = [len(free) for key, free in _worker_cache.recordings._free.items() if key[0] == path]
    assert kept and 1 <= sum(kept) <= 2


def test_complete_only_array_of_a_cut_recording(cut_recording):
    with pytest.raises(quorvane.ShortFrameError):
        quorvane.dask.from_recording(cut_recording).compute(scheduler="sync")
    frames = quorvane.dask.from_recording(cut_recording, complete_only=True, frames_per_chunk=2)
    with quorvane.open(cut_recording) as rec:
        numpy.testing.assert_array_equal(frames.compute(scheduler="sync"), rec[:3])


@pytest.mark.parametrize("scheduler, workers", [("sync", 1), ("threads", 1), ("threads", 2)])
def test_chunks_still_held_are_never_read_into_again(tmp_path, scheduler, workers):
    path = write(tmp_path / "held.vrn", **BUILT)
    frames = quorvane.dask.from_recording(path, frames_per_chunk=8)
    with quorvane.open(path) as rec:
        expected = rec[:]
    run = dict(scheduler=scheduler, num_workers=workers)
    blocks = dask.compute(*[frames.blocks[k] for k in range(frames.numblocks[0])], **run)
    kept = frames.persist(**run)
    view = frames.blocks[1].compute(**run)[2:]
    for _ in range(3):  # later tasks on the same threads
        numpy.testing.assert_allclose(frames.mean(axis=0).compute(**run), expected.mean(axis=0))
    numpy.testing.assert_array_equal(numpy.concatenate(blocks), expected)
    numpy.testing.assert_array_equal(kept.compute(scheduler="sync"), expected)
    numpy.testing.assert_array_equal(view, expected[10:16])


def test_chunk_memory_is_reused_only_when_free():
    memory = _worker_cache.ChunkMemory(keep=2, largest=100)
    a = memory.array((2, 3, 4))
    view, first = a[1:], weakref.ref(a)
    del a
    assert memory.array((2, 3, 4)) is not first()  # still seen through a view
    del view
    assert memory.array((2, 3, 4)) is first()
    huge = weakref.ref(memory.array((5, 3, 4)))
    assert huge() is None  # too large to keep
