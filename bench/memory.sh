#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Peak resident memory of quorvane-cli convert on a short and a long recording,
# with --jobs 1 and 2, 16- and 8-bit output. The peak must stay below
# 64 MB + 4 x the decoded frame size per job, and must not grow with the
# recording's length.
#
#   bash bench/memory.sh [BUILD_DIR] [WORK_DIR]
#
# BUILD_DIR defaults to build-release (cli/quorvane-cli built in Release);
# WORK_DIR (default /var/tmp/quorvane-memory) receives the recordings and the
# output and is removed afterwards. Settings: SIZE (1024x1024), SHORT_FRAMES
# (160: a 210 MB recording), LONG_FRAMES (1640: 2.15 GB), CORRECTION
# (offset-gain, so the correction maps count too). Needs GNU time
# (/usr/bin/time, Debian package "time").
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
work="${2:-/var/tmp/quorvane-memory}"
cli="$build/cli/quorvane-cli"
size="${SIZE:-1024x1024}"
short_frames="${SHORT_FRAMES:-160}"
long_frames="${LONG_FRAMES:-1640}"
correction="${CORRECTION:-offset-gain}"
[ -x "$cli" ] || { echo "no $cli: build Release first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "GNU time is needed: apt-get install time" >&2; exit 1; }

mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
width="${size%x*}"
height="${size#*x}"
frame_kib=$((width * height * 2 / 1024)) # one decoded frame

peak_kib() { # recording bits jobs
  rm -rf "$work/out"
  mkdir -p "$work/out"
  /usr/bin/time -f '%M' -o "$work/time.txt" \
    "$cli" convert "$1" -o "$work/out/frame.tif" --bits "$2" --jobs "$3" --quiet
  local count
  count=$(find "$work/out" -type f | wc -l)
  rm -rf "$work/out"
  echo "$(tail -1 "$work/time.txt") $count"
}

echo "| recording | bytes | bits | jobs | files | peak RSS (MiB) | limit (MiB) | within |"
echo "|---|---|---|---|---|---|---|---|"
fail=0
declare -A peaks
for frames in "$short_frames" "$long_frames"; do
  rec="$work/rec-$frames.vrn"
  "$cli" demo "$rec" --frames "$frames" --size "$size" --correction "$correction" >/dev/null
  bytes=$(stat -c %s "$rec")
  for bits in 16 8; do
    for jobs in 1 2; do
      read -r kib count < <(peak_kib "$rec" "$bits" "$jobs")
      # 64 MB counted as 64,000,000 bytes, the stricter reading.
      limit_kib=$((64000000 / 1024 + 4 * frame_kib * jobs))
      within=yes
      if [ "$kib" -ge "$limit_kib" ] || [ "$count" -ne "$frames" ]; then
        within=NO
        fail=1
      fi
      peaks[$frames,$bits,$jobs]=$kib
      printf '| %s frames of %s | %s | %s | %s | %s | %.1f | %.1f | %s |\n' "$frames" "$size" \
        "$bytes" "$bits" "$jobs" "$count" "$(awk "BEGIN { print $kib / 1024 }")" \
        "$(awk "BEGIN { print $limit_kib / 1024 }")" "$within"
    done
  done
  rm -f "$rec"
done
echo
echo "Growth from $short_frames to $long_frames frames (long - short peak):"
for bits in 16 8; do
  for jobs in 1 2; do
    d=$((peaks[$long_frames,$bits,$jobs] - peaks[$short_frames,$bits,$jobs]))
    printf '  %2s-bit, jobs %s: %+d KiB\n' "$bits" "$jobs" "$d"
    # More than one decoded frame of growth counts as growing with the length.
    [ "$d" -lt "$frame_kib" ] || fail=1
  done
done
exit "$fail"
