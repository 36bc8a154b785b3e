# SPDX-License-Identifier: BSD-3-Clause
"""The Recording class: one open VORN recording, frames as numpy arrays."""

import errno
import operator
import os
import weakref

import numpy

from . import _core, _export, _indexing
from ._errors import RecordingChangedError, ShortFrameError, VornError
from ._measure import Measurements
from ._time import TimeAxis, check_rate

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


def _file_identity(path):
    info = os.stat(path)
    return info.st_dev, info.st_ino, info.st_size, info.st_mtime_ns


# Recordings open in this process. A forked child makes their locks usable
# again (a thread of the parent may have held one) before any thread starts;
# each reader then opens its file anew at its first read in the child.
_OPEN = weakref.WeakSet()


def _after_fork_in_child():
    for rec in list(_OPEN):
        rec._reader.after_fork_in_child()


os.register_at_fork(after_in_child=_after_fork_in_child)


class Recording(TimeAxis, Measurements):
    """One open VORN recording (.vrn), read frame by frame into numpy arrays.

    ``Recording(path, correction=True)``, or :func:`quorvane.open`. The
    recording is opened as ``quorvane-cli`` opens it, so a file it refuses
    raises :class:`quorvane.VornError` with the same reason, and a path that
    cannot be opened raises the matching :class:`OSError`
    (:class:`FileNotFoundError`, :class:`IsADirectoryError`,
    :class:`PermissionError`). With ``correction=False`` frames are read
    without the recording's fixed-pattern correction.

    A recording behaves as a read-only array of shape ``(frames, height,
    width)``: ``len(rec)``, ``rec[i]`` (a new C-contiguous ``(height,
    width)`` uint16 array), ``rec[start:stop:step]`` (a ``(n, height,
    width)`` array), iteration in frame order, and numpy indexing with
    integer lists or arrays, ``...`` and tuples over the three axes, each
    reading only the frames it selects (boolean masks and ``None`` are
    refused with :class:`TypeError`). ``numpy.asarray(rec)`` reads every
    frame into one new array. Frame values lie in 0..1023, corrected,
    exactly the samples ``quorvane-cli convert`` writes into the frame's
    16-bit TIFF.

    A file that ends inside a frame has ``complete_frames < len(rec)``;
    reading the cut frame raises :class:`ShortFrameError`. With
    ``complete_only=True`` the recording holds just its complete frames.

    Reading releases the GIL; one recording may be shared by several
    threads (reads are serialised by a lock), and several recordings read
    in parallel. Reads never depend on a file position shared with another
    process, and a recording used in a child after ``fork`` opens its file
    again there (:class:`RecordingChangedError` if it no longer holds the
    same recording). ``close()`` or the end of a ``with`` block closes the
    file; reading afterwards raises :class:`ValueError`. A recording pickles
    as its absolute path and choices and is opened again where it is
    unpickled, with its rate.

    ``rate`` (frames per second, optional) gives every frame a time from the
    trigger: :attr:`rate`, :attr:`frame_numbers`, :attr:`trigger_index`,
    :attr:`times` and :meth:`index_of`.

    :meth:`region_stats` and :meth:`line_profile` measure a region over
    frames and the values along a line, as ``quorvane-cli stats`` and
    ``quorvane-cli profile`` do.
    """

    def __init__(self, path, correction=True, complete_only=False, rate=None):
        self.rate = rate  # checked before the file is opened
        self._path = _text_path(path)
        self._absolute = os.path.abspath(self._path)
        self._requested = bool(correction)
        self._complete_only = bool(complete_only)
        try:
            self._reader = _core.Reader(os.fsencode(self._path), self._requested,
                                        self._complete_only)
        except VornError as e:
            e.filename = self._path
            raise
        r = self._reader
        self._shape = (r.frames, r.height, r.width)
        self._note = r.correction_note or None
        self._identity = _file_identity(self._absolute)
        _OPEN.add(self)

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
    def ndim(self):
        """3: frames, rows, columns."""
        return 3

    @property
    def size(self):
        """Number of samples in all frames."""
        return self._shape[0] * self._shape[1] * self._shape[2]

    @property
    def nbytes(self):
        """Bytes all frames take as one uint16 array."""
        return 2 * self.size

    @property
    def complete_frames(self):
        """Frames wholly inside the file when it was opened (``quorvane-cli info``'s figure).

        Less than the recording's declared frame count when its file was cut
        off; ``len(rec)`` counts only these with ``complete_only=True``.
        """
        return self._reader.complete_frames

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
        """Number of the last recorded frame, as the file declares it (index ``len(self) - 1``
        unless ``complete_only`` left out a cut-off end)."""
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

    def _check_unchanged(self):
        """For work that opens the file again by its path (export, region
        statistics): the path must still name the file this recording read."""
        try:
            now = _file_identity(self._absolute)
        except FileNotFoundError:
            return  # the engine's open raises what open() would raise
        if now != self._identity:
            what = [name for name, a, b in zip(("file", "file", "size", "modification time"),
                                               self._identity, now) if a != b]
            error = RecordingChangedError(
                f"{self._absolute}: the file changed since the recording was opened "
                f"({', '.join(dict.fromkeys(what))}); open it again")
            error.filename = self._absolute
            raise error

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
        self._check_open()
        if isinstance(key, slice):
            picked = range(*key.indices(self._shape[0]))
            out = numpy.empty((len(picked),) + self._shape[1:], numpy.uint16)
            _indexing.read_into(self._reader, picked, out)
            return out
        if _indexing.is_integer(key):
            out = numpy.empty(self._shape[1:], numpy.uint16)
            self._reader.read(self._index(key), out)
            return out
        return _indexing.getitem(self._reader, self._shape, key)

    def __array__(self, dtype=None, copy=None):
        """Every frame, read straight into one new array (of ``dtype``, default uint16)."""
        if copy is False:
            raise ValueError("a recording is read from its file: it cannot become an array "
                             "without a copy")
        self._check_open()
        return _indexing.read_cast(self._reader, range(self._shape[0]), self._shape[1:],
                                   numpy.dtype(numpy.uint16 if dtype is None else dtype))

    def __iter__(self):
        """Every frame in order, each a new array; consecutive reads do not seek."""
        for i in range(self._shape[0]):
            yield self[i]

    # --- conversion ---------------------------------------------------------

    def to_tiff(self, path, first=None, last=None, bits=16, jobs=None, stack=False,
                manifest=False, skip_existing=False, makedirs=False, rate=None,
                timestamps=False):
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
        written.

        ``makedirs=True`` creates the output folder (and its parents) first;
        otherwise a missing folder raises :class:`FileNotFoundError`.

        ``rate`` (``--rate``; frames per second, checked as :attr:`rate` is)
        gives the manifest entries and the stack pages their times from the
        trigger; by default the recording's own :attr:`rate`, if set.
        ``timestamps=True`` (``--timestamps``) writes ``<name>.frames.csv``
        beside the files once they are complete: index, recorded number,
        time (empty without a rate) and file of every frame written. When
        only that table cannot be written, :class:`OSError` is raised with
        the command line's text, the files staying.

        A failed write raises the :class:`OSError` subclass of its cause
        (``errno``, ``filename`` the file, ``strerror`` the line
        ``quorvane-cli`` prints, ``frame`` the frame or None before any
        frame); the files of the frames before it are complete and stay, later ones are not left behind (nor a
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
        rate = self._rate if rate is None else check_rate(rate)
        if makedirs:
            _make_output_folder(_text_path(path))
        recording = os.fsencode(self._path)
        output = os.fsencode(_text_path(path))
        result = _core.convert(recording, output, bits, lo, hi, jobs, stack=bool(stack),
                               skip_existing=bool(skip_existing), manifest=bool(manifest),
                               rate=rate, timestamps=bool(timestamps))
        if result["status"] == "failed":
            if not result["failed_file"]:
                # The file changed or went away since it was opened: opening
                # it again raises what open() would raise now.
                Recording(self._path).close()
            raise _conversion_error(dict(result, recording=self._path))
        if result["manifest_error"]:
            raise OSError(result["manifest_error"])
        if stack:
            return [os.fsdecode(_core.stack_name(recording, output))]
        return [os.fsdecode(name) for name in _core.frame_names(recording, output, lo, hi)]

    def export(self, out, format=None, first=None, last=None, step=1, crop=None, fps=30,
               quality=18, display_range="standard", overlay=(), scale=None, jobs=None,
               bits=16):
        """Exports frames as a video, a PNG sequence or an OME-TIFF stack.

        The files are those of ``quorvane-cli export FILE -o out`` with the
        same options: ``format`` "mp4" (H.264), "mkv" (FFV1, lossless),
        "avi" (Motion JPEG), "png" or "ome-tiff" (default: from ``out``'s
        extension); ``first``/``last`` an index (negative from the end), a
        recorded number "#-12" or a time "-240us" (with :attr:`rate`);
        ``step`` keeps every Nth frame; ``crop`` ``(x, y, width, height)``;
        ``fps`` the video's playback rate (a number, or "rate/N");
        ``quality`` the H.264 CRF; ``display_range`` "standard", "auto",
        "LO%,HI%", "LO,HI" or ``(LO, HI)`` for 8-bit outputs; ``overlay``
        names among "number", "time" and "scale" (8-bit outputs only);
        ``scale`` "PIXELS=LENGTH" such as "412=10mm"; ``jobs`` threads
        (default one per core); ``bits`` 16 or 8 for PNG. :attr:`rate`, when
        set, is the recording rate.

        Returns an :class:`ExportResult` ``(files, frames, bytes, seconds)``.
        A request the command line refuses raises :class:`ValueError` with
        its text, before anything is written; a failed write raises
        :class:`OSError` with the command line's line. Ctrl-C stops the run
        and raises :class:`KeyboardInterrupt`; no partial file is left under
        a final name (a PNG sequence keeps its complete first files).
        """
        self._check_open()
        if self._note == _NOT_REQUESTED:
            raise ValueError("export writes corrected frames, as quorvane-cli export does; "
                             "open the recording with correction=True")
        return _export.run(self, out, format, first, last, step, crop, fps, quality,
                           display_range, overlay, scale, jobs, bits)

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
        return (open, (self._absolute, self._requested, self._complete_only, self._rate))

    def __dask_tokenize__(self):
        # The same file in the same state gives the same dask key.
        try:
            info = os.stat(self._absolute)
            state = (info.st_ino, info.st_size, info.st_mtime_ns)
        except OSError:
            state = (id(self),)
        return (type(self).__name__, self._absolute, self._requested, self._complete_only) + state


def _make_output_folder(path):
    """Creates the folder that the output argument ``path`` writes into."""
    folder = path if path.endswith(os.sep) or os.path.isdir(path) else os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)


_ERRNO_OF_TEXT = {os.strerror(n): n for n in errno.errorcode}


def _write_errno(reason):
    """The errno behind the converter's reason for a failed write (EIO when it names none)."""
    detail = reason.rpartition(": ")[2]
    if detail.endswith(" does not exist"):
        return errno.ENOENT
    if detail.endswith(" is not a folder"):
        return errno.ENOTDIR
    if detail == "a folder has that name":
        return errno.EISDIR
    return _ERRNO_OF_TEXT.get(detail, errno.EIO)


def _conversion_error(result):
    """The exception for a failed conversion run (``_core.convert`` result)."""
    message = result["message"]
    if not result["failed_file"]:
        return VornError(result["reason"])
    if result["reason"] == "frame could not be read whole":
        return ShortFrameError(message, result["failed_frame"], result["recording"])
    error = OSError(_write_errno(result["reason"]), message, os.fsdecode(result["failed_file"]))
    # None when the run failed before any frame (the output folder).
    error.frame = result["failed_frame"] if result["failed_frame"] >= 0 else None
    return error


def open(path, correction=True, complete_only=False, rate=None):  # noqa: A001 - the package's entry point
    """Opens a VORN recording: ``Recording(path, correction, complete_only, rate)``.

    ``with quorvane.open("shot.vrn") as rec: frame = rec[0]``. With
    ``correction=False`` the fixed-pattern correction is not applied; with
    ``complete_only=True`` a recording whose file was cut off holds only its
    complete frames; ``rate`` (frames per second, e.g. ``50_000`` or
    ``"50k"``) gives the frames their times from the trigger.
    """
    return Recording(path, correction, complete_only, rate)
