#!/usr/bin/env bash
# The style check sees a badly formatted source that git does not know yet.
#   style-self-test.sh SOURCE_DIR
set -euo pipefail
root=${1:?source folder}
tree=$(mktemp -d); trap 'rm -rf "$tree"' EXIT
cp "$root/.clang-format" "$tree/"
mkdir -p "$tree/library/new"
printf 'int   Untracked( ){return 0;}\n' >"$tree/library/new/Untracked.cpp"
if "$root/tests/checks/style.sh" "$tree" >"$tree/out" 2>&1; then
  echo "the style check passed a badly formatted file that git does not know"; cat "$tree/out"; exit 1
fi
grep -q 'library/new/Untracked.cpp' "$tree/out" || { echo "the file was not named:"; cat "$tree/out"; exit 1; }
echo "the style check names the untracked file"
