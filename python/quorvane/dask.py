# SPDX-License-Identifier: BSD-3-Clause
"""Recordings on Dask: lazy frame arrays and conversion spread over a cluster.

Every task opens the recording it works on itself, by path, so the tasks
run on any scheduler: threads, processes or ``distributed`` workers on other
machines (which then need the same path to reach the file)::

    import quorvane.dask
    frames = quorvane.dask.from_recording("shot.vrn")
    print(frames.mean(axis=0).compute())
    quorvane.dask.convert(["a.vrn", "b.vrn"], "out", client=client)
    quorvane.dask.convert(["a.vrn"], "out", stack=True, manifest=True)
    quorvane.dask.to_zarr("shot.vrn", "shot.zarr", rate=50_000)
"""

import collections
import errno
import os

import dask
import dask.array
from dask.base import tokenize
from dask.highlevelgraph import HighLevelGraph

from . import _core, _indexing
from ._frame_array import FrameArray
from ._recording import Recording, _text_path
from ._time import check_rate
from ._worker_cache import chunk_memory, file_state, recording_facts, recordings

__all__ = ["ConvertResult", "convert", "from_recording", "to_zarr"]


# A chunk's bytes when from_recording chooses the chunks: 64 frames of 1024 x 1024.
_CHUNK_BYTES = 128 << 20


def _read_chunk(path, correction, complete_only, built, start, stop):
    """Frames start..stop - 1 of the recording at ``path``, as the array was built for."""
    key, entry = recordings.take(path, correction, complete_only, built)
    try:
        out = chunk_memory.array((stop - start,) + built["shape"][1:])
        _indexing.read_into(entry[0]._reader, range(start, stop), out)
        return out
    finally:
        recordings.give_back(key, entry)


def from_recording(path, frames_per_chunk=None, correction=True, complete_only=False,
                   rate=None):
    """The frames of a recording as a lazy ``dask.array.Array``.

    ``rate`` is checked as :attr:`quorvane.Recording.rate` is; the frames'
    times come with :func:`quorvane.xarray.open_dataarray`.

    Shape ``(frames, height, width)``, dtype uint16, chunks of
    ``frames_per_chunk`` whole frames (default: about 128 MiB, i.e. 64
    frames of 1024 x 1024). The recording is opened once here for its shape
    (errors as :func:`quorvane.open`); the chunk tasks open it by path
    themselves, so the array computes on any scheduler. Each worker process
    keeps the recordings its tasks opened (one per thread reading at once)
    for later tasks, until the process ends, and each worker thread up to
    two chunk arrays that later chunks are read into once nothing else
    refers to them. The path is made absolute
    first, for workers whose current folder differs.

    Each task checks that the file is still the recording the array was
    built for (geometry, frame count, layout, byte order, correction, size
    and modification time) and raises :class:`quorvane.RecordingChangedError`
    naming what changed; a chunk never holds fewer frames than its shape
    says. ``complete_only=True`` as for :func:`quorvane.open`.

    ``sum(axis=0)`` and ``mean(axis=0)`` of the array itself (other
    arguments left at their defaults) read each chunk frame by frame into
    one small buffer per worker thread and add the frames up there, instead
    of reading whole chunks first; the results equal Dask's own reduction.
    """
    check_rate(rate)
    path = os.path.abspath(_text_path(path))
    correction, complete_only = bool(correction), bool(complete_only)
    state = file_state(path)
    with Recording(path, correction, complete_only) as rec:
        built = dict(recording_facts(rec), **state)
        frames, height, width = rec.shape
    if frames_per_chunk is None:
        frames_per_chunk = min(max(frames, 1), max(1, _CHUNK_BYTES // (2 * height * width)))
    frames_per_chunk = int(frames_per_chunk)
    if frames_per_chunk < 1:
        raise ValueError(f"frames_per_chunk must be at least 1, not {frames_per_chunk}")
    name = "quorvane-frames-" + tokenize(path, built, frames_per_chunk, correction,
                                         complete_only)
    starts = range(0, frames, frames_per_chunk)
    layer = {(name, k, 0, 0): (_read_chunk, path, correction, complete_only, built, start,
                               min(start + frames_per_chunk, frames))
             for k, start in enumerate(starts)}
    chunks = (tuple(min(frames_per_chunk, frames - s) for s in starts), (height,), (width,))
    graph = HighLevelGraph.from_collections(name, layer, dependencies=())
    return FrameArray(graph, name, chunks, (path, correction, complete_only, built))


ConvertResult = collections.namedtuple("ConvertResult", ["path", "frames", "error"])
ConvertResult.__doc__ = """Outcome of one recording in :func:`convert`.

``path`` as given, ``frames`` the number of TIFF files written (the frames
before the first failure; with ``stack``, the pages of the stack, 0 when it
failed), ``error`` None or the line ``quorvane-cli`` would print for the
failure (without its program prefix), also when only the manifest failed."""


def _probe(path, output, manifest):
    """(frame count, None) or (0, why the recording is refused).

    With ``manifest``, a readable recording's earlier manifest goes first, as
    the command line removes it: a manifest stands for a finished run.
    """
    try:
        frames, error = _core.probe(os.fsencode(path))
        if manifest and error is None:
            try:
                os.remove(_core.manifest_name(os.fsencode(path), os.fsencode(output)))
            except FileNotFoundError:
                pass
        return frames, error
    except Exception as e:  # a task must report, not raise
        return 0, f"cannot open {path}: {e}"


def _convert_part(path, output, bits, first, last, hashed=False):
    """Converts frames first..last with one thread.

    (files, failed frame or None, text, manifest entries of the files written).
    """
    try:
        if hashed:
            result, entries = _core.convert_part(os.fsencode(path), os.fsencode(output), bits,
                                                 first, last)
        else:
            result, entries = _core.convert(os.fsencode(path), os.fsencode(output), bits,
                                            first, last, 1), []
    except Exception as e:  # a task must report, not raise
        return 0, first, f"{path}: {e}", []
    if result["status"] != "failed":
        return result["files"], None, None, entries
    return result["files"], result["failed_frame"], result["message"], entries


def _convert_stack(path, output, bits, frames, manifest):
    """The whole recording as one stack, pages in order, in this one task.

    (files, failed frame or None, text, []); a failed manifest gives its text
    with no failed frame.
    """
    try:
        result = _core.convert(os.fsencode(path), os.fsencode(output), bits, 0, frames - 1, 1,
                               stack=True, manifest=manifest)
    except Exception as e:  # a task must report, not raise
        return 0, 0, f"{path}: {e}", []
    if result["status"] == "failed":
        return 0, result["failed_frame"], result["message"], []
    return result["files"], None, result["manifest_error"] or None, []


def _write_manifest(path, output, bits, frames, entries):
    """Writes a recording's manifest once all its frame tasks finished; None or the error."""
    try:
        error = _core.write_manifest(os.fsencode(path), os.fsencode(output), bits, 0,
                                     frames - 1, 1, entries)
    except Exception as e:  # a task must report, not raise
        return f"{path}: {e}"
    return error or None


def _remove(names):
    """Removes files written beyond a recording's first failure."""
    for name in names:
        try:
            os.remove(name)
        except FileNotFoundError:
            pass
    return len(names)


def _names(path, output, first, last):
    names = _core.frame_names(os.fsencode(path), os.fsencode(output), first, last)
    return [os.fsdecode(name) for name in names]


def _run(tasks, client):
    """Results of delayed ``tasks`` in order; a task lost with its worker gives its exception."""
    if not tasks:
        return []
    if client is None:
        return list(dask.compute(*tasks))
    results = []
    for future in client.compute(tasks):
        try:
            results.append(future.result())
        except Exception as e:
            results.append(e)
    return results


def convert(paths, output_dir, bits=16, client=None, frames_per_task=256, stack=False,
            manifest=False):
    """Converts many recordings into ``output_dir``; one result per recording.

    Each recording is split into tasks of at most ``frames_per_task``
    frames; each task writes its files exactly as ``quorvane-cli convert
    FILE -o output_dir/ --bits bits`` does (``output_dir/<name>_NNNNNN.tif``,
    ``<name>`` the recording's file name without its extension). The tasks
    run on ``client`` (a ``distributed.Client``) or, without one, on Dask's
    default scheduler; the frame counts are taken in tasks too, so only the
    workers need to reach the files. A refused or failing recording does not
    stop the others. As with the command line, a recording that fails at
    frame k keeps exactly the files of frames 0..k-1: files that other tasks
    wrote beyond it are removed again.

    ``stack=True`` (``--stack``): each recording becomes one multi-page TIFF
    ``output_dir/<name>.tif``, written by a single task with its pages in
    frame order; it appears only when complete, so a failing recording
    leaves no stack. ``manifest=True`` (``--manifest``): each recording that
    converted gets ``output_dir/<name>.manifest.json`` listing exactly its
    files, written atomically by a final task of that recording once all its
    frame tasks have finished (an earlier manifest of that name is removed
    when the run starts; a failing recording gets none). The manifest
    describes the run as ``quorvane-cli convert FILE -o output_dir/ --bits
    bits --jobs 1 --manifest`` (``--stack`` too with ``stack``), each task
    using one thread; its entries, sizes and hashes are those of the
    command line.

    Recordings that would write the same names (the same file name in two
    folders, or one recording listed twice), or an output that is one of the
    recordings, raise :class:`ValueError` with the command line's text before
    anything runs. Relative paths are made absolute here, before any task runs.

    Returns a list of :class:`ConvertResult` ``(path, frames, error)`` in the
    order of ``paths`` (each as given) (a single path counts as a list of one); with a stack,
    ``frames`` counts its pages (0 when it failed). When only the manifest
    could not be written, ``error`` is the command line's line for that and
    the files stay.
    """
    if bits not in (8, 16) or isinstance(bits, bool):
        raise ValueError(f"bits must be 16 or 8, not {bits!r}")
    frames_per_task = int(frames_per_task)
    if frames_per_task < 1:
        raise ValueError(f"frames_per_task must be at least 1, not {frames_per_task}")
    if isinstance(paths, (str, bytes, os.PathLike)):
        paths = [paths]
    # Absolute here, on the client: workers may run in another folder.
    given = [_text_path(p) for p in paths]
    paths = [os.path.abspath(p) for p in given]
    output = os.path.join(os.path.abspath(_text_path(output_dir)), "")
    stack, manifest = bool(stack), bool(manifest)
    # The command line's batch rules, before any task runs: two recordings
    # of one name, the same recording twice, an output that is an input.
    problem = _core.check_plan([os.fsencode(p) for p in paths], os.fsencode(output), stack,
                               manifest)
    if problem:
        raise ValueError(problem)
    delayed = dask.delayed(pure=False)

    probes = _run([delayed(_probe)(p, output, manifest) for p in paths], client)
    plan, parts = [], []
    for index, (path, probe) in enumerate(zip(paths, probes)):
        frames, error = (0, f"cannot open {path}: {probe}") if isinstance(probe, Exception) \
            else probe
        probes[index] = (frames, error)
        if error is None and stack:
            plan.append((index, 0))
            parts.append(delayed(_convert_stack)(path, output, bits, frames, manifest))
            continue
        for first in range(0, frames if error is None else 0, frames_per_task):
            last = min(first + frames_per_task, frames) - 1
            plan.append((index, first))
            parts.append(delayed(_convert_part)(path, output, bits, first, last, manifest))
    outcomes = _run(parts, client)

    results, finals, owners = [], [], []
    for index, (path, (frames, error)) in enumerate(zip(paths, probes)):
        mine = [(first, (0, first, f"{path}: {o}", []) if isinstance(o, Exception) else o)
                for (owner, first), o in zip(plan, outcomes) if owner == index]
        if stack:
            written = mine[0][1][0] and frames if mine else 0
            error = mine[0][1][2] if mine else error
            results.append(ConvertResult(path, written, error))
            continue
        written = frames if error is None else 0
        for first, (files, failed, text, entries) in mine:
            if failed is not None and failed < written:
                written, error = failed, text
        names = []
        for first, (files, failed, text, entries) in mine:
            if files and first + files - 1 >= written:
                names += _names(path, output, max(first, written), first + files - 1)
        if names:
            finals.append(delayed(_remove)(names))
            owners.append(None)
        elif manifest and error is None:
            entries = [e for first, o in mine for e in o[3]]
            finals.append(delayed(_write_manifest)(path, output, bits, frames, entries))
            owners.append(index)
        results.append(ConvertResult(path, written, error))
    for owner, outcome in zip(owners, _run(finals, client)):
        if owner is not None and outcome is not None:
            text = f"{paths[owner]}: {outcome}" if isinstance(outcome, Exception) else outcome
            results[owner] = results[owner]._replace(error=text)
    return [result._replace(path=path) for result, path in zip(results, given)]


def _zarr_store_exists(store):
    """True when ``store`` (a folder) already holds a Zarr group or array."""
    return any(os.path.exists(os.path.join(store, name)) for name in (".zgroup", ".zarray"))


def _ngff_multiscales(name, rate):
    """OME-NGFF 0.4 ``multiscales`` of a t/y/x image with one resolution level."""
    time = {"name": "t", "type": "time"}
    if rate is not None:
        time["unit"] = "second"
    axes = [time, {"name": "y", "type": "space"}, {"name": "x", "type": "space"}]
    scale = [1.0 / rate if rate is not None else 1.0, 1.0, 1.0]
    return [{
        "version": "0.4",
        "name": name,
        "axes": axes,
        "datasets": [{"path": "0",
                      "coordinateTransformations": [{"type": "scale", "scale": scale}]}],
    }]


def to_zarr(path, store, rate=None, frames_per_chunk=64, overwrite=False):
    """Writes a recording as an OME-NGFF 0.4 image in the Zarr folder ``store``.

    One resolution level, array ``store/0`` of shape ``(frames, height,
    width)``, uint16 holding the corrected 10-bit values, chunks of
    ``frames_per_chunk`` whole frames, written through
    :func:`dask.array.to_zarr` on Dask's current scheduler. The group's
    ``multiscales`` metadata names the axes t (time; unit ``"second"`` when
    ``rate`` is known), y and x (space), with a scale of ``1 / rate``
    seconds per frame (1 without a rate). The metadata is written last, so
    an interrupted write never looks like a whole image.

    An existing ``store`` raises :class:`FileExistsError` unless
    ``overwrite=True``; even then only an earlier Zarr store is replaced,
    never another folder or file. Returns the store's path.
    """
    import zarr

    rate = check_rate(rate)
    frames_per_chunk = int(frames_per_chunk)
    if frames_per_chunk < 1:
        raise ValueError(f"frames_per_chunk must be at least 1, not {frames_per_chunk}")
    store = os.path.abspath(_text_path(store))
    if os.path.lexists(store):
        if not overwrite:
            raise FileExistsError(errno.EEXIST, "the Zarr store exists already; "
                                  "pass overwrite=True to replace it", store)
        if not (os.path.isdir(store) and _zarr_store_exists(store)):
            raise FileExistsError(errno.EEXIST, "not a Zarr store; refusing to replace it",
                                  store)
    frames = from_recording(path, frames_per_chunk=frames_per_chunk)
    # A store object, not a URL: no fsspec needed, and "/" keys as NGFF asks.
    target = zarr.DirectoryStore(store, dimension_separator="/")
    group = zarr.open_group(target, mode="w")
    dask.array.to_zarr(frames, target, component="0")
    name = os.path.splitext(os.path.basename(_text_path(path)))[0]
    group.attrs["multiscales"] = _ngff_multiscales(name, rate)
    return store
