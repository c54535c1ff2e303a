#!/usr/bin/env bash
# run.sh answers `help` and an unknown mode at once, before it installs or
# builds anything.
#   run-sh-usage.sh SOURCE_DIR
set -euo pipefail
root=${1:?source folder}
scratch=$(mktemp -d); trap 'rm -rf "$scratch"' EXIT
build=$scratch/build  # must stay untouched
check() {  # label, expected exit code, expected stream (out|err), arguments...
  local label=$1 want=$2 stream=$3; shift 3
  local rc=0
  BUILD_DIR=$build timeout 20 "$root/run.sh" "$@" >"$scratch/out" 2>"$scratch/err" || rc=$?
  [ "$rc" -eq "$want" ] || { echo "$label: exit $rc, not $want"; cat "$scratch/out" "$scratch/err"; exit 1; }
  grep -q '^usage: ' "$scratch/$stream" || { echo "$label: no usage on std$stream"; exit 1; }
  [ ! -e "$build" ] || { echo "$label: created $build"; exit 1; }
  echo "$label: exit $rc, usage on std$stream, nothing built"
}
check "help" 0 out help
check "--help" 0 out --help
check "unknown mode" 2 err frobnicate
