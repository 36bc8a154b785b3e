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


def generic(array, method, **args):
    """What Dask's own reduction gives for ``array.method(**args)``."""
    plain = dask.array.Array(array.dask, array.name, array.chunks, meta=array._meta)
    return getattr(plain, method)(**args)


@pytest.fixture(scope="module")
def shot(tmp_path_factory):
    return write(tmp_path_factory.mktemp("sums") / "shot.vrn", width=48, height=20, frames=23,
                 kind=6)


# (frames per chunk, frames per uint32 run, scheduler, threads): one chunk,
# exact chunks, a last partial chunk, more partial sums than one task adds
# up, single frames, chunks folded from several runs.
@pytest.mark.parametrize("per_chunk, run, scheduler, threads", [
    (23, None, "sync", 1), (None, 3, "threads", 2), (5, None, "threads", 2),
    (2, None, "threads", 1), (1, None, "threads", 2), (4, 4, "sync", 1), (7, 2, "threads", 2),
])
@pytest.mark.parametrize("method, axis", [("mean", 0), ("sum", 0), ("mean", (-3,))])
def test_fused_equals_dask_and_numpy(shot, monkeypatch, per_chunk, run, scheduler, threads,
                                     method, axis):
    if run is not None:
        monkeypatch.setattr(_frame_array, "_RUN", run)
    frames = quorvane.dask.from_recording(shot, frames_per_chunk=per_chunk)
    fused = getattr(frames, method)(axis=axis)
    assert "quorvane-frame-" in fused.name
    expected = generic(frames, method, axis=axis)
    with quorvane.open(shot) as rec:
        from_numpy = getattr(rec[:], method)(axis=0)
    run = dict(scheduler=scheduler, num_workers=threads)
    got, want = dask.compute(fused, expected, **run)
    for result in (got, from_numpy):
        assert result.dtype == want.dtype and result.shape == want.shape == fused.shape
        numpy.testing.assert_array_equal(result, want)
    assert fused.dtype == want.dtype and fused.chunks == expected.chunks
    # Memory kept for later sums never takes over a result still held.
    numpy.testing.assert_array_equal(dask.compute(fused, frames.sum(axis=0), **run)[0], want)
    numpy.testing.assert_array_equal(got, want)


same = lambda a: a  # noqa: E731


# (derive the lazy array, the same on numpy, reduction arguments)
@pytest.mark.parametrize("derive, on_numpy, args", [
    (same, same, dict(axis=0, keepdims=True)),
    (same, same, dict(axis=0, dtype="f4")),
    (same, same, dict(axis=0, split_every=2)),
    (same, same, dict(axis=1)),
    (same, same, dict()),
    (lambda a: a[2:], lambda a: a[2:], dict(axis=0)),
    (lambda a: a + a, lambda a: a + a, dict(axis=0)),
    (lambda a: a.persist(scheduler="sync"), same, dict(axis=0)),
])
def test_other_reductions_take_dask_path(shot, derive, on_numpy, args):
    frames = derive(quorvane.dask.from_recording(shot, frames_per_chunk=5))
    with quorvane.open(shot) as rec:
        base = on_numpy(rec[:])
    numpy_args = {k: v for k, v in args.items() if k != "split_every"}
    for method in ("mean", "sum"):
        result = getattr(frames, method)(**args)
        assert "quorvane-frame-" not in result.name
        want = getattr(base, method)(**numpy_args)
        got = result.compute(scheduler="sync")
        assert got.dtype == want.dtype and got.shape == want.shape
        numpy.testing.assert_allclose(got, want, rtol=1e-6)


def test_pickled_and_assigned_arrays(shot):
    frames = quorvane.dask.from_recording(shot, frames_per_chunk=5)
    again = pickle.loads(pickle.dumps(frames))
    assert isinstance(again, dask.array.Array) and again.name == frames.name
    assert "quorvane-frame-" in again.mean(axis=0).name
    numpy.testing.assert_array_equal(again.mean(axis=0).compute(),
                                     frames.mean(axis=0).compute())
    frames[0] = 0  # rewrites the array in place: its sums are Dask's again
    assert "quorvane-frame-" not in frames.sum(axis=0).name
    with quorvane.open(shot) as rec:
        numpy.testing.assert_array_equal(frames.sum(axis=0).compute(), rec[1:].sum(axis=0))
    assert "quorvane-frame-" not in pickle.loads(pickle.dumps(frames)).sum(axis=0).name


def test_changed_and_cut_files(tmp_path, cut_recording):
    path = write(tmp_path / "shot.vrn", width=32, height=16, frames=12, kind=6)
    mean = quorvane.dask.from_recording(path, frames_per_chunk=5).mean(axis=0)
    write(tmp_path / "new.vrn", width=32, height=16, frames=6, kind=6)
    os.replace(tmp_path / "new.vrn", path)
    with pytest.raises(quorvane.RecordingChangedError, match=r"shape \(12, 16, 32\) -> \(6"):
        mean.compute(scheduler="threads")
    with pytest.raises(quorvane.ShortFrameError):
        quorvane.dask.from_recording(cut_recording).sum(axis=0).compute(scheduler="sync")
