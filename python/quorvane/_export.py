# SPDX-License-Identifier: BSD-3-Clause
"""Recording.export: the arguments as the export engine takes them, and its outcome."""

import collections
import numbers
import operator
import os

from . import _core

ExportResult = collections.namedtuple("ExportResult", ["files", "frames", "bytes", "seconds"])
ExportResult.__doc__ = """Outcome of :meth:`quorvane.Recording.export`.

``files`` the paths put in place (the video or stack, or every PNG),
``frames`` the frames exported, ``bytes`` their total size, ``seconds``
the time the run took."""
ExportResult.__module__ = "quorvane"


def _listed(value, what, count=None):
    """A text as it stands, or the items of a sequence joined by commas."""
    if isinstance(value, str):
        return value
    try:
        items = [str(v) for v in value]
    except TypeError:
        raise TypeError(f"{what} must be a text or a sequence, not {type(value).__name__}") \
            from None
    if count is not None and len(items) != count:
        raise ValueError(f"{what} must have {count} items, not {len(items)}")
    return ",".join(items)


def fps_text(fps):
    """The playback rate as the engine reads it: a number, or "rate/N"."""
    if isinstance(fps, str):
        return fps
    if isinstance(fps, bool) or not isinstance(fps, numbers.Real):
        raise TypeError(f"fps must be a number or 'rate/N', not {type(fps).__name__}")
    return str(int(fps)) if float(fps).is_integer() else repr(float(fps))


def frame_bound(rec, bound):
    """(index or None, text) of a first/last argument: an index, '#number' or a time."""
    if bound is None:
        return None, ""
    if isinstance(bound, str):
        return None, bound
    return rec._index(bound), ""


def run(rec, out, format, first, last, step, crop, fps, quality, display_range, overlay,
        scale, jobs, bits):
    """Runs the export of ``rec``; the ExportResult, or raises the failure.

    The option texts are read by the engine's own readers, so they take what
    the command line takes and are refused with its words."""
    jobs = 0 if jobs is None else operator.index(jobs)
    if jobs < 0:
        raise ValueError(f"jobs must be at least 1, not {jobs}")
    first_index, first_text = frame_bound(rec, first)
    last_index, last_text = frame_bound(rec, last)
    rec._check_unchanged()
    result = _core.export(
        os.fsencode(rec._absolute), os.fsencode(os.fspath(out)), format or "", first_index,
        last_index, first_text, last_text, operator.index(step),
        "" if crop is None else _listed(crop, "crop", 4), rec.rate, fps_text(fps),
        operator.index(quality), _listed(display_range, "display_range", 2),
        operator.index(bits), _listed(overlay or (), "overlay"), scale or "", jobs)
    message = os.fsdecode(result["message"])
    if result["status"] == "refused":
        raise ValueError(message)
    if result["status"] == "failed":
        if message.startswith("cannot open "):
            # The file changed or went away since it was opened: opening it
            # again raises what open() would raise now.
            type(rec)(rec._absolute).close()
        raise OSError(message)
    if result["status"] == "cancelled":
        raise KeyboardInterrupt
    return ExportResult([os.fsdecode(f) for f in result["files"]], result["frames"],
                        result["bytes"], result["seconds"])
