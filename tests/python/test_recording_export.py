# SPDX-License-Identifier: BSD-3-Clause
"""Recording.export: files read back, refusals, and Ctrl-C as a cancel."""

import os
import signal
import struct
import threading
import time
import zlib

import numpy
import pytest

import quorvane
from conftest import write

tifffile = pytest.importorskip("tifffile")


def read_png(path):
    """Samples and tEXt entries of a grey PNG (8 or 16 bits, not interlaced)."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, text = 8, b"", {}
    while pos < len(data):
        (length,), kind = struct.unpack(">I", data[pos:pos + 4]), data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, bits, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert colour == 0 and interlace == 0
        elif kind == b"IDAT":
            idat += body
        elif kind == b"tEXt":
            key, value = body.split(b"\0", 1)
            text[key.decode()] = value.decode()
        pos += 12 + length
    bpp = bits // 8
    stride = width * bpp
    raw = zlib.decompress(idat)
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - bpp] if i >= bpp else 0
            b, c = previous[i], previous[i - bpp] if i >= bpp else 0
            p = a + b - c
            predictor = [0, a, b, (a + b) // 2,
                         a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c)
                         else b if abs(p - b) <= abs(p - c) else c][kind]
            row[i] = (row[i] + predictor) & 0xFF
        rows.append(bytes(row))
        previous = row
    dtype = ">u2" if bits == 16 else "u1"
    return numpy.frombuffer(b"".join(rows), dtype).reshape(height, width), text


@pytest.fixture(scope="module")
def shot(tmp_path_factory):
    return write(tmp_path_factory.mktemp("export") / "shot.vrn", width=48, height=20, frames=7,
                 kind=6, first_frame=-3)


@pytest.mark.parametrize("options, frames, crop", [
    (dict(), range(7), None),
    (dict(first=1, last=-2, step=2, crop=(4, 2, 16, 10)), [1, 3, 5], (4, 2, 16, 10)),
    (dict(first="#0", crop="0,5,48,15", jobs=1), [3, 4, 5, 6], (0, 5, 48, 15)),
])
def test_png_sequence_reads_back(shot, tmp_path, options, frames, crop):
    with quorvane.open(shot, rate=1000) as rec:
        result = rec.export(tmp_path / "s.png", **options)
        expected = [rec[i] for i in frames]
    assert result.files == [str(tmp_path / f"s_{i:06d}.png") for i in frames]
    assert result.frames == len(frames) and result.bytes == sum(map(os.path.getsize,
                                                                    result.files))
    assert sorted(os.listdir(tmp_path)) == [os.path.basename(f) for f in result.files]
    for name, frame, index in zip(result.files, expected, frames):
        samples, text = read_png(name)
        if crop:
            x, y, w, h = crop
            frame = frame[y:y + h, x:x + w]
        numpy.testing.assert_array_equal(samples, frame)
        assert text["frame"] == str(index)


def test_ome_tiff_and_eight_bit_png(shot, tmp_path):
    with quorvane.open(shot) as rec:
        (stack,) = rec.export(tmp_path / "s.ome.tif", first=2, last=4).files
        numpy.testing.assert_array_equal(tifffile.imread(stack), rec[2:5])
        result = rec.export(tmp_path / "e.png", format="png", bits=8, last=0,
                            display_range=(0, 1023))
        samples, _ = read_png(result.files[0])
        assert samples.dtype == numpy.uint8
        numpy.testing.assert_array_equal(samples, (rec[0] >> 2).astype(numpy.uint8))


@pytest.mark.parametrize("options, words", [
    (dict(crop=(40, 0, 16, 10)), "48"),          # outside the 48 x 20 frame
    (dict(format="gif"), "mp4, mkv"),
    (dict(display_range="bright"), "standard, auto"),
    (dict(display_range=(1, 2, 3)), "2 items"),
    (dict(overlay=("number", "colour")), "number, time and scale"),
    (dict(scale="ten=mm"), ""),
    (dict(step=0), ""),
])
def test_refusals_write_nothing(shot, tmp_path, options, words):
    with quorvane.open(shot) as rec:
        with pytest.raises(ValueError, match=words):
            rec.export(tmp_path / "s.png", **options)
        with pytest.raises(ValueError):
            rec.export(tmp_path / "s.xyz")  # no format and an unknown extension
        with pytest.raises(ValueError, match="correction"):
            quorvane.open(shot, correction=False).export(tmp_path / "s.png")
    assert os.listdir(tmp_path) == []


def test_ctrl_c_cancels_and_leaves_no_stack(tmp_path):
    path = write(tmp_path / "long.vrn", width=256, height=128, frames=3000)
    out = tmp_path / "out"
    out.mkdir()

    def interrupt_once_writing():
        deadline = time.monotonic() + 30
        while not os.listdir(out) and time.monotonic() < deadline:
            time.sleep(0.001)
        signal.pthread_kill(threading.main_thread().ident, signal.SIGINT)

    with quorvane.open(path) as rec:
        threading.Thread(target=interrupt_once_writing, daemon=True).start()
        with pytest.raises(KeyboardInterrupt):
            rec.export(out / "s.ome.tif", jobs=1)
    assert os.listdir(out) == []
