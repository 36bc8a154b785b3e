# SPDX-License-Identifier: BSD-3-Clause
"""quorvane.Recording against the command line's output and its own contract."""

import filecmp
import os
import pickle
import threading

import numpy
import pytest

import quorvane
from conftest import VARIANTS, run_cli, tiff_samples, write


@pytest.mark.parametrize("name", sorted(VARIANTS))
def test_attributes_describe_the_recording(recordings, name):
    variant = VARIANTS[name]
    args = variant["args"]
    with quorvane.open(recordings[name]) as rec:
        assert rec.shape == (args["frames"], args["height"], args["width"])
        assert len(rec) == args["frames"]
        assert (rec.width, rec.height) == (args["width"], args["height"])
        assert rec.dtype == numpy.dtype("uint16")
        assert rec.path == recordings[name]
        assert rec.layout == variant["layout"]
        assert rec.byte_order == variant["byte_order"]
        assert rec.correction == variant["correction"]
        assert rec.correction_note == variant["note"]
        first = args.get("first_frame", 0)
        assert (rec.first_frame_number, rec.last_frame_number) == (first,
                                                                   first + args["frames"] - 1)
        assert rec.calibration == 30
        expected_model = args.get("model", "trq1" if args.get("quadrants") else "lnc1")
        assert rec.model == expected_model.encode()
        assert not rec.closed
    assert rec.closed


@pytest.mark.parametrize("name", sorted(VARIANTS))
def test_frames_and_to_tiff_match_the_cli(recordings, name, tmp_path):
    path = recordings[name]
    cli_out, py_out = tmp_path / "cli", tmp_path / "py"
    cli_out.mkdir()
    py_out.mkdir()
    done = run_cli("convert", path, "-o", cli_out / "x.tif", "--quiet")
    assert done.returncode == 0, done.stderr
    with quorvane.open(path) as rec:
        for i in range(len(rec)):
            frame = rec[i]
            assert frame.flags.c_contiguous and frame.dtype == numpy.uint16
            assert frame.max() <= 1023
            numpy.testing.assert_array_equal(frame, tiff_samples(cli_out / f"x_{i:06d}.tif"))
        written = rec.to_tiff(py_out / "x.tif", jobs=2)
        assert written == [str(py_out / f"x_{i:06d}.tif") for i in range(len(rec))]
        match, mismatch, errors = filecmp.cmpfiles(cli_out, py_out, os.listdir(cli_out),
                                                   shallow=False)
        assert (mismatch, errors) == ([], [])
        assert sorted(os.listdir(py_out)) == sorted(os.listdir(cli_out))


def test_to_tiff_range_bits_and_folder_match_the_cli(recordings, tmp_path):
    path = recordings["lanes-le-kind6"]
    (tmp_path / "cli").mkdir()
    (tmp_path / "py").mkdir()
    done = run_cli("convert", path, "-o", tmp_path / "cli", "--bits", "8", "--first", "1",
                   "--last", "3", "--quiet")
    assert done.returncode == 0, done.stderr
    with quorvane.open(path) as rec:
        written = rec.to_tiff(tmp_path / "py", first=1, last=-2, bits=8, jobs=1)
    names = [f"lanes-le-kind6_{i:06d}.tif" for i in (1, 2, 3)]
    assert [os.path.basename(p) for p in written] == names
    assert sorted(os.listdir(tmp_path / "cli")) == names
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "py", names, shallow=False)[0] == names


def test_slices_follow_python_sequences(recordings):
    with quorvane.open(recordings["lanes-le-kind6"]) as rec:
        frames = numpy.stack([rec[i] for i in range(len(rec))])
        for key in [slice(None), slice(1, 4), slice(None, None, 2), slice(None, None, -1),
                    slice(-2, None), slice(4, 0, -2), slice(10, 20), slice(3, 1)]:
            part = rec[key]
            numpy.testing.assert_array_equal(part, frames[key])
            assert part.shape[1:] == (32, 64) and part.flags.c_contiguous
        numpy.testing.assert_array_equal(rec[-1], frames[4])
        numpy.testing.assert_array_equal(rec[-5], frames[0])
        numpy.testing.assert_array_equal(rec[numpy.int64(2)], frames[2])
        numpy.testing.assert_array_equal(rec[1:3, 5, ::2], frames[1:3, 5, ::2])
        numpy.testing.assert_array_equal(rec[2, 4:6], frames[2, 4:6])
        for bad in (5, -6, 2**40):
            with pytest.raises(IndexError):
                rec[bad]
            with pytest.raises(IndexError):
                rec.read(bad, numpy.empty((32, 64), numpy.uint16))
        for bad in (1.0, "1", None):
            with pytest.raises(TypeError):
                rec[bad]


def test_read_into_out(recordings):
    with quorvane.open(recordings["quadrants-be-kind3"]) as rec:
        buf = numpy.full((32, 64), 0xFFFF, numpy.uint16)
        assert rec.read(2, out=buf) is buf
        numpy.testing.assert_array_equal(buf, rec[2])
        stack = numpy.zeros((3, 32, 64), numpy.uint16)
        rec.read(-1, stack[1])
        numpy.testing.assert_array_equal(stack[1], rec[3])
        assert not stack[0].any() and not stack[2].any()

        read_only = numpy.zeros((32, 64), numpy.uint16)
        read_only.flags.writeable = False
        wrong = {
            TypeError: [numpy.zeros((32, 64), numpy.int16), numpy.zeros((32, 64), ">u2"),
                        numpy.zeros((32, 64), numpy.float32), [[0] * 64] * 32, b"\0" * 4096],
            ValueError: [numpy.zeros((64, 32), numpy.uint16), numpy.zeros(2048, numpy.uint16),
                         numpy.zeros((1, 32, 64), numpy.uint16),
                         numpy.zeros((32, 64), numpy.uint16, order="F"),
                         numpy.zeros((32, 128), numpy.uint16)[:, ::2],
                         numpy.frombuffer(bytearray(4097), numpy.uint16, 2048, 1).reshape(32, 64),
                         read_only],
        }
        for error, outs in wrong.items():
            for out in outs:
                with pytest.raises(error):
                    rec.read(0, out)
        assert not read_only.any()


def test_refusals_raise_the_matching_errors(recordings, cut_recording, tmp_path):
    with pytest.raises(FileNotFoundError):
        quorvane.open(tmp_path / "missing.vrn")
    with pytest.raises(IsADirectoryError):
        quorvane.open(tmp_path)
    junk = tmp_path / "junk.vrn"
    junk.write_bytes(b"NOPE" + bytes(400))
    with pytest.raises(quorvane.VornError) as refused:
        quorvane.open(junk)
    assert str(refused.value) == "not a VORN recording" and refused.value.filename == str(junk)
    assert isinstance(refused.value, ValueError)
    done = run_cli("convert", junk, "-o", tmp_path / "j.tif")
    assert done.stderr.strip().endswith(": " + str(refused.value))

    short = tmp_path / "short.vrn"
    short.write_bytes(b"VORN" + bytes(100))
    with pytest.raises(quorvane.VornError, match="file too short for a VORN header"):
        quorvane.open(short)

    if os.geteuid() != 0:
        locked = tmp_path / "locked.vrn"
        locked.write_bytes(open(recordings["unknown-kind"], "rb").read())
        locked.chmod(0)
        with pytest.raises(PermissionError):
            quorvane.open(locked)

    with quorvane.open(cut_recording) as rec:
        rec[2]
        for index in (3, 4):
            with pytest.raises(quorvane.ShortFrameError) as cut:
                rec[index]
            assert isinstance(cut.value, OSError)
            assert cut.value.frame == index and f"frame {index}" in str(cut.value)
        with pytest.raises(quorvane.ShortFrameError):
            rec[1:5]
        rec[2]  # the reader recovers after a short frame


def test_close_and_with(recordings):
    rec = quorvane.open(recordings["lanes-be-padded"])
    with rec as same:
        assert same is rec
        first = rec[0]
    assert rec.closed
    for use in (lambda: rec[0], lambda: rec[0:2], lambda: rec.read(0, first), lambda: list(rec),
                lambda: rec.to_tiff("x.tif")):
        with pytest.raises(ValueError):
            use()
    rec.close()
    assert rec.shape == (4, 20, 48)  # the description stays


def test_pickling_reopens_with_the_same_choice(recordings):
    path = recordings["lanes-le-kind6"]
    with quorvane.open(path) as rec, quorvane.open(path, correction=False) as raw:
        assert raw.correction == "none"
        assert raw.correction_note == "correction not requested"
        assert (raw[1] != rec[1]).any()
        for original in (rec, raw):
            copy = pickle.loads(pickle.dumps(original))
            with copy:
                assert copy.path == original.path
                assert copy.correction == original.correction
                numpy.testing.assert_array_equal(copy[1], original[1])
        with pytest.raises(ValueError, match="correction=True"):
            raw.to_tiff("never.tif")
    error = pickle.loads(pickle.dumps(quorvane.ShortFrameError("x: frame 3", 3)))
    assert error.frame == 3 and str(error) == "x: frame 3"


def test_iteration_reads_sequentially(recordings):
    with quorvane.open(recordings["quadrants-le-kind6-padded"]) as rec:
        seeks = rec._reader.seek_count
        frames = list(rec)
        assert rec._reader.seek_count - seeks == 1
        assert len(frames) == 3
        for i, frame in enumerate(frames):
            numpy.testing.assert_array_equal(frame, rec[i])


def test_threads_share_one_recording_and_read_several(recordings):
    with quorvane.open(recordings["lanes-le-kind6"]) as rec, \
            quorvane.open(recordings["quadrants-be-kind3"]) as other:
        expected = {id(r): [r[i] for i in range(len(r))] for r in (rec, other)}
        failures = []

        def reader(r, seed):
            order = numpy.random.default_rng(seed).integers(0, len(r), 200)
            buf = numpy.empty(r.shape[1:], numpy.uint16)
            for i in order:
                got = r[int(i)] if i % 2 else r.read(int(i), buf)
                if not numpy.array_equal(got, expected[id(r)][i]):
                    failures.append((r.path, int(i)))

        threads = [threading.Thread(target=reader, args=(r, k))
                   for k, r in enumerate([rec, rec, rec, other, other])]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert failures == []


def test_to_tiff_failures_keep_the_frames_before(recordings, cut_recording, tmp_path):
    with quorvane.open(recordings["lanes-le-kind6"]) as rec:
        with pytest.raises(OSError) as missing:
            rec.to_tiff(tmp_path / "absent" / "x.tif")
        done = run_cli("convert", rec.path, "-o", tmp_path / "absent" / "x.tif")
        assert done.returncode == 2
        assert done.stderr.splitlines()[0] == "quorvane-cli: " + missing.value.strerror
        assert not (tmp_path / "absent").exists()

        (tmp_path / "out" / "x_000002.tif").mkdir(parents=True)
        with pytest.raises(OSError) as blocked:
            rec.to_tiff(tmp_path / "out" / "x.tif", jobs=2)
        assert f"frame 2 ({tmp_path}/out/x_000002.tif)" in str(blocked.value)
        assert sorted(os.listdir(tmp_path / "out")) == ["x_000000.tif", "x_000001.tif",
                                                      "x_000002.tif"]
        numpy.testing.assert_array_equal(tiff_samples(tmp_path / "out" / "x_000001.tif"), rec[1])
        with pytest.raises(ValueError):
            rec.to_tiff(tmp_path / "x.tif", bits=12)
        with pytest.raises(ValueError):
            rec.to_tiff(tmp_path / "x.tif", first=3, last=1)
        with pytest.raises(IndexError):
            rec.to_tiff(tmp_path / "x.tif", last=5)

    (tmp_path / "cut").mkdir()
    with quorvane.open(cut_recording) as rec:
        with pytest.raises(quorvane.ShortFrameError) as cut:
            rec.to_tiff(tmp_path / "cut" / "c.tif", jobs=2)
        assert cut.value.frame == 3
    assert sorted(os.listdir(tmp_path / "cut")) == [f"c_{i:06d}.tif" for i in range(3)]


def test_correction_false_reads_the_stored_samples(tmp_path):
    path = write(tmp_path / "plain.vrn", width=32, height=32, frames=2)
    with quorvane.open(path) as rec, quorvane.open(path, correction=False) as raw:
        assert rec.correction_note is None and raw.correction_note is None
        numpy.testing.assert_array_equal(rec[:], raw[:])
        assert raw.to_tiff(tmp_path / "p.tif") == [str(tmp_path / f"p_{i:06d}.tif")
                                                   for i in (0, 1)]


def test_help_reads_well():
    for item in (quorvane, quorvane.open, quorvane.Recording, quorvane.Recording.read,
                 quorvane.Recording.to_tiff, quorvane.Recording.shape, quorvane.VornError,
                 quorvane.ShortFrameError):
        assert item.__doc__ and len(item.__doc__.strip()) > 20, item


def test_to_tiff_of_a_recording_removed_since_it_was_opened(tmp_path):
    path = write(tmp_path / "gone.vrn", width=32, height=32, frames=2)
    with quorvane.open(path) as rec:
        os.remove(path)
        numpy.testing.assert_array_equal(rec[1], rec[1])  # the open file still reads
        with pytest.raises(FileNotFoundError):
            rec.to_tiff(tmp_path / "g.tif")
    assert not any(name.endswith(".tif") for name in os.listdir(tmp_path))
