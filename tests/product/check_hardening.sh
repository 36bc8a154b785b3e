#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Checks what the hardened build promises of each program or module given:
# checked libc functions, a stack protector, control-flow protection (the
# functions start with endbr64; the linked property note is dropped by the
# system's start files, as in every program of the distribution), full RELRO
# with immediate binding, and no .comment section.
set -uo pipefail
status=0
fail() {
  echo "$1: $2"
  status=1
}
for file in "$@"; do
  symbols="$(readelf --dyn-syms --wide "$file")"
  grep -q '__[a-z_]*_chk' <<<"$symbols" || fail "$file" "no checked (_chk) libc functions"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$file" "no stack protector"
  [ "$(objdump -d "$file" | grep -c endbr64)" -gt 100 ] || fail "$file" "no control-flow protection"
  readelf --program-headers "$file" | grep -q 'GNU_RELRO' || fail "$file" "no RELRO segment"
  readelf --dynamic "$file" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || fail "$file" "not bound now"
  ! readelf --section-headers --wide "$file" | grep -q '\.comment' || fail "$file" "has .comment"
done
[ $status -eq 0 ] && echo "$# files hardened"
exit $status
