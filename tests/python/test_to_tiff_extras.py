# SPDX-License-Identifier: BSD-3-Clause
"""Recording.to_tiff with stack, manifest and skip_existing against quorvane-cli."""

import filecmp
import hashlib
import json
import os

import pytest

import quorvane
from conftest import run_cli, write


def same_files(a, b):
    """Both folders hold the same names, the same bytes but in manifests; returns the TIFFs."""
    names = sorted(os.listdir(a))
    assert sorted(os.listdir(b)) == names
    names = [n for n in names if not n.endswith(".manifest.json")]
    assert filecmp.cmpfiles(a, b, names, shallow=False)[0] == names
    return names


def load(path):
    with open(path, encoding="utf-8") as f:
        return json.load(f)


def assert_same_manifest(cli, py, cli_output, py_output, **options):
    """Identical manifests but for the -o argument each was given and `options`."""
    a, b = load(cli), load(py)
    assert a["options"].pop("output") == str(cli_output)
    assert b["options"].pop("output") == str(py_output)
    a["options"].update(options)
    assert a == b
    folder = os.path.dirname(py)
    for entry in b["files"]:
        with open(os.path.join(folder, entry["name"]), "rb") as f:
            data = f.read()
        assert (len(data), hashlib.sha256(data).hexdigest()) == (entry["size"], entry["sha256"])


def cli_error(*args):
    done = run_cli("convert", *map(str, args), "--quiet")
    assert done.returncode == 1
    # The failure is the last line; a warning about the correction may precede it.
    return done.stderr.strip().splitlines()[-1].removeprefix("quorvane-cli: ")


@pytest.mark.parametrize("bits", [16, 8])
def test_stack_and_manifest_match_the_cli(recordings, tmp_path, bits):
    # Frame numbers start at -2: the pages and entries carry recorded numbers.
    path = recordings["quadrants-be-kind3"]
    for folder in ("cli", "py"):
        (tmp_path / folder).mkdir()
    run_cli("convert", path, "-o", tmp_path / "cli" / "s.tif", "--bits", bits, "--first", "1",
            "--stack", "--manifest", "--jobs", "2", "--quiet")
    run_cli("convert", path, "-o", tmp_path / "cli" / "f.tif", "--bits", bits, "--manifest",
            "--jobs", "2", "--quiet")
    with quorvane.open(path) as rec:
        assert rec.to_tiff(tmp_path / "py" / "s.tif", first=1, bits=bits, jobs=2, stack=True,
                           manifest=True) == [str(tmp_path / "py" / "s.tif")]
        frames = rec.to_tiff(tmp_path / "py" / "f.tif", bits=bits, jobs=2, manifest=True)
    assert frames == [str(tmp_path / "py" / f"f_{i:06d}.tif") for i in range(4)]
    assert len(same_files(tmp_path / "cli", tmp_path / "py")) == 5
    for base in ("s", "f"):
        assert_same_manifest(tmp_path / "cli" / f"{base}.manifest.json",
                             tmp_path / "py" / f"{base}.manifest.json",
                             tmp_path / "cli" / f"{base}.tif", tmp_path / "py" / f"{base}.tif")
    assert load(tmp_path / "py" / "s.manifest.json")["files"][0]["recorded"] == -1


def test_skip_existing_finishes_an_interrupted_run(recordings, tmp_path):
    path = recordings["lanes-le-kind6"]
    for folder in ("cli", "py"):
        (tmp_path / folder).mkdir()
    run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--manifest", "--jobs", "1", "--quiet")
    run_cli("convert", path, "-o", f"{tmp_path}/py/", "--quiet")
    # An interrupted run leaves a contiguous prefix of complete files.
    for i in (3, 4):
        os.remove(tmp_path / "py" / f"lanes-le-kind6_{i:06d}.tif")
    kept = os.stat(tmp_path / "py" / "lanes-le-kind6_000001.tif")
    with quorvane.open(path) as rec:
        rec.to_tiff(f"{tmp_path}/py/", jobs=1, manifest=True, skip_existing=True)
        assert os.stat(tmp_path / "py" / "lanes-le-kind6_000001.tif").st_mtime_ns == \
            kept.st_mtime_ns
        assert_same_manifest(tmp_path / "cli" / "lanes-le-kind6.manifest.json",
                             tmp_path / "py" / "lanes-le-kind6.manifest.json",
                             f"{tmp_path}/cli/", f"{tmp_path}/py/", **{"skip-existing": True})
        same_files(tmp_path / "cli", tmp_path / "py")

        # A foreign file of the right size is an error, not a skipped frame.
        for folder in ("cli", "py"):
            name = tmp_path / folder / "lanes-le-kind6_000002.tif"
            size = os.path.getsize(name)
            name.write_bytes(b"\0" * size)
        with pytest.raises(OSError) as foreign:
            rec.to_tiff(f"{tmp_path}/py/", jobs=2, skip_existing=True)
    assert foreign.value.strerror == cli_error(path, "-o", f"{tmp_path}/py/", "--skip-existing")
    assert foreign.value.strerror.endswith("lanes-le-kind6_000002.tif): "
                                       "a different file already has this name")


def test_stack_skip_existing_keeps_a_complete_stack(recordings, tmp_path):
    path = recordings["lanes-be-padded"]
    stack = tmp_path / "s.tif"
    with quorvane.open(path) as rec:
        rec.to_tiff(stack, stack=True)
        before = os.stat(stack)
        assert rec.to_tiff(stack, stack=True, skip_existing=True, manifest=True) == [str(stack)]
        assert os.stat(stack).st_mtime_ns == before.st_mtime_ns
        entry, = load(tmp_path / "s.manifest.json")["files"]
        assert (entry["pages"], entry["size"]) == (4, before.st_size)
        with pytest.raises(OSError) as other:
            rec.to_tiff(stack, stack=True, last=2, skip_existing=True)
    assert other.value.strerror == cli_error(path, "-o", stack, "--stack", "--last", "2",
                                         "--skip-existing")


def test_failures_leave_no_stack_and_no_manifest(recordings, cut_recording, tmp_path):
    for folder in ("cli", "py"):
        (tmp_path / folder).mkdir()
        (tmp_path / folder / "c.manifest.json").write_text("{}")  # from an earlier run
    expected = cli_error(cut_recording, "-o", tmp_path / "cli" / "c.tif", "--stack",
                         "--manifest", "--jobs", "2")
    with quorvane.open(cut_recording) as rec:
        with pytest.raises(quorvane.ShortFrameError) as cut:
            rec.to_tiff(tmp_path / "py" / "c.tif", jobs=2, stack=True, manifest=True)
    assert cut.value.frame == 3
    assert str(cut.value) == expected.replace("/cli/", "/py/")
    assert os.listdir(tmp_path / "py") == [] == os.listdir(tmp_path / "cli")

    # Only the manifest fails: the files stay, the text is the CLI's.
    path = recordings["unknown-kind"]
    for folder in ("cli", "py"):
        (tmp_path / folder / "u.manifest.json" / "in-the-way").mkdir(parents=True)
    expected = cli_error(path, "-o", tmp_path / "cli" / "u.tif", "--manifest")
    with quorvane.open(path) as rec:
        with pytest.raises(OSError) as unwritable:
            rec.to_tiff(tmp_path / "py" / "u.tif", manifest=True)
    assert str(unwritable.value) == expected.replace("/cli/", "/py/")
    assert str(unwritable.value).startswith(f"cannot write {tmp_path}/py/u.manifest.json: ")
    same_files(tmp_path / "cli", tmp_path / "py")


def test_dotted_names_and_8_bit_stack_pages(tmp_path):
    path = write(tmp_path / "a.b.vrn", width=32, height=16, frames=3, kind=6)
    (tmp_path / "cli").mkdir()
    (tmp_path / "py").mkdir()
    run_cli("convert", path, "-o", f"{tmp_path}/cli/", "--stack", "--bits", "8", "--quiet")
    with quorvane.open(path) as rec:
        assert rec.to_tiff(tmp_path / "py", stack=True, bits=8) == [str(tmp_path / "py" /
                                                                        "a.b.tif")]
    assert same_files(tmp_path / "cli", tmp_path / "py") == ["a.b.tif"]


@pytest.mark.parametrize("opened_with, given, stack, cli_options", [
    (None, "50k", False, ["--rate", "50k", "--manifest"]),
    (50_000, None, True, ["--rate", "50000", "--manifest"]),  # the recording's own rate
    (None, None, False, []),  # no rate: the table's time column stays empty
])
def test_rate_and_timestamps_match_the_cli(recordings, tmp_path, opened_with, given, stack,
                                           cli_options):
    # Frame numbers start at -2, so the times are signed.
    path = recordings["quadrants-be-kind3"]
    extra = ["--stack"] if stack else []
    for folder in ("cli", "py"):
        (tmp_path / folder).mkdir()
    run_cli("convert", path, "-o", tmp_path / "cli" / "t.tif", "--timestamps", "--first", "1",
            *extra, *cli_options, "--quiet")
    with quorvane.open(path, rate=opened_with) as rec:
        rec.to_tiff(tmp_path / "py" / "t.tif", first=1, stack=stack, rate=given,
                    timestamps=True, manifest="--manifest" in cli_options)
    same_files(tmp_path / "cli", tmp_path / "py")
    if "--manifest" in cli_options:
        assert_same_manifest(tmp_path / "cli" / "t.manifest.json",
                             tmp_path / "py" / "t.manifest.json",
                             tmp_path / "cli" / "t.tif", tmp_path / "py" / "t.tif")
    rows = (tmp_path / "py" / "t.frames.csv").read_text().splitlines()
    assert len(rows) == 4 and rows[1].split(",")[1] == "-1"
    assert (rows[1].split(",")[2] == "") == (opened_with is None and given is None)


def test_a_refused_rate_writes_nothing(recordings, tmp_path):
    with quorvane.open(recordings["lanes-le-kind6"]) as rec:
        with pytest.raises(ValueError, match="rate"):
            rec.to_tiff(tmp_path / "x.tif", rate=0, timestamps=True)
    assert os.listdir(tmp_path) == []
