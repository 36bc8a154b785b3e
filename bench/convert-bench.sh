#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Conversion throughput of quorvane-cli against a raw baseline that writes the
# same number of files of the same size with one write each.
#
#   bash bench/convert-bench.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR defaults to build-release (built beforehand; nothing is built
# here); WORK_DIR defaults to a fresh folder under ${TMPDIR:-/tmp}. Settings:
# FRAMES (520), SIZE (1024x1024: 520 frames make 1.09 GB of 16-bit TIFF
# files), ROUNDS (2). The contenders run in turn (jobs 1, jobs 2, baseline,
# then again), each into an emptied folder; "unsynced" is the time until the
# command returns, "synced" adds one sync after it. The baseline (Python: open,
# one write, close per file) is timed from inside, without interpreter start-up.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/cli/quorvane-cli"
frames="${FRAMES:-520}"
size="${SIZE:-1024x1024}"
rounds="${ROUNDS:-2}"
[ -x "$cli" ] || { echo "no $cli: build Release first (bash scripts/build build-release -DCMAKE_BUILD_TYPE=Release)" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed for the baseline" >&2; exit 1; }

if [ -n "${2:-}" ]; then
  work="$2"
  mkdir -p "$work/out"
  trap 'rm -rf "$work/out" "$work/bench.vrn"' EXIT
else
  work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench.XXXXXX")"
  mkdir -p "$work/out"
  trap 'rm -rf "$work"' EXIT
fi

echo "Writing a $frames-frame $size recording into $work"
"$cli" demo "$work/bench.vrn" --frames "$frames" --size "$size" >/dev/null
sync

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
declare -A unsynced synced

run_jobs() { "$cli" convert "$work/bench.vrn" -o "$work/out/frame.tif" --jobs "$1" --quiet; }
run_baseline() {
  python3 - "$work/out" "$frames" "$file_size" <<'PY'
import os, sys, time
folder, count, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
block = bytes(size)
start = time.monotonic()
for i in range(count):
    with open(os.path.join(folder, "frame_%06d.tif" % i), "wb", buffering=0) as f:
        f.write(block)
print("%.6f" % (time.monotonic() - start))
PY
}

measure() { # name command...
  local name="$1"; shift
  rm -f "$work"/out/*
  sync
  local t0 t1 t2 inner
  t0=$(now); inner=$("$@"); t1=$(now); sync; t2=$(now)
  # The baseline times its own loop, leaving out the interpreter's start-up.
  if [ -n "$inner" ]; then
    t0=$(calc "$t1 - $inner")
  fi
  local count bytes
  count=$(find "$work/out" -type f | wc -l)
  bytes=$(du -sb "$work/out" | cut -f1)
  [ "$count" -eq "$frames" ] || { echo "$name wrote $count files, expected $frames" >&2; exit 1; }
  unsynced[$name]="${unsynced[$name]:-} $(calc "$t1 - $t0")"
  synced[$name]="${synced[$name]:-} $(calc "$t2 - $t0")"
  printf '  %-9s %6.2f s unsynced  %6.2f s synced  (%d files, %d bytes)\n' "$name" \
    "$(calc "$t1 - $t0")" "$(calc "$t2 - $t0")" "$count" "$bytes"
}

file_size=0
for ((r = 1; r <= rounds; r++)); do
  echo "Round $r"
  measure jobs1 run_jobs 1
  file_size=$(stat -c %s "$work/out/frame_000000.tif")
  measure jobs2 run_jobs 2
  measure baseline run_baseline
done

best() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | head -1; }
echo
echo "Best of $rounds, $frames files of $file_size bytes ($(awk "BEGIN { printf \"%d\", $frames * $file_size / 1000000 }") MB):"
for kind in unsynced synced; do
  declare -n times="$kind"
  base=$(best "${times[baseline]}")
  for name in jobs1 jobs2 baseline; do
    t=$(best "${times[$name]}")
    printf '  %-8s %-9s %6.2f s  %7.1f MB/s  %5.2f x baseline\n' "$kind" "$name" "$t" \
      "$(calc "$frames * $file_size / 1000000 / $t")" "$(calc "$t / $base")"
  done
  unset -n times
done
