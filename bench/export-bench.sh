#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# quorvane-cli export against the libraries' own write loops, in one run:
#   png-jN        export -o NAME.png -j N (16-bit PNG sequence)
#   libpng        bench_png_baseline: libpng's own loop on one thread, reading
#                 and decoding every frame itself, same compression level
#   ome-tiff      export -o NAME.ome.tif (one stack)
#   libtiff       bench_stack_baseline ... 16 decode: libtiff's own loop
#                 writing the same 16-bit pages, decoding every frame itself
#
#   bash bench/export-bench.sh [BUILD_DIR]
#
# Settings: FRAMES (520), SIZE (1024x1024), ROUNDS (3), FOLDER
# (/dev/shm/quorvane-export-bench, created and removed again), JOBS ("1 2").
# quorvane-cli is timed from outside (start-up, open and decoding included),
# the baselines time their loops. Medians of the elapsed and the processor
# time (user + system, which the load of other processes disturbs less) with
# speed ratios (> 1: faster than the baseline).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/cli/quorvane-cli"
png="$build/bench/bench_png_baseline"
tiff="$build/bench/bench_stack_baseline"
frames="${FRAMES:-520}"
size="${SIZE:-1024x1024}"
rounds="${ROUNDS:-3}"
folder="${FOLDER:-/dev/shm/quorvane-export-bench}"
jobs_list="${JOBS:-1 2}"
for exe in "$cli" "$png" "$tiff"; do
  [ -x "$exe" ] || { echo "no $exe: build Release first" >&2; exit 1; }
done
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT
rec="$folder/bench.vrn"
"$cli" demo "$rec" --frames "$frames" --size "$size" >/dev/null
out="$folder/out"

now() { date +%s.%N; }
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 }
  END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
fresh() { rm -rf "$out"; mkdir -p "$out"; }
# "elapsed cpu" of a quorvane-cli run (cpu: user + system seconds).
timed() { /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | awk '{ printf "%s %.2f", $1, $2 + $3 }'; }

declare -A times cpus
add() { times[$1]+=" ${2% *}"; cpus[$1]+=" ${2#* }"; }
for ((r = 0; r < rounds; r++)); do
  for j in $jobs_list; do
    fresh; add "png-j$j" "$(timed "$cli" export "$rec" -o "$out/e.png" -q -j "$j")"
  done
  fresh; add libpng "$("$png" "$out" "$frames" "$rec")"
  fresh; add ome-tiff "$(timed "$cli" export "$rec" -o "$out/e.ome.tif" -q)"
  fresh; add libtiff "$("$tiff" "$out/b.tif" "$frames" "$rec" 16 decode)"
done
echo "$frames frames of $size in $folder, $rounds rounds, medians; load: $(uptime | sed 's/.*load average: //')"
report() {
  local name="$1" base="$2" m b c cb
  m="$(median "${times[$name]}")"; b="$(median "${times[$base]}")"
  c="$(median "${cpus[$name]}")"; cb="$(median "${cpus[$base]}")"
  awk -v n="$name" -v m="$m" -v b="$b" -v c="$c" -v cb="$cb" -v base="$base" -v f="$frames" \
    'BEGIN { printf "%-10s %8.3f s  %7.1f fps  %.2fx %-8s cpu %7.2f s  %.2fx\n", n, m, f / m, b / m, base, c, cb / c }'
}
for j in $jobs_list; do report "png-j$j" libpng; done
report libpng libpng
report ome-tiff libtiff
report libtiff libtiff
