# SPDX-License-Identifier: BSD-3-Clause
"""Recordings kept open by a worker process for the chunk tasks of lazy arrays.

Opening a recording (header, correction maps) can cost more than reading a
chunk's frames, so tasks borrow an open recording and give it back. Each
recording is used by one task at a time, so threads of one worker read in
parallel; a worker holds as many as it runs tasks at once. Entries are keyed
by the file's identity and state, so a rewritten file is opened afresh (and
its old entries closed), and everything closes when the process exits.
"""

import atexit
import os
import threading

from ._errors import RecordingChangedError
from ._recording import Recording


def recording_facts(rec):
    """What a chunk task checks about the recording it reads."""
    return {"shape": rec.shape, "layout": rec.layout, "byte order": rec.byte_order,
            "correction": rec.correction}


def file_state(path):
    """The file's size and modification time, as a lazy array records them."""
    info = os.stat(path)
    return {"size": info.st_size, "modification time": info.st_mtime_ns}


def _identity(path):
    info = os.stat(path)
    return info.st_dev, info.st_ino, info.st_size, info.st_mtime_ns


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
            identity = _identity(path)
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


recordings = RecordingPool()
