# SPDX-License-Identifier: BSD-3-Clause
"""The time axis of a recording: recorded frame numbers, the trigger, and
times from the trigger once the recording rate is known. The arithmetic is
the core's, shared with the viewer and ``quorvane-cli``."""

import numbers

from . import _core


def check_rate(rate):
    """``rate`` as frames per second (float), or None.

    Accepts a positive number or a text such as ``"50000"``, ``"50k"`` or
    ``"1.2M"``; anything else (0, negative, NaN, booleans, other text)
    raises :class:`ValueError` or :class:`TypeError`.
    """
    if rate is None:
        return None
    if isinstance(rate, bool):
        raise TypeError("rate must be a number of frames per second, not bool")
    if isinstance(rate, str):
        return _core.parse_rate(rate)
    if isinstance(rate, numbers.Real):
        return _core.check_rate(float(rate))
    raise TypeError(f"rate must be a number of frames per second, not {type(rate).__name__}")


class TimeAxis:
    """Frame numbers and times of a :class:`quorvane.Recording`.

    Frame index ``i`` carries the recorded number ``first_frame_number + i``;
    number 0 is the trigger. With :attr:`rate` set, frame ``i`` lies
    ``number / rate`` seconds from the trigger.
    """

    _rate = None

    @property
    def rate(self):
        """Recording rate in frames per second, or None. Settable; None clears it."""
        return self._rate

    @rate.setter
    def rate(self, rate):
        self._rate = check_rate(rate)

    @property
    def frame_numbers(self):
        """Recorded number of every frame: numpy int64 array of ``len(self)``."""
        return _core.frame_numbers(self.first_frame_number, len(self))

    @property
    def trigger_index(self):
        """Index of the frame with number 0, or None when the trigger lies outside."""
        return _core.trigger_index(self.first_frame_number, len(self))

    @property
    def times(self):
        """Seconds from the trigger of every frame (numpy float64), or None without a rate."""
        if self._rate is None:
            return None
        return _core.times(self.first_frame_number, len(self), self._rate)

    def index_of(self, number=None, *, time=None):
        """Index of the frame with recorded ``number``, or nearest ``time`` (seconds).

        Exactly one of the two is given; a time needs :attr:`rate`. A frame
        outside the recording raises :class:`ValueError` naming the range.
        """
        if (number is None) == (time is None):
            raise TypeError("index_of takes either number= or time=")
        first, count = self.first_frame_number, len(self)
        if number is not None:
            found = _core.index_of_number(first, count, int(number))
            if found is None:
                raise ValueError(f"frame number {number} lies outside the numbers "
                                 f"{first}..{first + count - 1}")
            return found
        if self._rate is None:
            raise ValueError("a time needs the recording rate: set rate first")
        found = _core.index_of_time(first, count, self._rate, float(time))
        if found is None:
            low, high = _core.times(first, count, self._rate)[[0, -1]]
            raise ValueError(f"time {_core.format_time(float(time))} lies outside the times "
                             f"{_core.format_time(low)}..{_core.format_time(high)}")
        return found
