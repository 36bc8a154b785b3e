# SPDX-License-Identifier: BSD-3-Clause
"""The Recording class: one open VORN recording, frames as numpy arrays."""

import operator
import os

import numpy

from . import _core
from ._errors import ShortFrameError, VornError
from ._time import TimeAxis

_LAYOUTS = {False: "lanes", True: "quadrants"}
_BYTE_ORDERS = {True: "little", False: "big"}
_CORRECTIONS = {0: "none", 3: "offset", 6: "offset-gain"}
_NOT_REQUESTED = "correction not requested"


def _text_path(path):
    """``path`` (str, bytes or os.PathLike) as str, undecodable bytes kept.

    A NUL would end the path early in the system's calls, so it is refused as
    Python's own ``open`` refuses it.
    """
    path = os.fspath(path)
    path = os.fsdecode(path) if isinstance(path, bytes) else path
    if "\0" in path:
        raise ValueError("embedded null byte")
    return path


class Recording(TimeAxis):
    """One open VORN recording (.vrn), read frame by frame into numpy arrays.

    ``Recording(path, correction=True)``, or :func:`quorvane.open`. The
    recording is opened as ``quorvane-cli`` opens it, so a file it refuses
    raises :class:`quorvane.VornError` with the same reason, and a path that
    cannot be opened raises the matching :class:`OSError`
    (:class:`FileNotFoundError`, :class:`IsADirectoryError`,
    :class:`PermissionError`). With ``correction=False`` frames are read
    without the recording's fixed-pattern correction.

    A recording behaves as a read-only sequence of frames: ``len(rec)``,
    ``rec[i]`` (a new C-contiguous ``(height, width)`` uint16 array),
    ``rec[start:stop:step]`` (a ``(n, height, width)`` array) and iteration
    in frame order. Frame values lie in 0..1023, corrected, exactly the
    samples ``quorvane-cli convert`` writes into the frame's 16-bit TIFF.

    Reading releases the GIL; one recording may be shared by several
    threads (reads are serialised by a lock), and several recordings read
    in parallel. ``close()`` or the end of a ``with`` block closes the file;
    reading afterwards raises :class:`ValueError`. A recording pickles as
    its path and correction choice and is opened again where it is
    unpickled, with its rate.

    ``rate`` (frames per second, optional) gives every frame a time from the
    trigger: :attr:`rate`, :attr:`frame_numbers`, :attr:`trigger_index`,
    :attr:`times` and :meth:`index_of`.
    """

    def __init__(self, path, correction=True, rate=None):
        self.rate = rate  # checked before the file is opened
        self._path = _text_path(path)
        self._requested = bool(correction)
        self._reader = _core.Reader(os.fsencode(self._path), self._requested)
        r = self._reader
        self._shape = (r.frames, r.height, r.width)
        self._note = r.correction_note or None

    # --- description -------------------------------------------------------

    @property
    def path(self):
        """The path the recording was opened with (str)."""
        return self._path

    @property
    def shape(self):
        """``(frames, height, width)``."""
        return self._shape

    @property
    def dtype(self):
        """``numpy.dtype('uint16')``: every frame's sample type."""
        return numpy.dtype(numpy.uint16)

    @property
    def width(self):
        """Pixels per row."""
        return self._shape[2]

    @property
    def height(self):
        """Rows per frame."""
        return self._shape[1]

    @property
    def layout(self):
        """Pixel order of the stored frames: ``'lanes'`` or ``'quadrants'``."""
        return _LAYOUTS[self._reader.quadrants]

    @property
    def byte_order(self):
        """Byte order of the file's fields: ``'little'`` or ``'big'``."""
        return _BYTE_ORDERS[self._reader.little_endian]

    @property
    def correction(self):
        """Correction applied to every frame: ``'none'``, ``'offset'`` or ``'offset-gain'``."""
        return _CORRECTIONS[self._reader.correction_kind]

    @property
    def correction_note(self):
        """None, or why a correction the file carries is not applied.

        The text ``quorvane-cli info`` shows in parentheses, e.g.
        ``'unknown correction kind 4'`` or ``'correction not requested'``.
        """
        return self._note

    @property
    def first_frame_number(self):
        """Number of the first recorded frame (signed; index 0)."""
        return self._reader.first_frame_number

    @property
    def last_frame_number(self):
        """Number of the last recorded frame (index ``len(self) - 1``)."""
        return self._reader.last_frame_number

    @property
    def calibration(self):
        """The recording's calibration value (used by the offset-gain correction)."""
        return self._reader.calibration

    @property
    def model(self):
        """Camera model tag: 4 bytes, e.g. ``b'trq1'``."""
        return self._reader.model

    @property
    def closed(self):
        """True once :meth:`close` has been called."""
        return self._reader.closed

    def __len__(self):
        return self._shape[0]

    def __repr__(self):
        state = "closed " if self.closed else ""
        frames, height, width = self._shape
        return (f"<{state}quorvane.Recording {self._path!r} {frames} x {height} x {width}, "
                f"{self.layout}, correction {self.correction}>")

    # --- reading -----------------------------------------------------------

    def _check_open(self):
        if self._reader.closed:
            raise ValueError("I/O operation on closed recording")

    def _index(self, index):
        try:
            i = operator.index(index)
        except TypeError:
            raise TypeError("recording indices must be integers or slices, not "
                            f"{type(index).__name__}") from None
        frames = self._shape[0]
        if i < 0:
            i += frames
        if not 0 <= i < frames:
            raise IndexError(f"frame index {index} out of range for {frames} frames")
        return i

    def read(self, index, out=None):
        """Decodes frame ``index`` into ``out`` and returns ``out``.

        ``out`` must be a writable, C-contiguous numpy array of shape
        ``(height, width)`` and dtype uint16 (native byte order); nothing is
        allocated. A wrong dtype or a non-array raises :class:`TypeError`, a
        wrong shape, a non-contiguous or a read-only array :class:`ValueError`.
        Without ``out`` a new array is returned. Negative indices count from
        the end. If the frame cannot be read whole, :class:`ShortFrameError`
        is raised and ``out`` may hold part of any frame.
        """
        self._check_open()
        i = self._index(index)
        if out is None:
            out = numpy.empty(self._shape[1:], numpy.uint16)
        self._reader.read(i, out)
        return out

    def __getitem__(self, key):
        if isinstance(key, tuple):
            if not key:
                return self[:]
            head, rest = key[0], key[1:]
            frames = self[head]
            return frames[(slice(None),) + rest] if isinstance(head, slice) else frames[rest]
        self._check_open()
        if isinstance(key, slice):
            picked = range(*key.indices(self._shape[0]))
            out = numpy.empty((len(picked),) + self._shape[1:], numpy.uint16)
            if len(picked):
                # One frame has no step to take (it may be huge: rec[::2**70]).
                step = picked.step if len(picked) > 1 else 1
                self._reader.read_many(picked.start, step, len(picked), out)
            return out
        out = numpy.empty(self._shape[1:], numpy.uint16)
        self._reader.read(self._index(key), out)
        return out

    def __iter__(self):
        """Every frame in order, each a new array; consecutive reads do not seek."""
        for i in range(self._shape[0]):
            yield self[i]

    # --- conversion ---------------------------------------------------------

    def to_tiff(self, path, first=None, last=None, bits=16, jobs=None, stack=False,
                manifest=False, skip_existing=False):
        """Writes frames ``first..last`` as TIFF files; returns their paths.

        The files, names and bytes are those of
        ``quorvane-cli convert FILE -o path --bits bits --first first
        --last last --jobs jobs`` (plus ``--stack``, ``--manifest`` and
        ``--skip-existing`` as asked): ``path`` without its extension, ``_``,
        the frame index in six digits or more, then the extension (``tif``
        when there is none); a folder receives the recording's name.
        ``first`` and ``last`` are inclusive frame indices (default: every
        frame; negative values count from the end), ``bits`` is 16 (the
        10-bit values unscaled) or 8 (their top 8 bits), ``jobs`` the number
        of threads (default: one per core).

        ``stack=True`` writes one multi-page TIFF instead, ``path`` without
        numbering (a classic TIFF below 4 GiB, BigTIFF above), pages in frame
        order; it appears only when complete, and the returned list holds
        just its path. ``manifest=True`` writes ``<name>.manifest.json``
        beside the files last, atomically: the recording, the options and
        the size and SHA-256 of every file; an earlier manifest of that name
        is removed first, and a failed run leaves none. ``skip_existing=True``
        keeps a frame file (or the stack) that an earlier run left complete,
        after reading it back to be sure it is one this converter writes; a
        different file under that name is an error for that frame.

        An output (a frame file, the stack or the manifest) that is the
        recording itself, by its name or through a link, raises
        :class:`ValueError` with the command line's text before anything is
        written. A failed write raises :class:`OSError` naming the file (the message
        is the line ``quorvane-cli`` prints); the files of the frames before
        it are complete and stay, later ones are not left behind (nor a
        partial stack). A manifest that cannot be written raises
        :class:`OSError` with the command line's text too, the files staying.
        A frame that cannot be read whole raises :class:`ShortFrameError`.
        Ctrl-C stops after the frames in progress and raises
        :class:`KeyboardInterrupt`, keeping the files written (and, when the
        recording's hash was complete, a manifest listing exactly them), but
        not a stack in progress. The files always
        hold corrected frames, as the command line writes them, so a
        recording opened with ``correction=False`` whose file carries a
        correction is refused with :class:`ValueError`.
        """
        self._check_open()
        if bits not in (8, 16) or isinstance(bits, bool):
            raise ValueError(f"bits must be 16 or 8, not {bits!r}")
        if self._note == _NOT_REQUESTED:
            raise ValueError("to_tiff writes corrected frames, as quorvane-cli convert does; "
                             "open the recording with correction=True")
        frames = self._shape[0]
        lo = 0 if first is None else self._index(first)
        hi = frames - 1 if last is None else self._index(last)
        if lo > hi:
            raise ValueError(f"first frame {lo} lies after last frame {hi}")
        if jobs is None:
            jobs = os.cpu_count() or 1
        jobs = operator.index(jobs)
        if jobs < 1:
            raise ValueError(f"jobs must be at least 1, not {jobs}")
        recording = os.fsencode(self._path)
        output = os.fsencode(_text_path(path))
        result = _core.convert(recording, output, bits, lo, hi, jobs, stack=bool(stack),
                               skip_existing=bool(skip_existing), manifest=bool(manifest))
        if result["status"] == "failed":
            if not result["failed_file"]:
                # The file changed or went away since it was opened: opening
                # it again raises what open() would raise now.
                Recording(self._path).close()
            raise _conversion_error(result)
        if result["manifest_error"]:
            raise OSError(result["manifest_error"])
        if stack:
            return [os.fsdecode(_core.stack_name(recording, output))]
        return [os.fsdecode(name) for name in _core.frame_names(recording, output, lo, hi)]

    # --- life ---------------------------------------------------------------

    def close(self):
        """Closes the file. Reading afterwards raises :class:`ValueError`."""
        self._reader.close()

    def __enter__(self):
        self._check_open()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def __reduce__(self):
        return (open, (self._path, self._requested, self._rate))


def _conversion_error(result):
    """The exception for a failed conversion run (``_core.convert`` result)."""
    message = result["message"]
    if not result["failed_file"]:
        return VornError(result["reason"])
    if result["reason"] == "frame could not be read whole":
        return ShortFrameError(message, result["failed_frame"])
    return OSError(message)


def open(path, correction=True, rate=None):  # noqa: A001 - the package's entry point
    """Opens a VORN recording: ``Recording(path, correction, rate)``.

    ``with quorvane.open("shot.vrn") as rec: frame = rec[0]``. With
    ``correction=False`` the fixed-pattern correction is not applied;
    ``rate`` (frames per second, e.g. ``50_000`` or ``"50k"``) gives the
    frames their times from the trigger.
    """
    return Recording(path, correction, rate)
