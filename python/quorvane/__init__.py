# SPDX-License-Identifier: BSD-3-Clause
"""Frames of VORN high-speed recordings (.vrn) as numpy arrays.

Frames are decoded and corrected by the same code as the Quorvane viewer
and ``quorvane-cli``::

    import quorvane
    with quorvane.open("shot.vrn") as rec:
        print(rec.shape, rec.correction)      # (frames, height, width)
        frame = rec[5]                        # uint16 (height, width), 0..1023
        mean = sum(f.mean() for f in rec) / len(rec)
        rec.to_tiff("out/shot.tif")           # the files quorvane-cli convert writes

:func:`open` returns a :class:`Recording`. Errors: :class:`VornError` for a
file the reader refuses, :class:`OSError` subclasses for paths that cannot
be opened, :class:`ShortFrameError` for a frame cut short. ``quorvane.dask``
spreads reading and converting over a Dask scheduler.
"""

from ._errors import ShortFrameError, VornError
from ._recording import Recording, open

__all__ = ["Recording", "ShortFrameError", "VornError", "open"]

# help() and tracebacks show the public names where users find them.
Recording.__module__ = open.__module__ = __name__
