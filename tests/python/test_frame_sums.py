# SPDX-License-Identifier: BSD-3-Clause
"""Sum and mean over frames of a lazy recording array: the fused path against Dask's own."""

import os
import pickle

import dask
import dask.array
import numpy
import pytest

import quorvane
import quorvane.dask
from quorvane import _frame_array
from conftest import write

FUSED = "quorvane-frame-"


@pytest.fixture(scope="module")
def shot(tmp_path_factory):
    return write(tmp_path_factory.mktemp("sums") / "shot.vrn", width=48, height=20, frames=23,
                 kind=6)


# (frames per chunk, frames per uint32 run, threads): one chunk, a last
# partial chunk, more partial sums than one task adds up, chunks of several runs.
@pytest.mark.parametrize("per_chunk, run, threads", [
    (23, None, 1), (None, 3, 2), (5, None, 2), (1, None, 2), (4, 4, 1), (7, 2, 2),
])
def test_fused_equals_dask_and_numpy(shot, monkeypatch, per_chunk, run, threads):
    if run is not None:
        monkeypatch.setattr(_frame_array, "_RUN", run)
    frames = pickle.loads(pickle.dumps(quorvane.dask.from_recording(shot, per_chunk)))
    plain = dask.array.Array(frames.dask, frames.name, frames.chunks, meta=frames._meta)
    with quorvane.open(shot) as rec:
        stack = rec[:]
    for method, axis in (("mean", 0), ("sum", 0), ("mean", (-3,))):
        fused = getattr(frames, method)(axis=axis)
        got, want = dask.compute(fused, getattr(plain, method)(axis=axis), num_workers=threads)
        # A second sum must not take the memory of a result still held.
        dask.compute(frames.sum(axis=0), num_workers=threads)
        assert FUSED in fused.name and fused.shape == want.shape
        for result in (got, getattr(stack, method)(axis=0)):
            assert result.dtype == want.dtype == fused.dtype
            numpy.testing.assert_array_equal(result, want)


def test_other_reductions_take_dask_path(shot):
    frames = quorvane.dask.from_recording(shot, frames_per_chunk=5)
    with quorvane.open(shot) as rec:
        stack = rec[:]
    for array, on_numpy, args in [(frames, stack, dict(axis=0, keepdims=True)),
                                  (frames, stack, dict(axis=0, dtype="f4")),
                                  (frames, stack, dict(axis=1)), (frames, stack, dict()),
                                  (frames[2:], stack[2:], dict(axis=0)),
                                  (frames + frames, stack + stack, dict(axis=0))]:
        for method in ("mean", "sum"):
            result = getattr(array, method)(**args)
            want = getattr(on_numpy, method)(**args)
            assert FUSED not in result.name and result.dtype == want.dtype
            numpy.testing.assert_allclose(result.compute(), want, rtol=1e-6)
    frames[0] = 0  # rewrites the array in place
    assert FUSED not in frames.sum(axis=0).name
    numpy.testing.assert_array_equal(frames.sum(axis=0).compute(), stack[1:].sum(axis=0))


def test_changed_and_cut_files(tmp_path, cut_recording):
    path = write(tmp_path / "shot.vrn", width=32, height=16, frames=12, kind=6)
    mean = quorvane.dask.from_recording(path, frames_per_chunk=5).mean(axis=0)
    write(tmp_path / "new.vrn", width=32, height=16, frames=6, kind=6)
    os.replace(tmp_path / "new.vrn", path)
    with pytest.raises(quorvane.RecordingChangedError, match=r"shape \(12, 16, 32\) -> \(6"):
        mean.compute(scheduler="threads")
    with pytest.raises(quorvane.ShortFrameError):
        quorvane.dask.from_recording(cut_recording).sum(axis=0).compute(scheduler="sync")
