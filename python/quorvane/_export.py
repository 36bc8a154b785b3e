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

_FORMATS = ("mp4", "mkv", "avi", "png", "ome-tiff")
_OVERLAYS = ("number", "time", "scale")


def _number(text, what):
    try:
        return float(text)
    except ValueError:
        raise ValueError(f"display_range: {what} must be a number, not {text!r}") from None


def display_range(value):
    """(kind, low, high) for "standard", "auto", "LO%,HI%", "LO,HI" or (LO, HI)."""
    if isinstance(value, str):
        text = value.strip().lower()
        if text in ("standard", "auto"):
            return text, 0.0, 1023.0
        parts = text.split(",")
        if len(parts) != 2:
            raise ValueError("display_range must be 'standard', 'auto', 'LO%,HI%' or "
                             f"'LO,HI', not {value!r}")
        low, high = (p.strip() for p in parts)
        if low.endswith("%") and high.endswith("%"):
            return "percentile", _number(low[:-1], "LO"), _number(high[:-1], "HI")
        return "values", _number(low, "LO"), _number(high, "HI")
    try:
        low, high = value
    except (TypeError, ValueError):
        raise TypeError("display_range must be a text or a (low, high) pair, not "
                        f"{type(value).__name__}") from None
    return "values", float(low), float(high)


def overlay_flags(overlay):
    """(number, time, scale) from a name or an iterable of names."""
    names = (overlay,) if isinstance(overlay, str) else tuple(overlay or ())
    for name in names:
        if name not in _OVERLAYS:
            raise ValueError(f"overlay must name number, time or scale, not {name!r}")
    return tuple(name in names for name in _OVERLAYS)


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


def run(rec, out, format, first, last, step, crop, fps, quality, display_range_, overlay,
        scale, jobs, bits):
    """Runs the export of ``rec``; the ExportResult, or raises the failure."""
    if format is not None and format not in _FORMATS:
        raise ValueError(f"format must be one of {', '.join(_FORMATS)}, not {format!r}")
    step = operator.index(step)
    if crop is not None:
        crop = tuple(operator.index(v) for v in crop)
        if len(crop) != 4:
            raise ValueError("crop must be (x, y, width, height)")
    jobs = 0 if jobs is None else operator.index(jobs)
    if jobs < 0:
        raise ValueError(f"jobs must be at least 1, not {jobs}")
    kind, low, high = display_range(display_range_)
    first_index, first_text = frame_bound(rec, first)
    last_index, last_text = frame_bound(rec, last)
    result = _core.export(
        os.fsencode(rec.path), os.fsencode(os.fspath(out)), format or "", first_index,
        last_index, first_text, last_text, step, crop, rec.rate, fps_text(fps),
        operator.index(quality), kind, low, high, operator.index(bits), overlay_flags(overlay),
        scale or "", jobs)
    message = os.fsdecode(result["message"])
    if result["status"] == "refused":
        raise ValueError(message)
    if result["status"] == "failed":
        if message.startswith("cannot open "):
            # The file changed or went away since it was opened: opening it
            # again raises what open() would raise now.
            type(rec)(rec.path).close()
        raise OSError(message)
    if result["status"] == "cancelled":
        raise KeyboardInterrupt
    return ExportResult([os.fsdecode(f) for f in result["files"]], result["frames"],
                        result["bytes"], result["seconds"])
