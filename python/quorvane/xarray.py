# SPDX-License-Identifier: BSD-3-Clause
"""A recording as a labelled, lazy ``xarray.DataArray``::

    import quorvane.xarray
    da = quorvane.xarray.open_dataarray("shot.vrn", rate=50_000)
    da.sel(time=slice(-1e-3, 1e-3)).mean("time").compute()

Frames are read by :func:`quorvane.dask.from_recording`, so nothing is read
until computed. Needs Debian's ``python3-xarray`` (and ``python3-dask``).
"""

import json
import os

try:
    import xarray as _xr
except ImportError as error:  # pragma: no cover - depends on the installation
    raise ImportError("quorvane.xarray needs xarray: install the Debian package "
                      "python3-xarray") from error

import numpy

from . import _core
from ._recording import Recording, _text_path
from ._time import check_rate
from .dask import from_recording

__all__ = ["open_dataarray"]


def open_dataarray(path, rate=None, frames_per_chunk=64, correction=True):
    """The frames of a recording as a dask-backed ``xarray.DataArray``.

    Dimensions ``("time", "y", "x")`` when ``rate`` (frames per second) is
    given, else ``("frame", "y", "x")``. Coordinates along the first: ``index``
    (zero-based), ``number`` (the recorded frame number, 0 at the trigger)
    and, with a rate, ``time`` (seconds from the trigger). ``attrs`` hold what
    ``quorvane-cli info --json [--rate]`` prints, with the same keys.
    """
    rate = check_rate(rate)
    path = os.path.abspath(_text_path(path))
    frames = from_recording(path, frames_per_chunk=frames_per_chunk, correction=correction,
                            rate=rate)
    with Recording(path, correction, rate=rate) as rec:
        dim = "frame" if rate is None else "time"
        coords = {"index": (dim, numpy.arange(len(rec), dtype=numpy.int64)),
                  "number": (dim, rec.frame_numbers)}
        if rate is not None:
            coords["time"] = (dim, rec.times, {"units": "s"})
    attrs = json.loads(_core.info_json(os.fsencode(path), rate))
    name = os.path.splitext(os.path.basename(path))[0]
    return _xr.DataArray(frames, dims=(dim, "y", "x"), coords=coords, attrs=attrs, name=name)
