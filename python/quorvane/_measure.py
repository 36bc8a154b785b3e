# SPDX-License-Identifier: BSD-3-Clause
"""Measurements on a recording: a region over frames, the values along a line."""

import operator
import os

from . import _core


def _whole(name, value):
    try:
        return operator.index(value)
    except TypeError:
        raise TypeError(f"{name} must be an integer, not {type(value).__name__}") from None


class Measurements:
    """The measuring methods of :class:`quorvane.Recording`."""

    def region_stats(self, x, y, w, h, ellipse=False, first=None, last=None, step=1):
        """Statistics of a region in frames ``first..last`` (inclusive) by ``step``.

        The region is the rectangle of ``w`` x ``h`` pixels whose top-left
        pixel is ``rec[i][y, x]``, or with ``ellipse=True`` the pixels of that
        rectangle whose centres lie inside its inscribed ellipse. Returns a
        dict of numpy arrays, one element per frame: ``index``, ``number``,
        ``time_s`` (NaN without a rate), ``mean``, ``std`` (population, as
        numpy's), ``min``, ``max`` and ``pixels``, the numbers
        ``quorvane-cli stats`` prints. Computed while each frame is decoded,
        with the GIL released; frames are read as the recording reads them
        (its correction and rate). ``first`` and ``last`` are frame indices
        (default every frame; negative values count from the end). A region
        outside the frame raises :class:`ValueError` naming the frame size;
        Ctrl-C stops the scan and raises :class:`KeyboardInterrupt`.
        """
        self._check_open()
        frames = len(self)
        lo = 0 if first is None else self._index(first)
        hi = frames - 1 if last is None else self._index(last)
        step = _whole("step", step)
        if step < 1:
            raise ValueError(f"step must be at least 1, not {step}")
        if lo > hi:
            raise ValueError(f"first frame {lo} lies after last frame {hi}")
        box = [_whole(name, v) for name, v in (("x", x), ("y", y), ("w", w), ("h", h))]
        self._check_unchanged()
        return _core.region_stats(os.fsencode(self._absolute), self._requested, *box,
                                  bool(ellipse), lo, hi, step, self._rate)

    def line_profile(self, x0, y0, x1, y1, frame):
        """The values along the line from ``(x0, y0)`` to ``(x1, y1)`` in frame ``frame``.

        Coordinates are pixel centres, ``rec[i][y, x]`` lying at ``(x, y)``;
        both ends must lie inside the frame. Returns a float64 array of
        ``round(length) + 1`` values evenly spaced from end to end (about one
        per pixel), each interpolated bilinearly between the four nearest
        pixels: the profile ``quorvane-cli profile`` prints.
        """
        self._check_open()
        ends = [float(v) for v in (x0, y0, x1, y1)]
        return _core.line_profile(self._reader, self._index(frame), *ends)
