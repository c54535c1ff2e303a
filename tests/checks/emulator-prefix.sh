#!/usr/bin/env bash
# The test emulator runs programs in the build's own Wine prefix, whatever
# WINEPREFIX the caller has (a plain `ctest` must never use ~/.wine).
#   emulator-prefix.sh EMULATOR PREFIX
set -euo pipefail
emulator=${1:?emulator} prefix=${2:?prefix}
seen=$(WINEPREFIX="$HOME/.wine" ZARVO_WINE_LOADER=/usr/bin/env "$emulator" | sed -n 's/^WINEPREFIX=//p')
[ "$seen" = "$prefix" ] || { echo "the emulator runs programs in '$seen', not in $prefix"; exit 1; }
out=$(DISPLAY= ZARVO_WINE_LOADER=/usr/bin/env "$emulator" 2>&1) && { echo "ran without a display"; exit 1; }
grep -q 'run.sh' <<<"$out" || { echo "no hint without a display: $out"; exit 1; }
echo "programs run in $prefix; without a display the emulator says: $out"
