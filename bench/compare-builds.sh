#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Runs the same benchmark programs of two builds in alternation, so that both
# see the same machine load, and prints the best time of each benchmark per
# build with the ratio B/A.
#   bash bench/compare-builds.sh A_BENCH_DIR B_BENCH_DIR [PROGRAM...]
# Settings: ROUNDS (default 3), FILTER (a --benchmark_filter regex),
# BENCH_ARGS (more options for every program, e.g. --benchmark_min_time=0.1).
set -euo pipefail
a="$1"
b="$2"
shift 2
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(bench_unpack bench_fast bench_tiff bench_read_loop bench_open)
rounds="${ROUNDS:-3}"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
for round in $(seq "$rounds"); do
  for program in "${programs[@]}"; do
    for side in a b; do
      dir="$a"
      [ "$side" = b ] && dir="$b"
      # shellcheck disable=SC2086 # BENCH_ARGS is a list of options
      "$dir/$program" --benchmark_filter="${FILTER:-.}" ${BENCH_ARGS:-} \
        --benchmark_out="$out/$side.$program.$round.json" --benchmark_out_format=json \
        >/dev/null 2>"$out/stderr" ||
        { echo "$dir/$program failed:" >&2; cat "$out/stderr" >&2; exit 1; }
    done
  done
done
/usr/bin/python3 - "$out" <<'PY'
import glob, json, os, sys
best = {}
for path in glob.glob(os.path.join(sys.argv[1], "*.json")):
    if os.path.getsize(path) == 0:
        continue  # the filter matched nothing in that program
    side, program = os.path.basename(path).split(".")[:2]
    for row in json.load(open(path))["benchmarks"]:
        if row.get("run_type", "iteration") != "iteration":
            continue
        key = (program, row["name"])
        time = row["real_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[row["time_unit"]]
        entry = best.setdefault(key, {})
        entry[side] = min(entry.get(side, float("inf")), time)
print(f"| benchmark | A | B | B/A |\n|---|---|---|---|")
for (program, name), times in sorted(best.items()):
    if times.get("a") and "b" in times:
        print(f"| {program} {name} | {times['a'] / 1e3:.1f} us | {times['b'] / 1e3:.1f} us "
              f"| {times['b'] / times['a']:.3f} |")
PY
