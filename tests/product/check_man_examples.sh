#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Runs every example of the manual pages (the ``` blocks of their sources),
# one block after another in one scratch folder, as a reader would type them.
# The folder starts with what the examples name but do not make: day/ with
# two recordings, run1.vrn and run2.vrn.
# Usage: check_man_examples.sh DIRS PAGE.scd...  (DIRS: the programs' folders, as in PATH)
set -uo pipefail
dirs="$1"
shift
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export PATH="$dirs:$PATH"
# The viewer keeps its profile and its instance socket inside the scratch folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/day"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$work"
for name in day/a.vrn day/b.vrn run1.vrn run2.vrn; do
  quorvane-cli demo "$name" --frames 4 --size 64x32 >/dev/null || exit 1
done

status=0
count=0
for page in "$@"; do
  blocks="$(awk '/^```/ { inside = !inside; if (!inside) printf "%c\n", 30; next } inside' "$page")"
  while IFS= read -r -d $'\x1e' block; do
    block="${block#$'\n'}"
    [ -n "$block" ] || continue
    count=$((count + 1))
    if [[ "$block" == quorvane\ * || "$block" == quorvane ]]; then
      # The viewer runs until it is closed: still running after a few
      # seconds, without a line of its own on stderr, is a good start (the
      # toolkit's notes about the offscreen platform do not count).
      err="$(timeout 5 bash -c "$block" 2>&1 >/dev/null)"
      rc=$?
      err="$(grep '^quorvane' <<<"$err")"
      if [ $rc -ne 124 ] && [ $rc -ne 0 ] || [ -n "$err" ]; then
        echo "$(basename "$page"): '$block' ended with $rc: $err"
        status=1
      fi
    elif ! out="$(bash -e -c "$block" 2>&1)"; then
      echo "$(basename "$page"): '$block' failed: $out"
      status=1
    fi
  done < <(printf '%s' "$blocks")
done
if [ $count -eq 0 ]; then
  echo "no examples found in $*"
  exit 1
fi
echo "$count examples ran"
exit $status
