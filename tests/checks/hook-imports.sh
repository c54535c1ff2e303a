#!/usr/bin/env bash
# The hook DLL is mapped into every process of the desktop: it imports USER32,
# KERNEL32 and the system C runtime, nothing else.
#   hook-imports.sh OBJDUMP DLL
set -euo pipefail
objdump=${1:?objdump} dll=${2:?dll}
imports=$("$objdump" -p "$dll" | sed -n 's/.*DLL Name: //p')
[ -n "$imports" ] || { echo "no imports read from $dll"; exit 1; }
bad=$(grep -v -i -E '^(USER32|KERNEL32)\.dll$|^api-ms-win-crt-|^msvcrt\.dll$' <<<"$imports" || true)
if [ -n "$bad" ]; then echo "the hook DLL imports more than it needs:"; echo "$bad"; exit 1; fi
echo "imports: $(paste -sd' ' <<<"$imports")"
