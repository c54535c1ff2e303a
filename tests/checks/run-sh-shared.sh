#!/usr/bin/env bash
# A second run.sh on a build whose platform another run.sh keeps (the one
# running these tests, or an open `./run.sh shell`) uses that display and
# Wine server and stops none of them.
#   run-sh-shared.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
root=${1:?source folder} build=${2:?build folder}
owner="" display=""
[ -s "$build/platform.env" ] && read -r owner display <"$build/platform.env"
if [ -z "$owner" ] || ! kill -0 "$owner" 2>/dev/null; then
  echo "no run.sh keeps this build's platform (ctest ran on its own): nothing to share"
  exit 77
fi
servers() { { pgrep wineserver || true; } | sort | paste -sd" "; }
before=$(servers)
out=$(echo 'echo "display=$DISPLAY prefix=$WINEPREFIX"' \
      | env -u DISPLAY BUILD_DIR=$build ZARVO_RUN_SH_NO_BUILD=1 timeout 120 "$root/run.sh" shell 2>&1) \
  || { echo "the second run.sh failed:"; echo "$out"; exit 1; }
grep -q "display=$display prefix=$build/wineprefix" <<<"$out" \
  || { echo "the second run.sh did not use display $display:"; echo "$out"; exit 1; }
kill -0 "$owner" 2>/dev/null || { echo "the first run.sh ended"; exit 1; }
[ -e "/tmp/.X11-unix/X${display#:}" ] || { echo "the display $display is gone"; exit 1; }
after=$(servers)
for pid in $before; do
  grep -qw "$pid" <<<"$after" || { echo "Wine server $pid was stopped (before: $before, after: $after)"; exit 1; }
done
echo "shared display $display and Wine servers $after with run.sh $owner"
