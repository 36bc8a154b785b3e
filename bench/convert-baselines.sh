#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# quorvane-cli convert (--jobs 1 and 2) against four writers of the same files
# into the same folder, in one run:
#   fwrite    one fopen/fwrite/fclose per file (the same bytes)
#   pieces    the same bytes in 128 KiB write() pieces
#   libtiff   TIFFWriteEncodedStrip, one uncompressed strip, malloc'd buffer
#   tinytiff  header+IFD with fwrite, then the strip with fwrite
# and quorvane's own file writer alone (savetiff: ImageBuffer::SaveTiff of
# already decoded frames), which tells the writer's share from decoding's.
# fwrite2 and pieces2 are the two-writer baselines of --jobs 2: two processes,
# each writing one half of the same files into the same folder, started
# together; their time runs from the common start to the later end.
# procs2 is the converter's own two-process form of that: two quorvane-cli
# convert --jobs 1 runs at once, one per half (--first/--last), timed from
# outside; beside jobs2 it tells threads sharing a process from processes.
#
#   bash bench/convert-baselines.sh [BUILD_DIR]
#
# BUILD_DIR (default build-release) must hold cli/quorvane-cli and
# bench/bench_write_baselines, built in Release; nothing is built here.
# Settings: FRAMES (520: 1.09 GB of 16-bit files at 1024x1024), SIZE,
# ROUNDS (3), BITS ("16 8"), FOLDERS ("/dev/shm/quorvane-bench
# /var/tmp/quorvane-bench": a tmpfs and a disk folder; each is created and
# removed again), CORRECTION (none|offset|offset-gain, default none),
# CLI_BEFORE (another quorvane-cli, e.g. an earlier build, timed beside this
# one as jobs1-before and jobs2-before).
#
# Every round runs each contender once, in a rotated order, into an emptied
# folder. "unsynced" is the time until the writer is done, "synced" adds one
# sync after it. The baselines time their own write loop (their decoding of
# the few frames they cycle through is left out); quorvane-cli is timed from
# outside, start-up, open and decoding included. Medians are reported, with
# speed ratios: > 1 means faster than that baseline.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/cli/quorvane-cli"
writer="$build/bench/bench_write_baselines"
frames="${FRAMES:-520}"
size="${SIZE:-1024x1024}"
rounds="${ROUNDS:-3}"
bits_list="${BITS:-16 8}"
folders="${FOLDERS:-/dev/shm/quorvane-bench /var/tmp/quorvane-bench}"
correction="${CORRECTION:-none}"
for exe in "$cli" "$writer"; do
  [ -x "$exe" ] || { echo "no $exe: build Release first" >&2; exit 1; }
done

recdir="$(mktemp -d /dev/shm/quorvane-rec.XXXXXX)"
cleanup() {
  rm -rf "$recdir"
  for f in $folders; do rm -rf "$f"; done
}
trap cleanup EXIT
rec="$recdir/bench.vrn"
"$cli" demo "$rec" --frames "$frames" --size "$size" --correction "$correction" >/dev/null

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 }
  END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

contenders=(jobs1 jobs2 procs2 savetiff fwrite pieces libtiff tinytiff fwrite2 pieces2)
if [ -n "${CLI_BEFORE:-}" ]; then
  contenders+=(jobs1-before jobs2-before)
fi
declare -A unsynced synced

# two_writers MODE OUT BITS: both halves at once; prints the seconds from the
# common start to the later end.
two_writers() {
  local mode="$1" out="$2" bits="$3" half=$((frames / 2)) start a b
  start=$(awk "BEGIN { printf \"%.6f\", $(date +%s.%N) + 0.5 }")
  "$writer" "$mode" "$out" "$frames" "$rec" "$bits" 0 "$half" "$start" >"$out.a" &
  "$writer" "$mode" "$out" "$frames" "$rec" "$bits" "$half" "$frames" "$start" >"$out.b" &
  wait
  a=$(cat "$out.a") b=$(cat "$out.b")
  rm -f "$out.a" "$out.b"
  awk "BEGIN { print ($a > $b ? $a : $b) }"
}

# measure FOLDER BITS NAME: one timed run into the emptied FOLDER/out.
measure() {
  local folder="$1" bits="$2" name="$3" out="$1/out" t0 t1 t2 inner=""
  rm -rf "$out"
  mkdir -p "$out"
  sync
  t0=$(now)
  case "$name" in
    jobs1 | jobs2)
      "$cli" convert "$rec" -o "$out/frame.tif" --bits "$bits" --jobs "${name#jobs}" --quiet ;;
    jobs1-before | jobs2-before)
      local jobs="${name%-before}"
      "$CLI_BEFORE" convert "$rec" -o "$out/frame.tif" --bits "$bits" --jobs "${jobs#jobs}" --quiet ;;
    procs2)
      "$cli" convert "$rec" -o "$out/frame.tif" --bits "$bits" --jobs 1 --quiet \
        --last $((frames / 2 - 1)) &
      "$cli" convert "$rec" -o "$out/frame.tif" --bits "$bits" --jobs 1 --quiet \
        --first $((frames / 2)) &
      wait ;;
    fwrite2 | pieces2) inner=$(two_writers "${name%2}" "$out" "$bits") ;;
    *) inner=$("$writer" "$name" "$out" "$frames" "$rec" "$bits") ;;
  esac
  t1=$(now)
  sync
  t2=$(now)
  local count
  count=$(find "$out" -type f | wc -l)
  [ "$count" -eq "$frames" ] || { echo "$name wrote $count files, expected $frames" >&2; exit 1; }
  local u s
  if [ -n "$inner" ]; then
    u="$inner"
    s=$(calc "$inner + $t2 - $t1")
  else
    u=$(calc "$t1 - $t0")
    s=$(calc "$t2 - $t0")
  fi
  local key="$folder|$bits|$name"
  unsynced[$key]="${unsynced[$key]:-} $u"
  synced[$key]="${synced[$key]:-} $s"
  printf '    %-9s %7.3f s unsynced %7.3f s synced\n' "$name" "$u" "$s"
}

echo "Recording: $frames frames of $size (correction $correction), load: $(cut -d' ' -f1-3 /proc/loadavg)"
for folder in $folders; do
  mkdir -p "$folder"
  for bits in $bits_list; do
    for ((r = 0; r < rounds; r++)); do
      echo "  $folder, $bits-bit, round $((r + 1))"
      n=${#contenders[@]}
      for ((c = 0; c < n; c++)); do
        measure "$folder" "$bits" "${contenders[$(((c + r) % n))]}"
      done
    done
    # The same bytes as the fwrite baseline, which writes finished file blocks.
    rm -rf "$folder/out" "$folder/ref"
    mkdir -p "$folder/out" "$folder/ref"
    "$cli" convert "$rec" -o "$folder/out/frame.tif" --bits "$bits" --quiet
    "$writer" fwrite "$folder/ref" 8 "$rec" "$bits" >/dev/null
    for i in 0 1 2 3 4 5 6 7; do
      f=$(printf 'frame_%06d.tif' "$i")
      cmp -s "$folder/out/$f" "$folder/ref/$f" || { echo "output differs from baseline: $f" >&2; exit 1; }
    done
    rm -rf "$folder/out" "$folder/ref"
  done
  rm -rf "$folder"
done
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

file_bytes() { # bits
  local w="${size%x*}" h="${size#*x}"
  echo $((200 + w * h * $1 / 8))
}
echo
echo "Medians of $rounds rounds; speed ratio = baseline time / contender time"
echo
echo "| folder | bits | contender | unsynced s | MB/s | synced s | MB/s | vs best raw (u/s) | vs two writers (u/s) | vs libtiff (u/s) | vs tinytiff (u/s) |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for folder in $folders; do
  for bits in $bits_list; do
    mb=$(calc "$frames * $(file_bytes "$bits") / 1000000")
    declare -A mu ms
    for name in "${contenders[@]}"; do
      key="$folder|$bits|$name"
      mu[$name]=$(median "${unsynced[$key]}")
      ms[$name]=$(median "${synced[$key]}")
    done
    rawu=$(awk "BEGIN { a=${mu[fwrite]}; b=${mu[pieces]}; print (a < b ? a : b) }")
    raws=$(awk "BEGIN { a=${ms[fwrite]}; b=${ms[pieces]}; print (a < b ? a : b) }")
    twou=$(awk "BEGIN { a=${mu[fwrite2]}; b=${mu[pieces2]}; print (a < b ? a : b) }")
    twos=$(awk "BEGIN { a=${ms[fwrite2]}; b=${ms[pieces2]}; print (a < b ? a : b) }")
    for name in "${contenders[@]}"; do
      u=${mu[$name]} s=${ms[$name]}
      printf '| %s | %s | %s | %.3f | %.0f | %.3f | %.0f | %.2f / %.2f | %.2f / %.2f | %.2f / %.2f | %.2f / %.2f |\n' \
        "$folder" "$bits" "$name" "$u" "$(calc "$mb / $u")" "$s" "$(calc "$mb / $s")" \
        "$(calc "$rawu / $u")" "$(calc "$raws / $s")" \
        "$(calc "$twou / $u")" "$(calc "$twos / $s")" \
        "$(calc "${mu[libtiff]} / $u")" "$(calc "${ms[libtiff]} / $s")" \
        "$(calc "${mu[tinytiff]} / $u")" "$(calc "${ms[tinytiff]} / $s")"
    done
    unset mu ms
  done
done
