#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-3-Clause
"""Reading frames through the quorvane Python package, beside its baselines.

    python3 bench/python-read-bench.py [--build build-release] [--frames 520]
        [--size 1024x1024] [--rounds 3] [--work DIR] [--skip-dask] [--only-mean]

Needs a Release build with the package, the CLI and bench_read_loop:

    cmake --build build-release -j2 --target quorvane_python quorvane-cli bench_read_loop

Writes two demo recordings (offset-gain correction and none; 520 frames of
1024 x 1024 are 1.09 GB of decoded samples each) and times, round after
round, every contender over every frame of a recording:

- ``C++ ReadFrame``: bench_read_loop, the reader's ReadFrame into one buffer
  (Google Benchmark, timed inside the program);
- ``read(i, out=buf)``: the package's no-allocation read into one array;
- ``rec[i]``: the package's indexing, a new array per frame;
- ``numpy.copyto``: copying the same number of bytes, frame by frame, from a
  preloaded array into one buffer (the cost of merely moving the samples).

Then the mean frame, ``from_recording(path).mean(axis=0).compute()`` with
the default chunks on Dask's threaded scheduler with 1 and 2 threads,
beside a plain loop of ``read(i, out=buf)`` and ``numpy.add`` on one thread
and Dask's own (generic) reduction of the same array on 1 thread
(``--only-mean`` runs just this part).

Then ``quorvane.dask.from_recording(path).sum().compute()`` on a
distributed LocalCluster of 1 worker process against one of 2 (one thread
each), computes only (cluster start-up left out), beside the machine's own
scaling: two C++ ReadFrame passes run at the same time against one. Prints
the best of the rounds and the ratios.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

import numpy


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..",
                                                        "build-release"))
    parser.add_argument("--frames", type=int, default=520)
    parser.add_argument("--size", default="1024x1024")
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--work", default=None)
    parser.add_argument("--skip-dask", action="store_true")
    parser.add_argument("--only-mean", action="store_true")
    return parser.parse_args()


def cxx_loop(loop, path):
    """Seconds of one bench_read_loop pass over the recording."""
    env = dict(os.environ, QUORVANE_BENCH_RECORDING=path)
    out = subprocess.run([loop, "--benchmark_format=json", "--benchmark_min_time=0.01"],
                         env=env, check=True, capture_output=True, text=True).stdout
    (run,) = json.loads(out)["benchmarks"]
    if run.get("error_occurred"):
        raise SystemExit(f"bench_read_loop: {run.get('error_message')}")
    return run["real_time"] / 1000.0  # milliseconds per iteration


def timed(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def read_out(quorvane, path):
    with quorvane.open(path) as rec:
        buf = numpy.empty(rec.shape[1:], numpy.uint16)

        def run():
            for i in range(len(rec)):
                rec.read(i, out=buf)
        return timed(run)


def index(quorvane, path):
    with quorvane.open(path) as rec:
        def run():
            for i in range(len(rec)):
                rec[i]
        return timed(run)


def copyto(source):
    buf = numpy.empty(source.shape[1:], numpy.uint16)

    def run():
        for frame in source:
            numpy.copyto(buf, frame)
    return timed(run)


def table(title, bests, baseline, volume):
    print(f"\n{title}")
    print(f"| contender | best of rounds | GB/s of samples | vs {baseline} |")
    print("|---|---|---|---|")
    for name, seconds in bests.items():
        print(f"| {name} | {seconds:.3f} s | {volume / seconds / 1e9:.2f} | "
              f"{bests[baseline] / seconds:.2f} x |")


def bench_reads(args, quorvane, loop, recordings):
    width, height = map(int, args.size.split("x"))
    volume = args.frames * width * height * 2
    source = numpy.ones((args.frames, height, width), numpy.uint16)
    for correction, path in recordings.items():
        times = {"C++ ReadFrame": [], "read(i, out=buf)": [], "rec[i]": [], "numpy.copyto": []}
        read_out(quorvane, path)  # warm the page cache
        for _ in range(args.rounds):
            times["C++ ReadFrame"].append(cxx_loop(loop, path))
            times["read(i, out=buf)"].append(read_out(quorvane, path))
            times["rec[i]"].append(index(quorvane, path))
            times["numpy.copyto"].append(copyto(source))
        bests = {name: min(t) for name, t in times.items()}
        table(f"Correction {correction}: {args.frames} frames of {args.size} "
              f"({volume / 1e9:.2f} GB of samples); every round: "
              + "; ".join(f"{n} " + " ".join(f"{s:.3f}" for s in t) for n, t in times.items()),
              bests, "C++ ReadFrame", volume)


def timed_cpu(action):
    """(wall seconds, processor seconds of all threads) of one call."""
    wall, cpu = time.perf_counter(), time.process_time()
    action()
    return time.perf_counter() - wall, time.process_time() - cpu


def mean_loop(quorvane, path):
    """The mean frame by a plain loop on one thread: ((wall, cpu) seconds, mean)."""
    with quorvane.open(path) as rec:
        buf = numpy.empty(rec.shape[1:], numpy.uint16)
        total = numpy.zeros(rec.shape[1:], numpy.float64)

        def run():
            for i in range(len(rec)):
                rec.read(i, out=buf)
                numpy.add(total, buf, out=total)
        seconds = timed_cpu(run)
        return seconds, total / len(rec)


def bench_mean(args, quorvane, loop, path):
    import dask
    import dask.array
    import quorvane.dask

    frames = quorvane.dask.from_recording(path)
    small = quorvane.dask.from_recording(path, frames_per_chunk=16)
    # The same chunks as a plain dask array: Dask's generic mean.
    plain = dask.array.Array(frames.dask, frames.name, frames.chunks, meta=frames._meta)
    names = ["loop read(out=) + numpy.add, 1 thread", "dask mean, 1 thread",
             "dask mean, 2 threads", "dask mean, 16-frame chunks, 1 thread",
             "dask's generic mean, 1 thread"]
    times = {name: [] for name in names}
    scaling = []
    _, expected = mean_loop(quorvane, path)
    for _ in range(args.rounds):
        scaling.append(2 * cxx_loop(loop, path) / cxx_pair(loop, path))
        times[names[0]].append(mean_loop(quorvane, path)[0])
        for array, threads, name in ((frames, 1, names[1]), (frames, 2, names[2]),
                                     (small, 1, names[3]), (plain, 1, names[4])):
            result = []
            with dask.config.set(scheduler="threads", num_workers=threads):
                times[name].append(timed_cpu(
                    lambda: result.append(array.mean(axis=0).compute())))
            numpy.testing.assert_allclose(result[0], expected)
    bests = {name: min(w for w, _ in t) for name, t in times.items()}
    cpus = {name: min(c for _, c in t) for name, t in times.items()}
    print(f"\nMean frame, {args.frames} frames of {args.size}, offset-gain, "
          f"chunks of {frames.chunks[0][0]} frames")
    print("| contender | best wall | every round (wall/cpu) | best cpu | vs the loop (wall) |")
    print("|---|---|---|---|---|")
    for name, t in times.items():
        print(f"| {name} | {bests[name]:.3f} s | {' '.join(f'{w:.3f}/{c:.3f}' for w, c in t)} | "
              f"{cpus[name]:.3f} s | {bests[names[0]] / bests[name]:.2f} x |")
    print("Baseline, the machine's own scaling: two C++ ReadFrame passes at once against "
          "one, throughput ratio per round: " + " ".join(f"{x:.2f}" for x in scaling))


def cxx_pair(loop, path):
    """Seconds of two bench_read_loop passes run at the same time (the slower)."""
    env = dict(os.environ, QUORVANE_BENCH_RECORDING=path)
    runs = [subprocess.Popen([loop, "--benchmark_format=json", "--benchmark_min_time=0.01"],
                             env=env, stdout=subprocess.PIPE, text=True) for _ in range(2)]
    return max(json.loads(run.communicate()[0])["benchmarks"][0]["real_time"] / 1000.0
               for run in runs)


def bench_dask(args, loop, path):
    import distributed
    import quorvane.dask

    clusters = {n: distributed.LocalCluster(n_workers=n, threads_per_worker=1, processes=True,
                                            dashboard_address=":0", silence_logs=40)
                for n in (1, 2)}
    clients = {n: distributed.Client(c) for n, c in clusters.items()}
    try:
        frames = quorvane.dask.from_recording(path)
        times = {n: [] for n in clients}
        busy = {n: [] for n in clients}  # seconds the workers spent computing
        sums = set()
        for n, client in clients.items():
            sums.add(int(client.compute(frames.sum()).result()))  # warm-up
        scaling = []  # what two processes gain on this machine: 2 passes at once vs 1
        for _ in range(args.rounds):
            scaling.append(2 * cxx_loop(loop, path) / cxx_pair(loop, path))
            for n, client in clients.items():
                with distributed.get_task_stream(client=client) as stream:
                    times[n].append(timed(
                        lambda: sums.add(int(client.compute(frames.sum()).result()))))
                busy[n].append(sum(s["stop"] - s["start"] for task in stream.data
                                   for s in task["startstops"] if s["action"] == "compute"))
        assert len(sums) == 1
        print(f"\nfrom_recording(path).sum() on a LocalCluster, {args.frames} frames of "
              f"{args.size}, offset-gain, chunks of {frames.chunks[0][0]} frames")
        print("| workers | best of rounds | every round | task compute time per round "
              "| vs 1 worker |")
        print("|---|---|---|---|---|")
        for n, t in times.items():
            print(f"| {n} | {min(t):.3f} s | {' '.join(f'{s:.3f}' for s in t)} | "
                  f"{' '.join(f'{s:.2f}' for s in busy[n])} | {min(times[1]) / min(t):.2f} x |")
        print("Baseline, the machine's own scaling: two C++ ReadFrame passes at once against "
              "one, throughput ratio per round: " + " ".join(f"{x:.2f}" for x in scaling)
              + f" (best {max(scaling):.2f} x)")
    finally:
        for n in clients:
            clients[n].close()
            clusters[n].close()


def main():
    args = parse_args()
    build = os.path.abspath(args.build)
    package = os.path.join(build, "python")
    sys.path.insert(0, package)
    os.environ["PYTHONPATH"] = os.pathsep.join(filter(None, [package,
                                                             os.environ.get("PYTHONPATH")]))
    import quorvane

    cli = os.path.join(build, "cli", "quorvane-cli")
    loop = os.path.join(build, "bench", "bench_read_loop")
    for program in (cli, loop):
        if not os.access(program, os.X_OK):
            raise SystemExit(f"no {program}: build it first (see --help)")
    with tempfile.TemporaryDirectory(dir=args.work) as work:
        recordings = {}
        for correction in ("offset-gain", "none"):
            path = os.path.join(work, f"{correction}.vrn")
            subprocess.run([cli, "demo", path, "--frames", str(args.frames), "--size", args.size,
                            "--correction", correction], check=True, stdout=subprocess.DEVNULL)
            recordings[correction] = path
        print(f"load average before: {' '.join(f'{x:.1f}' for x in os.getloadavg())}")
        if not args.only_mean:
            bench_reads(args, quorvane, loop, recordings)
        if not args.skip_dask:
            bench_mean(args, quorvane, loop, recordings["offset-gain"])
        if not args.skip_dask and not args.only_mean:
            bench_dask(args, loop, recordings["offset-gain"])
        print(f"\nload average after: {' '.join(f'{x:.1f}' for x in os.getloadavg())}")


if __name__ == "__main__":
    main()
