#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-3-Clause
"""A region's statistics over every frame, beside the plain ReadFrame loop.

    python3 bench/stats-bench.py [--build build-release] [--frames 520]
        [--size 1024x1024] [--rounds 5] [--work DIR]

Needs a Release build of the CLI and the benchmark:

    cmake --build build-release -j2 --target quorvane-cli bench_region_stats

Writes a demo recording (offset-gain correction) and, round after round,
times over all its frames: the ReadFrame loop (bench_region_stats, one
pass, timed inside the program), the region scan behind stats, the plot
worker and Python (the same program, a rectangle and an ellipse), and
``quorvane-cli stats FILE --region X,Y,W,H --csv`` as a user runs it
(the process's wall and CPU time, output to /dev/null). The region is the centred
quarter of the frame (512 x 512 of 1024 x 1024). Prints every round, the
best of each, and the ratios to the ReadFrame loop: wall times (what the
targets speak of) and CPU times, which the other work on a loaded machine
disturbs less.
"""

import argparse
import json
import os
import resource
import subprocess
import tempfile
import time


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..",
                                                        "build-release"))
    parser.add_argument("--frames", type=int, default=520)
    parser.add_argument("--size", default="1024x1024")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--work", default=None)
    return parser.parse_args()


def in_program(bench, path):
    """name -> (wall s, cpu s) of one pass of each benchmark."""
    out = subprocess.run([bench, "--benchmark_format=json", "--benchmark_min_time=0.01"],
                         env=dict(os.environ, QUORVANE_BENCH_RECORDING=path),
                         capture_output=True, text=True, check=True).stdout
    scale = {"ms": 1e-3, "us": 1e-6, "ns": 1e-9, "s": 1.0}
    return {b["name"].replace("/real_time", ""): (b["real_time"] * scale[b["time_unit"]],
                                                  b["cpu_time"] * scale[b["time_unit"]])
            for b in json.loads(out)["benchmarks"]}


def cli_stats(cli, path, region):
    """(wall s, cpu s) of one quorvane-cli stats run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(os.devnull, "w") as devnull:
        subprocess.run([cli, "stats", path, "--region", region, "--csv"], stdout=devnull,
                       check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)


def main():
    args = parse_args()
    width, height = map(int, args.size.split("x"))
    region = f"{width // 4},{height // 4},{width // 2},{height // 2}"
    cli = os.path.join(args.build, "cli", "quorvane-cli")
    bench = os.path.join(args.build, "bench", "bench_region_stats")
    with tempfile.TemporaryDirectory(dir=args.work) as work:
        path = os.path.join(work, "stats.vrn")
        subprocess.run([cli, "demo", path, "--frames", str(args.frames), "--size", args.size],
                       check=True, capture_output=True)
        print(f"load before: {os.getloadavg()[0]:.1f}")
        rounds = []
        for r in range(args.rounds):
            times = in_program(bench, path)
            times["quorvane-cli stats --csv"] = cli_stats(cli, path, region)
            rounds.append(times)
            print(f"round {r + 1}: " + ", ".join(f"{k} {v[0]:.3f} s" for k, v in times.items()))
        print(f"load after: {os.getloadavg()[0]:.1f}")
        best = {k: (min(t[k][0] for t in rounds), min(t[k][1] for t in rounds))
                for k in rounds[0]}
        base = best["BM_ReadFrameLoop"]
        print("| contender | best wall | speed vs ReadFrame (wall) | best CPU | vs ReadFrame (CPU) |")
        print("|---|---|---|---|---|")
        for name, (wall, cpu) in best.items():
            print(f"| {name} | {wall:.3f} s | {base[0] / wall:.2f} x | {cpu:.3f} s | "
                  f"{base[1] / cpu:.2f} x |")


if __name__ == "__main__":
    main()
