# SPDX-License-Identifier: BSD-3-Clause
"""What a worker process keeps for the chunk tasks of lazy arrays: open
recordings and chunk memory.

Opening a recording (header, correction maps) can cost more than reading a
chunk's frames, so tasks borrow an open recording and give it back. Each
recording is used by one task at a time, so threads of one worker read in
parallel; a worker holds as many as it runs tasks at once. Entries are keyed
by the file's identity and state, so a rewritten file is opened afresh (and
its old entries closed), and everything closes when the process exits.
"""

import atexit
import os
import sys
import threading

import numpy

from ._errors import RecordingChangedError
from ._recording import Recording, _file_identity


def recording_facts(rec):
    """What a chunk task checks about the recording it reads."""
    return {"shape": rec.shape, "layout": rec.layout, "byte order": rec.byte_order,
            "correction": rec.correction}


def file_state(path):
    """The file's size and modification time, as a lazy array records them."""
    info = os.stat(path)
    return {"size": info.st_size, "modification time": info.st_mtime_ns}


class RecordingPool:
    def __init__(self):
        self._lock = threading.Lock()
        self._free = {}  # (path, correction, complete_only, identity) -> [Recording]
        os.register_at_fork(after_in_child=self._after_fork_in_child)
        atexit.register(self.close_all)

    def _after_fork_in_child(self):
        # The lock may have been held by a thread that does not exist here.
        self._lock = threading.Lock()

    def take(self, path, correction, complete_only, built):
        """(key, an open recording at ``path`` that is still what ``built`` describes)."""
        try:
            identity = _file_identity(path)
        except OSError as e:
            raise _changed(path, e.strerror or str(e)) from e
        key = (path, correction, complete_only, identity)
        with self._lock:
            free = self._free.get(key)
            entry = free.pop() if free else None
            stale = [k for k in self._free if k[0] == path and k != key]
            old = [r for k in stale for r, _ in self._free.pop(k)]
        for r in old:
            r.close()
        if entry is None:
            entry = self._open(path, correction, complete_only)
        rec, now = entry
        changes = [f"{what} {built[what]} -> {now[what]}" for what in built
                   if now[what] != built[what]]
        if changes:
            self.give_back(key, entry)
            raise _changed(path, ", ".join(changes))
        return key, entry

    @staticmethod
    def _open(path, correction, complete_only):
        try:
            state = file_state(path)
            rec = Recording(path, correction, complete_only)
        except (OSError, ValueError) as e:
            raise _changed(path, str(e)) from e
        return rec, dict(recording_facts(rec), **state)

    def give_back(self, key, entry):
        """Returns what take() gave, for the next task."""
        with self._lock:
            self._free.setdefault(key, []).append(entry)

    def close_all(self):
        with self._lock:
            everything = [r for free in self._free.values() for r, _ in free]
            self._free.clear()
        for rec in everything:
            rec.close()


def _changed(path, what):
    error = RecordingChangedError(f"{path}: the recording changed since the array was built "
                                  f"({what})")
    error.filename = path
    return error


class ChunkMemory:
    """Chunk arrays of each worker thread, reused once nothing else refers to them.

    A fresh chunk of 128 MiB costs as much in page faults and zeroing as
    decoding its frames. A reduction drops each chunk as soon as it has
    folded it in, so a thread's next task finds its array free again and
    reads into memory that is already mapped. An array that anyone still
    holds (a result, a view of it, a chunk waiting in the scheduler) is never
    handed out again. Each thread keeps at most ``keep`` arrays, none larger
    than ``largest`` bytes: a caller who chose huge chunks gets them fresh.
    """

    def __init__(self, keep=2, largest=256 << 20):
        self._keep = keep
        self._largest = largest
        self._local = threading.local()

    def array(self, shape, dtype=numpy.uint16):
        """An array of ``shape`` and ``dtype`` that no one else refers to; stale contents."""
        kept = self._local.__dict__.setdefault("arrays", [])
        spare = None
        for n in range(len(kept)):
            # Only this thread sees the list, so no one can take a new
            # reference to a free array meanwhile.
            if _references(kept, n) == _ALONE:
                if kept[n].shape == shape and kept[n].dtype == dtype:
                    return kept[n]
                spare = n
        fresh = numpy.empty(shape, dtype)
        if fresh.nbytes > self._largest:
            pass
        elif len(kept) < self._keep:
            kept.append(fresh)
        elif spare is not None:
            kept[spare] = fresh
        return fresh


def _references(items, n):
    return sys.getrefcount(items[n])


# What _references counts for an object that only its list refers to (the
# interpreter's own temporary references included).
_ALONE = _references([object()], 0)

recordings = RecordingPool()
chunk_memory = ChunkMemory()
# For tasks that sum frames: a frame and its running sum per worker thread,
# and partial sums.
frame_memory = ChunkMemory(keep=2)
sum_memory = ChunkMemory(keep=2)
