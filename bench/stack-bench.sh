#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# quorvane-cli convert --stack and --manifest against their baselines, in one run:
#   single        convert, one file per frame (today's conversion)
#   single-mf     the same with --manifest
#   stack         convert --stack
#   stack-mf      convert --stack --manifest
#   libtiff       bench_stack_baseline: libtiff's own loop writing the same
#                 pages into one stack, from frames decoded before its clock
#   libtiff-dec   the same loop reading and decoding every frame itself, on
#                 one thread (the recording opened inside its clock)
#
#   bash bench/stack-bench.sh [BUILD_DIR]
#
# BUILD_DIR (default build-release) must hold cli/quorvane-cli and
# bench/bench_stack_baseline built in Release. Settings: FRAMES (400), SIZE
# (1024x1024), ROUNDS (3), BITS ("16 8"), FOLDER (/var/tmp/quorvane-stack-bench,
# created and removed again), JOBS (2), CLI_BEFORE (another quorvane-cli, e.g.
# an earlier build, timed beside this one as single-before, single-mf-before,
# stack-before and stack-mf-before). Every round runs each contender once,
# in a rotated order, into an emptied folder. "unsynced" is the time until the
# program is done, "synced" adds one sync after it, "cpu" is the processor
# time (user + system) it used, which the load of other processes disturbs
# less than the elapsed times. quorvane-cli is timed from outside, start-up, open and
# decoding included; the baseline times its write loop only. Medians are
# reported with speed ratios (> 1: faster than the baseline).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/cli/quorvane-cli"
baseline="$build/bench/bench_stack_baseline"
frames="${FRAMES:-400}"
size="${SIZE:-1024x1024}"
rounds="${ROUNDS:-3}"
bits_list="${BITS:-16 8}"
folder="${FOLDER:-/var/tmp/quorvane-stack-bench}"
jobs="${JOBS:-2}"
for exe in "$cli" "$baseline"; do
  [ -x "$exe" ] || { echo "no $exe: build Release first" >&2; exit 1; }
done
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT
rec="$folder/bench.vrn"
"$cli" demo "$rec" --frames "$frames" --size "$size" >/dev/null

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 }
  END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

contenders=(single single-mf stack stack-mf libtiff libtiff-dec)
if [ -n "${CLI_BEFORE:-}" ]; then
  contenders+=(single-before single-mf-before stack-before stack-mf-before)
fi
declare -A times synced cpus

measure() { # BITS NAME
  local bits="$1" name="$2" out="$folder/out" t0 t1 t2 inner=""
  rm -rf "$out"
  mkdir -p "$out"
  sync
  t0=$(now)
  case "$name" in
    single) run "$cli" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif" ;;
    single-mf) run "$cli" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif" --manifest ;;
    stack) run "$cli" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif" --stack ;;
    stack-mf) run "$cli" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif" --stack --manifest ;;
    *-before)
      local flags=""
      case "$name" in
        single-mf-before) flags="--manifest" ;;
        stack-before) flags="--stack" ;;
        stack-mf-before) flags="--stack --manifest" ;;
      esac
      # shellcheck disable=SC2086
      run "$CLI_BEFORE" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif" $flags ;;
    libtiff) inner=$("$baseline" "$out/f.tif" "$frames" "$rec" "$bits") ;;
    libtiff-dec) inner=$("$baseline" "$out/f.tif" "$frames" "$rec" "$bits" decode) ;;
  esac
  t1=$(now)
  sync
  t2=$(now)
  local u c s
  if [ -n "$inner" ]; then
    u="${inner% *}" c="${inner#* }"
  else
    u=$(calc "$t1 - $t0") c=$(awk '{ print $1 + $2 }' "$folder/cpu")
  fi
  s=$(calc "$u + $t2 - $t1")
  times["$bits|$name"]="${times["$bits|$name"]:-} $u"
  synced["$bits|$name"]="${synced["$bits|$name"]:-} $s"
  cpus["$bits|$name"]="${cpus["$bits|$name"]:-} $c"
  printf '    %-9s %7.3f s unsynced %7.3f s synced %7.3f s cpu\n' "$name" "$u" "$s" "$c"
}
# run COMMAND...: runs it, its processor seconds into $folder/cpu.
run() { /usr/bin/time -f '%U %S' -o "$folder/cpu" "$@"; }

echo "Recording: $frames frames of $size, jobs $jobs, folder $folder, load: $(cut -d' ' -f1-3 /proc/loadavg)"
for bits in $bits_list; do
  for ((r = 0; r < rounds; r++)); do
    echo "  $bits-bit, round $((r + 1))"
    n=${#contenders[@]}
    for ((c = 0; c < n; c++)); do
      measure "$bits" "${contenders[$(((c + r) % n))]}"
    done
  done
done
rm -rf "$folder/out"
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Medians; ratios are speed ratios (baseline time / contender time), unsynced / synced"
echo
echo "| bits | contender | unsynced s | synced s | cpu s | MB/s (u/s) | vs libtiff (u/s/cpu) | vs libtiff-dec (u/s/cpu) | vs single (u/s/cpu) | manifest vs none (u/s/cpu) |"
echo "|---|---|---|---|---|---|---|---|---|---|"
w="${size%x*}" h="${size#*x}"
for bits in $bits_list; do
  mb=$(calc "$frames * $w * $h * $bits / 8 / 1000000")
  declare -A m ms mc
  for name in "${contenders[@]}"; do
    m[$name]=$(median "${times["$bits|$name"]}")
    ms[$name]=$(median "${synced["$bits|$name"]}")
    mc[$name]=$(median "${cpus["$bits|$name"]}")
  done
  ratio() {
    printf '%.2f / %.2f / %.2f' "$(calc "${m[$1]} / ${m[$2]}")" "$(calc "${ms[$1]} / ${ms[$2]}")" \
      "$(calc "${mc[$1]} / ${mc[$2]}")"
  }
  for name in "${contenders[@]}"; do
    case "$name" in
      single-mf) mf=$(ratio single single-mf) ;;
      stack-mf) mf=$(ratio stack stack-mf) ;;
      single-mf-before) mf=$(ratio single-before single-mf-before) ;;
      stack-mf-before) mf=$(ratio stack-before stack-mf-before) ;;
      *) mf="" ;;
    esac
    printf '| %s | %s | %.3f | %.3f | %.3f | %.0f / %.0f | %s | %s | %s | %s |\n' "$bits" "$name" \
      "${m[$name]}" "${ms[$name]}" "${mc[$name]}" "$(calc "$mb / ${m[$name]}")" "$(calc "$mb / ${ms[$name]}")" \
      "$(ratio libtiff "$name")" "$(ratio libtiff-dec "$name")" "$(ratio single "$name")" "$mf"
  done
done
