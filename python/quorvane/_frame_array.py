# SPDX-License-Identifier: BSD-3-Clause
"""The lazy frame array of ``from_recording``, with a fused sum and mean over frames.

Dask's own reduction first reads each chunk (about 128 MiB) into memory and
then streams it again to sum it, with count arrays and concatenations on top.
Summing over the frame axis needs none of that: each task here reads its
chunk's frames one by one into one small buffer and adds them into a partial
sum, so the chunk never exists, and a few tasks add up the partial sums.
Only the array exactly as ``from_recording`` built it takes this path;
anything derived from it (slices, arithmetic, ``persist``) is a plain
``dask.array.Array`` and reduces as usual, to the same values.
"""

import dask.array
import numpy
from dask.base import tokenize
from dask.highlevelgraph import HighLevelGraph

from ._worker_cache import frame_memory, recordings, sum_memory

# Partial sums added up per task, as Dask's reductions split by default.
_SPLIT = 4

_FRAME_AXIS = (0, -3, (0,), (-3,))

# Frames whose uint16 samples a uint32 sum holds whatever their values.
_RUN = (2**32 - 1) // (2**16 - 1)


def _sum_frames(path, correction, complete_only, built, start, stop, dtype):
    """Frames start..stop - 1 of the recording at ``path`` added up in ``dtype``."""
    key, entry = recordings.take(path, correction, complete_only, built)
    try:
        reader = entry[0]._reader
        frame = frame_memory.array(built["shape"][1:])
        # Frames add up in uint32 (several times faster than into float64,
        # and exact for any uint16 samples over _RUN frames), folded into
        # the partial sum run by run.
        run = frame_memory.array(frame.shape, numpy.uint32)
        total = sum_memory.array(frame.shape, dtype)
        for first in range(start, stop, _RUN):
            reader.read(first, frame)
            numpy.copyto(run, frame)
            # A loop in Python, so that Ctrl-C is seen between frames.
            for i in range(first + 1, min(first + _RUN, stop)):
                reader.read(i, frame)
                numpy.add(run, frame, out=run)
            if first == start:
                numpy.copyto(total, run)
            else:
                numpy.add(total, run, out=total)
        return total
    finally:
        recordings.give_back(key, entry)


def _add_up(parts):
    # Each partial sum has this task as its only reader, so the first one
    # can take the others in place.
    total = parts[0]
    for part in parts[1:]:
        numpy.add(total, part, out=total)
    return total


def _finish(parts, frames):
    total = _add_up(parts)
    if frames is not None:
        numpy.divide(total, frames, out=total)
    return total


class FrameArray(dask.array.Array):
    """A recording's frames as a lazy array; ``sum``/``mean`` over frames are fused."""

    def __new__(cls, graph, name, chunks, source):
        self = super().__new__(cls, graph, name, chunks, dtype=numpy.uint16)
        # (path, correction, complete_only, what the chunk tasks check).
        self._source = source
        self._built_name = name
        return self

    def __reduce__(self):
        if self.name != self._built_name:  # changed in place by __setitem__
            return super().__reduce__()
        return FrameArray, (self.dask, self.name, self.chunks, self._source)

    def _fusable(self, axis, dtype, keepdims, split_every, out):
        return (axis in _FRAME_AXIS and dtype is None and not keepdims and split_every is None
                and out is None and self.name == self._built_name and self.shape[0] > 0)

    def sum(self, axis=None, dtype=None, keepdims=False, split_every=None, out=None):
        if self._fusable(axis, dtype, keepdims, split_every, out):
            return self._frame_sum(numpy.zeros(1, self.dtype).sum().dtype, mean=False)
        return super().sum(axis=axis, dtype=dtype, keepdims=keepdims, split_every=split_every,
                           out=out)

    def mean(self, axis=None, dtype=None, keepdims=False, split_every=None, out=None):
        if self._fusable(axis, dtype, keepdims, split_every, out):
            return self._frame_sum(numpy.mean(numpy.zeros(1, self.dtype)).dtype, mean=True)
        return super().mean(axis=axis, dtype=dtype, keepdims=keepdims, split_every=split_every,
                            out=out)

    sum.__doc__ = dask.array.Array.sum.__doc__
    mean.__doc__ = dask.array.Array.mean.__doc__

    def _frame_sum(self, dtype, mean):
        """The array's sum (or mean) over frames, in the dtype Dask's reduction gives."""
        path, correction, complete_only, built = self._source
        name = ("quorvane-frame-mean-" if mean else "quorvane-frame-sum-") + tokenize(self.name)
        layer, level, start = {}, [], 0
        for k, size in enumerate(self.chunks[0]):
            layer[(name + "-part", k)] = (_sum_frames, path, correction, complete_only, built,
                                          start, start + size, dtype)
            level.append((name + "-part", k))
            start += size
        depth = 0
        while len(level) > _SPLIT:
            depth += 1
            groups = [level[a:a + _SPLIT] for a in range(0, len(level), _SPLIT)]
            level = [(f"{name}-add-{depth}", g) for g in range(len(groups))]
            layer.update({key: (_add_up, group) for key, group in zip(level, groups)})
        layer[(name, 0, 0)] = (_finish, level, self.shape[0] if mean else None)
        graph = HighLevelGraph.from_collections(name, layer, dependencies=())
        return dask.array.Array(graph, name, self.chunks[1:], dtype=dtype)
