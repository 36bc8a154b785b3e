# SPDX-License-Identifier: BSD-3-Clause
"""quorvane.dask on a real distributed cluster of two worker processes."""

import filecmp
import json
import os

import numpy
import pytest

import quorvane
import quorvane.dask
from conftest import run_cli, write

distributed = pytest.importorskip("distributed")


def test_convert_on_the_default_scheduler_with_8_bits(tmp_path):
    # First in the file: no distributed client exists yet, so this runs on
    # the local threaded scheduler.
    path = write(tmp_path / "s.take.vrn", width=32, height=16, frames=5)
    (tmp_path / "out").mkdir()
    results = quorvane.dask.convert([path], tmp_path / "out", bits=8, frames_per_task=2)
    assert results == [quorvane.dask.ConvertResult(path, 5, None)]
    (tmp_path / "cli").mkdir()
    run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--bits", "8", "--quiet")
    names = sorted(os.listdir(tmp_path / "cli"))
    assert names == [f"s.take_{i:06d}.tif" for i in range(5)]
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "out", names, shallow=False)[0] == names
    with pytest.raises(ValueError):
        quorvane.dask.convert([path], tmp_path, bits=10)


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=":0", silence_logs=40) as cluster, \
            distributed.Client(cluster) as c:
        yield c


def test_from_recording_sums_like_numpy(recordings, client):
    path = recordings["quadrants-be-kind3"]
    frames = quorvane.dask.from_recording(path, frames_per_chunk=3)
    assert frames.shape == (4, 32, 64) and frames.dtype == numpy.uint16
    assert frames.chunks == ((3, 1), (32,), (64,))
    with quorvane.open(path) as rec:
        everything = rec[:]
    assert client.compute(frames.sum()).result() == everything.sum(dtype=numpy.uint64)
    numpy.testing.assert_array_equal(client.compute(frames[1:3]).result(), everything[1:3])
    raw = quorvane.dask.from_recording(path, correction=False).compute(scheduler="threads")
    with quorvane.open(path, correction=False) as rec:
        numpy.testing.assert_array_equal(raw, rec[:])
    with pytest.raises(quorvane.VornError):
        quorvane.dask.from_recording(__file__)
    with pytest.raises(ValueError):
        quorvane.dask.from_recording(path, frames_per_chunk=0)


def cli_error(path, folder):
    """The CLI's error line for converting `path` into `folder`, without its prefix."""
    done = run_cli("convert", path, "-o", f"{folder}/", "--quiet")
    # The failure is the last line; a warning about the correction may precede it.
    lines = done.stderr.strip().splitlines()
    return lines[-1].removeprefix("quorvane-cli: ") if lines else None


def test_convert_many_matches_the_cli(tmp_path, client, cut_recording):
    good = [write(tmp_path / "one.vrn", width=64, height=32, frames=7, kind=6),
            write(tmp_path / "two.vrn", width=64, height=32, frames=3, quadrants=True,
                  big_endian=True, kind=3)]
    refused = tmp_path / "three.vrn"
    refused.write_bytes(b"RIFF" + bytes(300))
    paths = [good[0], str(refused), good[1], cut_recording]
    # Frame 1 of one.vrn cannot be written: a folder has its name. The tasks
    # after it succeed, and their files must go again.
    for folder in ("cli", "dask"):
        (tmp_path / folder / "one_000001.tif").mkdir(parents=True)

    results = quorvane.dask.convert(paths, tmp_path / "dask", client=client, frames_per_task=2)
    errors = [cli_error(path, tmp_path / "cli") for path in paths]

    assert [r.path for r in results] == paths
    assert [r.frames for r in results] == [1, 0, 3, 3]
    assert [r.error for r in results] == [e and e.replace(f"{tmp_path}/cli/",
                                                          f"{tmp_path}/dask/") for e in errors]
    assert results[1].error == f"cannot open {refused}: not a VORN recording"
    assert results[2].error is None
    names = sorted(os.listdir(tmp_path / "cli"))
    assert len(names) == 8 and sorted(os.listdir(tmp_path / "dask")) == names
    files = [n for n in names if n != "one_000001.tif"]
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "dask", files, shallow=False)[0] == files


def manifest_without_output(path):
    with open(path, encoding="utf-8") as f:
        manifest = json.load(f)
    return manifest, manifest["options"].pop("output")


def test_convert_stacks_and_manifests_match_the_cli(tmp_path, client, cut_recording):
    paths = [write(tmp_path / "one.vrn", width=64, height=32, frames=7, kind=6),
             write(tmp_path / "two.vrn", width=64, height=32, frames=3, quadrants=True,
                   big_endian=True, kind=3, first_frame=-5),
             cut_recording]
    refused = tmp_path / "three.vrn"
    refused.write_bytes(b"RIFF" + bytes(300))
    paths.insert(1, str(refused))
    for folder in ("cli", "dask"):
        (tmp_path / folder).mkdir()
        (tmp_path / folder / "cut.manifest.json").write_text("{}")  # from an earlier run
    errors = []
    for path in paths:
        done = run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--stack", "--manifest",
                       "--jobs", "1", "--quiet")
        errors.append(done.stderr.strip().removeprefix("quorvane-cli: ") or None)

    results = quorvane.dask.convert(paths, tmp_path / "dask", client=client, stack=True,
                                    manifest=True, frames_per_task=2)

    assert [r.frames for r in results] == [7, 0, 3, 0]
    assert [r.error for r in results] == [e and e.replace("/cli/", "/dask/") for e in errors]
    assert "frame 3" in results[3].error
    names = ["one.manifest.json", "one.tif", "two.manifest.json", "two.tif"]
    assert sorted(os.listdir(tmp_path / "cli")) == names == sorted(os.listdir(tmp_path / "dask"))
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "dask", ["one.tif", "two.tif"],
                            shallow=False)[0] == ["one.tif", "two.tif"]
    for name in ("one", "two"):
        cli, cli_output = manifest_without_output(tmp_path / "cli" / f"{name}.manifest.json")
        dask, dask_output = manifest_without_output(tmp_path / "dask" / f"{name}.manifest.json")
        assert (cli_output, dask_output) == (f"{tmp_path}/cli/", f"{tmp_path}/dask/")
        assert cli == dask and dask["options"]["stack"] is True
    assert dask["files"][0]["recorded"] == -5 and dask["files"][0]["pages"] == 3


def test_convert_manifest_lists_every_task_s_files(tmp_path, client):
    paths = [write(tmp_path / "one.vrn", width=64, height=32, frames=7, kind=6),
             write(tmp_path / "two.vrn", width=32, height=16, frames=5)]
    for folder in ("cli", "dask"):
        # two.vrn fails at frame 3: no manifest, and the earlier one goes.
        (tmp_path / folder / "two_000003.tif").mkdir(parents=True)
        (tmp_path / folder / "two.manifest.json").write_text("{}")
    for path in paths:
        run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--bits", "8", "--manifest",
                "--jobs", "1", "--quiet")

    results = quorvane.dask.convert(paths, tmp_path / "dask", bits=8, client=client,
                                    manifest=True, frames_per_task=2)

    assert [r.frames for r in results] == [7, 3]
    assert results[0].error is None and "two_000003.tif" in results[1].error
    names = sorted(os.listdir(tmp_path / "cli"))
    assert sorted(os.listdir(tmp_path / "dask")) == names
    assert "two.manifest.json" not in names and len(names) == 7 + 3 + 1 + 1
    files = [n for n in names if n.endswith(".tif") and n != "two_000003.tif"]
    assert filecmp.cmpfiles(tmp_path / "cli", tmp_path / "dask", files, shallow=False)[0] == files
    cli, _ = manifest_without_output(tmp_path / "cli" / "one.manifest.json")
    dask, _ = manifest_without_output(tmp_path / "dask" / "one.manifest.json")
    assert cli == dask and [f["frame"] for f in dask["files"]] == list(range(7))
    done = run_cli("verify", tmp_path / "dask" / "one.manifest.json")
    assert done.returncode == 0, done.stdout + done.stderr
