# SPDX-License-Identifier: BSD-3-Clause
"""Exceptions of the quorvane package."""


class VornError(ValueError):
    """The file is not a recording the reader accepts.

    The message is the reader's reason, e.g. ``"not a VORN recording"`` or
    ``"missing FSZP chunk"``: the same text ``quorvane-cli`` prints after
    ``cannot open FILE:``.
    """

    __module__ = "quorvane"


class ShortFrameError(OSError):
    """A frame could not be read whole (the file ends inside it).

    ``frame`` is the zero-based index of that frame.
    """

    __module__ = "quorvane"

    def __init__(self, message, frame=None):
        super().__init__(message)
        self.frame = frame

    def __reduce__(self):
        return (type(self), (self.args[0], self.frame))
