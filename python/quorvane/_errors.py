# SPDX-License-Identifier: BSD-3-Clause
"""Exceptions of the quorvane package."""


class VornError(ValueError):
    """The file is not a recording the reader accepts.

    The message is the reader's reason, e.g. ``"not a VORN recording"`` or
    ``"missing FSZP chunk"``: the same text ``quorvane-cli`` prints after
    ``cannot open FILE:``. ``filename`` is the recording's path when known.
    """

    __module__ = "quorvane"
    filename = None


class ShortFrameError(OSError):
    """A frame could not be read whole (the file ends inside it).

    ``frame`` is the zero-based index of that frame, ``filename`` the
    recording's path; ``errno`` is None.
    """

    __module__ = "quorvane"

    def __init__(self, message, frame=None, filename=None):
        super().__init__(message)
        self.frame = frame
        self.filename = filename

    def __str__(self):
        return self.args[0]

    def __reduce__(self):
        return (type(self), (self.args[0], self.frame, self.filename))


class RecordingChangedError(VornError):
    """The file is no longer the recording that was opened.

    Raised when a recording is read after its file was rewritten or replaced
    with one of another geometry, frame count, layout or correction, or (for
    lazy arrays) another size or modification time. The message names what
    changed.
    """

    __module__ = "quorvane"
