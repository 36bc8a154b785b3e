# SPDX-License-Identifier: BSD-3-Clause
"""Numpy-style indexing of a recording, reading only the frames it picks.

A key over ``(frames, height, width)`` is split into its frame-axis part,
which decides the frames read from the file, and the rest, which numpy
applies to the frames read. Long reads go in batches of a few MiB, so
Ctrl-C is seen between batches and a sub-frame selection of many frames
holds one batch of whole frames at a time, not all of them.
"""

import operator

import numpy

_BATCH_BYTES = 8 << 20


def _batch_frames(frame_shape):
    return max(1, _BATCH_BYTES // (2 * frame_shape[0] * frame_shape[1]))


def _type_error(key):
    return TypeError("recording indices must be integers, slices, integer arrays, '...' or "
                     f"tuples of them, not {type(key).__name__}")


def split_key(key):
    """(frame-axis key, rest) of an index over the three axes."""
    if not isinstance(key, tuple):
        key = (key,)
    if any(k is None for k in key):
        raise TypeError("recordings do not take numpy.newaxis (None); index the result instead")
    ellipses = [n for n, k in enumerate(key) if k is Ellipsis]
    if len(ellipses) > 1:
        raise IndexError("an index can only have a single ellipsis ('...')")
    if len(key) - len(ellipses) > 3:
        raise IndexError(f"too many indices for a recording: it has 3 axes, "
                         f"{len(key) - len(ellipses)} were given")
    if ellipses:
        n = ellipses[0]
        key = key[:n] + (slice(None),) * (4 - len(key)) + key[n + 1:]
    if not key:
        return slice(None), ()
    return key[0], key[1:]


def pick_frames(head, frames):
    """(frames to read, key that selects the result's frames among them).

    The frames are a ``range`` or a sorted array without repeats; the second
    element is 0 for a single frame, ``slice(None)`` or an index array.
    """
    if isinstance(head, slice):
        return range(*head.indices(frames)), slice(None)
    if isinstance(head, (bool, numpy.bool_)):
        raise TypeError("boolean masks are not accepted as frame indices; "
                        "use numpy.flatnonzero(mask)")
    try:
        i = operator.index(head)
    except TypeError:
        pass
    else:
        return range(_frame_index(i, frames), _frame_index(i, frames) + 1), 0
    if not isinstance(head, (list, numpy.ndarray)):
        raise _type_error(head)
    wanted = numpy.asarray(head)
    if wanted.dtype == bool:
        raise TypeError("boolean masks are not accepted as frame indices; "
                        "use numpy.flatnonzero(mask)")
    if wanted.size == 0:
        wanted = wanted.astype(numpy.intp)
    if wanted.dtype.kind not in "iu":
        raise _type_error(head)
    outside = (wanted < -frames) | (wanted >= frames)
    if outside.any():
        bad = wanted[outside].flat[0]
        raise IndexError(f"frame index {bad} out of range for {frames} frames")
    wanted = numpy.where(wanted < 0, wanted + frames, wanted)
    unique, inverse = numpy.unique(wanted, return_inverse=True)
    return unique, inverse.reshape(wanted.shape)


def _frame_index(i, frames):
    index = i + frames if i < 0 else i
    if not 0 <= index < frames:
        raise IndexError(f"frame index {i} out of range for {frames} frames")
    return index


def _is_basic(rest):
    return all(isinstance(k, slice) or is_integer(k) for k in rest)


def is_integer(k):
    if isinstance(k, (bool, numpy.bool_)):
        return False
    try:
        operator.index(k)
    except TypeError:
        return False
    return True


def read_into(reader, picked, out):
    """Reads the frames ``picked`` (a range or an index array) into ``out``, in batches."""
    batch = _batch_frames(out.shape[1:])
    for a in range(0, len(picked), batch):
        part = picked[a:a + batch]
        if isinstance(part, range):
            # One frame has no step to take (it may be huge: rec[::2**70]).
            step = part.step if len(part) > 1 else 1
            reader.read_many(part.start, step, len(part), out[a:a + len(part)])
        else:
            for k, i in enumerate(part):
                reader.read(int(i), out[a + k])


def read_cast(reader, picked, frame_shape, dtype):
    """The frames ``picked`` as one new array of ``dtype``, converted batch by batch."""
    out = numpy.empty((len(picked),) + tuple(frame_shape), dtype)
    if out.dtype == numpy.uint16:
        read_into(reader, picked, out)
        return out
    batch = _batch_frames(frame_shape)
    buffer = numpy.empty((min(batch, len(picked)),) + tuple(frame_shape), numpy.uint16)
    for a in range(0, len(picked), batch):
        part = picked[a:a + batch]
        read_into(reader, part, buffer[:len(part)])
        out[a:a + len(part)] = buffer[:len(part)]
    return out


def getitem(reader, shape, key):
    """``frames[key]`` of a recording of ``shape``, equal to numpy on all its frames."""
    head, rest = split_key(key)
    picked, chosen = pick_frames(head, shape[0])
    frame_shape = shape[1:]
    if not rest and not isinstance(picked, range):
        # Whole frames in the order asked, straight into the result.
        order = picked[chosen]
        out = numpy.empty(order.shape + frame_shape, numpy.uint16)
        read_into(reader, order.ravel(), out.reshape((-1,) + frame_shape))
        return out
    if not rest or not _is_basic(rest):
        frames = numpy.empty((len(picked),) + frame_shape, numpy.uint16)
        read_into(reader, picked, frames)
        return frames[(chosen,) + rest]
    # Sub-frame selection: one batch of whole frames at a time.
    sample = numpy.empty((1,) + frame_shape, numpy.uint16)[(slice(None),) + rest]
    part_shape = sample.shape[1:]
    selected = numpy.empty((len(picked),) + part_shape, numpy.uint16)
    batch = _batch_frames(frame_shape)
    buffer = numpy.empty((min(batch, len(picked)),) + frame_shape, numpy.uint16)
    for a in range(0, len(picked), batch):
        part = picked[a:a + batch]
        read_into(reader, part, buffer[:len(part)])
        selected[a:a + len(part)] = buffer[(slice(0, len(part)),) + rest]
    return selected[chosen]
