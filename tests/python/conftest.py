# SPDX-License-Identifier: BSD-3-Clause
"""Shared fixtures: recordings written by the library's writer, the CLI, a TIFF reader."""

import os
import struct
import subprocess

import numpy
import pytest

import _vorn_test_writer

CLI = os.environ.get("QUORVANE_CLI", "quorvane-cli")

# name: writer arguments and what the recording must report.
VARIANTS = {
    "lanes-le-kind6": dict(args=dict(width=64, height=32, frames=5, kind=6),
                           layout="lanes", byte_order="little", correction="offset-gain",
                           note=None),
    "quadrants-be-kind3": dict(args=dict(width=64, height=32, frames=4, quadrants=True,
                                         big_endian=True, kind=3, first_frame=-2),
                               layout="quadrants", byte_order="big", correction="offset",
                               note=None),
    "lanes-be-padded": dict(args=dict(width=48, height=20, frames=4, big_endian=True,
                                      stride=48 * 20 * 10 // 8 + 96),
                            layout="lanes", byte_order="big", correction="none", note=None),
    "quadrants-le-kind6-padded": dict(args=dict(width=32, height=32, frames=3, quadrants=True,
                                                kind=6, stride=32 * 32 * 10 // 8 + 40,
                                                model="trq2"),
                                      layout="quadrants", byte_order="little",
                                      correction="offset-gain", note=None),
    "unknown-kind": dict(args=dict(width=32, height=16, frames=2, kind=4),
                         layout="lanes", byte_order="little", correction="none",
                         note="unknown correction kind 4"),
}


def write(path, **args):
    """Writes a recording with the library's writer and returns its path as str."""
    assert _vorn_test_writer.write(str(path), **args)
    return str(path)


@pytest.fixture(scope="session")
def recordings(tmp_path_factory):
    """name -> path of every variant."""
    folder = tmp_path_factory.mktemp("recordings")
    return {name: write(folder / f"{name}.vrn", **v["args"]) for name, v in VARIANTS.items()}


@pytest.fixture(scope="session")
def cut_recording(tmp_path_factory):
    """Five 32 x 32 lane frames, the file ending in the middle of frame 3."""
    path = write(tmp_path_factory.mktemp("cut") / "cut.vrn", width=32, height=32, frames=5,
                 kind=6)
    size = os.path.getsize(path)
    os.truncate(path, size - 32 * 32 * 10 // 8 * 3 // 2)
    return path


def run_cli(*args):
    """Runs quorvane-cli; returns the completed process."""
    return subprocess.run([CLI, *map(str, args)], capture_output=True, text=True, check=False)


def tiff_samples(path):
    """Samples of a one-strip little-endian grey TIFF as written by the converter."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:4] == b"II*\0"
    (ifd,) = struct.unpack_from("<I", data, 4)
    (count,) = struct.unpack_from("<H", data, ifd)
    tags = {}
    for k in range(count):
        tag, kind, n, value = struct.unpack_from("<HHII", data, ifd + 2 + 12 * k)
        tags[tag] = value & 0xFFFF if kind == 3 else value
    width, height, bits = tags[256], tags[257], tags[258]
    dtype = numpy.dtype("<u2") if bits == 16 else numpy.dtype("u1")
    strip = numpy.frombuffer(data, dtype, width * height, tags[273])
    return strip.reshape(height, width)
