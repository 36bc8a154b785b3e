# SPDX-License-Identifier: BSD-3-Clause
"""Frames of VORN high-speed recordings (.vrn) as numpy arrays.

Frames are decoded and corrected by the same code as the Quorvane viewer
and ``quorvane-cli``::

    import quorvane
    with quorvane.open("shot.vrn") as rec:
        print(rec.shape, rec.correction)      # (frames, height, width)
        frame = rec[5]                        # uint16 (height, width), 0..1023
        mean = sum(f.mean() for f in rec) / len(rec)
        rec.to_tiff("out/shot.tif", makedirs=True)  # the files quorvane-cli convert writes

:func:`open` returns a :class:`Recording`. Errors: :class:`VornError` for a
file the reader refuses, :class:`RecordingChangedError` for a file rewritten
since it was opened, :class:`OSError` subclasses for paths that cannot be
opened, :class:`ShortFrameError` for a frame cut short. ``quorvane.dask``
spreads reading and converting over a Dask scheduler.

Frames keep their zero-based index; ``rec.frame_numbers`` are the numbers the
camera counted from the trigger, and with ``quorvane.open(path, rate=50_000)``
``rec.times`` are seconds from the trigger. ``quorvane.xarray`` gives a
recording as a labelled lazy ``xarray.DataArray``.
"""

from . import _core
from ._export import ExportResult
from ._errors import RecordingChangedError, ShortFrameError, VornError
from ._recording import Recording, open

__version__ = _core.version

# `open` stays out of __all__: a star import must not hide the built-in open().
__all__ = ["ExportResult", "Recording", "RecordingChangedError", "ShortFrameError", "VornError"]

# help() and tracebacks show the public names where users find them.
Recording.__module__ = open.__module__ = __name__
