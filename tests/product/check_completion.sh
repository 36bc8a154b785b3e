#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Drives the bash completion of quorvane-cli as bash would: commands, options,
# option values and .vrn files for the recording.
# No -e or -u: the completion library relies on neither.
completion="$1"
source /usr/share/bash-completion/bash_completion
source "$completion"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
touch a.vrn b.txt a.manifest.json
mkdir sub
status=0
expect() {
  local want="$1"
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$*"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _quorvane_cli
  local got
  got="$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')"
  if [ "$got" != "$want" ]; then
    echo "[$*]: '$got', expected '$want'"
    status=1
  fi
}
expect "--help --version convert demo export info verify " quorvane-cli ""
expect "convert " quorvane-cli con
expect "a.vrn sub " quorvane-cli convert ""
expect "a.vrn sub " quorvane-cli info ""
expect "--bigtiff --bits " quorvane-cli convert a.vrn --bi
expect "--skip-existing --stack --step " quorvane-cli convert a.vrn --s
expect "16 8 " quorvane-cli convert a.vrn -b ""
expect "lanes quadrants " quorvane-cli demo x.vrn --layout ""
expect "--json " quorvane-cli info a.vrn --j
expect "a.manifest.json sub " quorvane-cli verify ""
expect "mkv mp4 " quorvane-cli export a.vrn --format m
expect "--output --overlay " quorvane-cli export a.vrn --o
exit $status
