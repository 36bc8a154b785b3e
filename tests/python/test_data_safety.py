# SPDX-License-Identifier: BSD-3-Clause
"""What the package must never do to data: write over its input, mix two
recordings in one folder, open the wrong file, leave temporaries behind."""

import os
import signal
import subprocess
import sys
import time

import pytest

import quorvane
import quorvane.dask
from conftest import write


def small(path, frames=4):
    return write(path, width=16, height=8, frames=frames, kind=0)


@pytest.mark.parametrize("link", [None, "hard", "symbolic"])
def test_to_tiff_never_writes_over_its_recording(tmp_path, link):
    rec_path = small(tmp_path / "shot.vrn")
    target = rec_path
    if link:
        target = str(tmp_path / "x.tif")
        (os.link if link == "hard" else os.symlink)(rec_path, target)
    before = open(rec_path, "rb").read()
    with quorvane.open(rec_path) as rec:
        with pytest.raises(ValueError, match="would overwrite the recording"):
            rec.to_tiff(target, stack=True)
    assert open(rec_path, "rb").read() == before


def test_dask_convert_plans_the_batch_as_the_cli_does(tmp_path):
    (tmp_path / "d1").mkdir()
    (tmp_path / "d2").mkdir()
    out = tmp_path / "out"
    out.mkdir()
    a = small(tmp_path / "d1" / "shot.vrn")
    b = small(tmp_path / "d2" / "shot.vrn", frames=6)
    for paths in ([a, b], [a, a]):
        with pytest.raises(ValueError, match=r"would both write shot_\*\.tif"):
            quorvane.dask.convert(paths, out)
    assert os.listdir(out) == []


@pytest.mark.parametrize("call", [
    lambda d, rec: quorvane.open(rec + "\0x"),
    lambda d, rec: quorvane.open(rec).to_tiff(str(d / "nul" / "x\0y.tif"), jobs=2),
    lambda d, rec: quorvane.dask.convert([rec + "\0"], d),
])
def test_a_path_with_a_nul_is_refused(tmp_path, call):
    rec = small(tmp_path / "a.vrn")
    (tmp_path / "nul").mkdir()
    with pytest.raises(ValueError, match="embedded null byte"):
        call(tmp_path, rec)
    assert os.listdir(tmp_path / "nul") == []


def test_special_files_are_refused_before_they_are_opened(tmp_path):
    import socket
    fifo = tmp_path / "f.vrn"
    os.mkfifo(fifo)
    server = socket.socket(socket.AF_UNIX)
    server.bind(str(tmp_path / "s.vrn"))
    try:
        for path in (fifo, tmp_path / "s.vrn"):
            with pytest.raises(quorvane.VornError, match="not a regular file"):
                quorvane.open(path)
    finally:
        server.close()


def test_a_huge_step_is_an_ordinary_slice(tmp_path):
    with quorvane.open(small(tmp_path / "a.vrn")) as rec:
        for key in (slice(None, None, 2 ** 70), slice(None, None, -2 ** 70)):
            picked = rec[key]
            assert picked.shape == (1, 8, 16)
            assert (picked[0] == rec[key.indices(len(rec))[0]]).all()


TERMINATED = """
import sys, quorvane
quorvane.open(sys.argv[1]).to_tiff(sys.argv[2], jobs=2)
"""


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGHUP])
def test_termination_during_to_tiff_cleans_up_then_ends_by_the_signal(tmp_path, sig):
    # Long enough that the run cannot finish between the first files and the
    # signal, even on a loaded machine.
    rec = write(tmp_path / "big.vrn", width=256, height=256, frames=2000, kind=0)
    out = tmp_path / "out"
    out.mkdir()
    child = subprocess.Popen([sys.executable, "-c", TERMINATED, rec, str(out / "x.tif")],
                             env=dict(os.environ))
    deadline = time.monotonic() + 60
    while len(os.listdir(out)) < 5 and time.monotonic() < deadline and child.poll() is None:
        time.sleep(0.01)
    child.send_signal(sig)
    assert child.wait(60) == -sig
    names = sorted(os.listdir(out))
    assert not [n for n in names if n.startswith(".")]
    assert names == [f"x_{i:06d}.tif" for i in range(len(names))]
    assert 0 < len(names) < 2000
    assert len({os.path.getsize(out / n) for n in names}) == 1


def _replace_by_rename(path):
    other = small(path + ".new", frames=6)
    os.replace(other, path)


def _rewrite_in_place(path):
    with open(path, "r+b") as f:
        f.truncate(os.path.getsize(path) - 16 * 8 * 10 // 8)
    os.utime(path, ns=(1, 1))


@pytest.mark.parametrize("change", [_replace_by_rename, _rewrite_in_place])
@pytest.mark.parametrize("work", ["region_stats", "export"])
def test_work_that_reopens_the_path_refuses_a_changed_file(tmp_path, change, work):
    path = small(str(tmp_path / "shot.vrn"))
    run = {"region_stats": lambda rec: rec.region_stats(0, 0, 4, 4),
           "export": lambda rec: rec.export(str(tmp_path / "out.ome.tif"))}[work]
    with quorvane.open(path) as rec:
        change(path)
        with pytest.raises(quorvane.RecordingChangedError) as caught:
            run(rec)
    assert caught.value.filename == path
    assert not os.path.exists(tmp_path / "out.ome.tif")


def test_export_after_a_change_of_folder_reads_the_file_it_opened(tmp_path, monkeypatch):
    path = small(str(tmp_path / "shot.vrn"))
    monkeypatch.chdir(tmp_path)
    with quorvane.open("shot.vrn") as rec:
        expected = rec[:]
        monkeypatch.chdir("/")
        result = rec.export(str(tmp_path / "out.ome.tif"))
        assert result.frames == len(rec)
        assert rec.region_stats(0, 0, 16, 8)["max"].tolist() == expected.max(axis=(1, 2)).tolist()
