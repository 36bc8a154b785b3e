#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# The video sink against what a user does today with the same libraries, in
# one run, for FFV1 in Matroska (lossless, gray16le) and H.264 in MP4 (CRF 18,
# preset veryfast):
#   sink   bench_video sink: frames decoded by the reader straight into the
#          sink, one process
#   export `quorvane-cli export` (when this build has it): the same sink behind
#          the export engine's decode
#   pipe   bench_video raw writing the decoded frames to stdout, piped into
#          `ffmpeg -f rawvideo -pix_fmt gray16le|gray ... -i - -c:v ffv1|libx264`
#   tiff   `quorvane-cli convert` to a TIFF sequence (16-bit for FFV1, 8-bit for
#          H.264), then `ffmpeg -framerate 30 -i f_%06d.tif` with the same encoder
#
#   bash bench/video-bench.sh [BUILD_DIR]
#
# BUILD_DIR (default build-release) must hold cli/quorvane-cli and
# bench/bench_video built in Release; ffmpeg must be installed. Settings:
# FRAMES (520), SIZE (1024x1024), ROUNDS (3), CODECS ("ffv1 h264"), JOBS (2),
# FOLDER (/dev/shm/quorvane-video-bench, created and removed again). Each
# round runs every contender once, in a rotated order, into an emptied
# folder. Every contender is timed from outside (start-up, open and decoding
# included); "cpu" is the processor time (user + system) of it and its
# children, which the load of other processes disturbs less than the elapsed
# time. Medians are reported with speed ratios (> 1: the sink is faster).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-release}"
cli="$build/cli/quorvane-cli"
bench="$build/bench/bench_video"
frames="${FRAMES:-520}"
size="${SIZE:-1024x1024}"
rounds="${ROUNDS:-3}"
codecs="${CODECS:-ffv1 h264}"
jobs="${JOBS:-2}"
folder="${FOLDER:-/dev/shm/quorvane-video-bench}"
for exe in "$cli" "$bench"; do
  [ -x "$exe" ] || { echo "no $exe: build Release first" >&2; exit 1; }
done
command -v ffmpeg >/dev/null || { echo "no ffmpeg installed" >&2; exit 1; }
mkdir -p "$folder"
trap 'rm -rf "$folder"' EXIT
rec="$folder/bench.vrn"
"$cli" demo "$rec" --frames "$frames" --size "$size" >/dev/null

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk '{ v[NR] = $1 }
  END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.6f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

contenders=(sink pipe tiff)
if "$cli" export --help >/dev/null 2>&1; then
  contenders=(sink export pipe tiff)
fi
declare -A times cpus

# The encoder's ffmpeg options and the raw pixel format of a codec.
encoder() { [ "$1" = ffv1 ] && echo "-c:v ffv1" || echo "-c:v libx264 -crf 18 -preset veryfast"; }
extension() { [ "$1" = ffv1 ] && echo mkv || echo mp4; }

contender() { # CODEC NAME OUT_DIR
  local codec="$1" name="$2" out="$3" ext bits pix
  ext=$(extension "$codec")
  [ "$codec" = ffv1 ] && bits=16 pix=gray16le || bits=8 pix=gray
  case "$name" in
    sink) "$bench" sink "$ext" "$rec" "$out/v.$ext" "$jobs" >/dev/null ;;
    export) "$cli" export "$rec" -q -j "$jobs" -o "$out/v.$ext" ;;
    pipe)
      # shellcheck disable=SC2046
      "$bench" raw "$bits" "$rec" | ffmpeg -nostdin -v error -f rawvideo -pix_fmt "$pix" \
        -s "$size" -r 30 -i - $(encoder "$codec") "$out/v.$ext" ;;
    tiff)
      "$cli" convert "$rec" -q --jobs "$jobs" --bits "$bits" -o "$out/f.tif"
      # shellcheck disable=SC2046
      ffmpeg -nostdin -v error -framerate 30 -i "$out/f_%06d.tif" $(encoder "$codec") "$out/v.$ext" ;;
  esac
}

measure() { # CODEC NAME
  local codec="$1" name="$2" out="$folder/out" e c
  rm -rf "$out"
  mkdir -p "$out"
  export -f contender encoder extension
  export rec cli bench jobs size
  /usr/bin/time -f '%e %U %S' -o "$folder/time" bash -c "contender $codec $name $out"
  read -r e u s <"$folder/time"
  c=$(calc "$u + $s")
  times["$codec|$name"]="${times["$codec|$name"]:-} $e"
  cpus["$codec|$name"]="${cpus["$codec|$name"]:-} $c"
  printf '    %-5s %8.3f s %8.3f s cpu  %s\n' "$name" "$e" "$c" "$(du -b "$out"/v.* | cut -f1) bytes"
}

echo "Recording: $frames frames of $size, jobs $jobs, folder $folder, load: $(cut -d' ' -f1-3 /proc/loadavg)"
for codec in $codecs; do
  for ((r = 0; r < rounds; r++)); do
    echo "  $codec, round $((r + 1)), load $(cut -d' ' -f1-3 /proc/loadavg)"
    n=${#contenders[@]}
    for ((i = 0; i < n; i++)); do
      measure "$codec" "${contenders[$(((i + r) % n))]}"
    done
  done
done
rm -rf "$folder/out"
echo "Load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "Medians; ratios are speed ratios (contender time / sink time), elapsed / cpu"
echo
echo "| codec | contender | elapsed s | cpu s | sink vs it (elapsed / cpu) |"
echo "|---|---|---|---|---|"
for codec in $codecs; do
  declare -A m mc
  for name in "${contenders[@]}"; do
    m[$name]=$(median "${times["$codec|$name"]}")
    mc[$name]=$(median "${cpus["$codec|$name"]}")
  done
  for name in "${contenders[@]}"; do
    printf '| %s | %s | %.2f | %.2f | %.2f / %.2f |\n' "$codec" "$name" "${m[$name]}" "${mc[$name]}" \
      "$(calc "${m[$name]} / ${m[sink]}")" "$(calc "${mc[$name]} / ${mc[sink]}")"
  done
done
