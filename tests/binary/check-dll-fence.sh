#!/usr/bin/env bash
# Checks that a program of ours loads no DLL from its own folder at start-up:
#   check-dll-fence.sh EXE OBJDUMP [DLL...]
# it imports KERNEL32 and the named KnownDLLs alone (the loader takes those from
# System32 whatever the folder holds), and its load configuration tells
# Windows 10 1607 and later to resolve the imports' own imports from System32
# (DependentLoadFlags = LOAD_LIBRARY_SEARCH_SYSTEM32, 0x800).
set -euo pipefail
exe=$1
objdump=$2
shift 2
allowed=$(printf '%s\n' kernel32.dll "$@" | tr '[:upper:]' '[:lower:]' | sort | paste -sd' ')

headers=$("$objdump" -p "$exe")
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers" | sort | paste -sd' ')
failures=0
if [ "$imports" = "$allowed" ]; then
  echo "ok:   imports $imports"
else
  echo "FAIL: imports '$imports', want '$allowed'"
  failures=$((failures + 1))
fi

read -r rva size < <(awk '/Load Configuration Directory/ {print $3, $4}' <<<"$headers")
base=$(awk '/^ImageBase/ {print $2}' <<<"$headers")
if [ "$((16#$rva))" -eq 0 ] || [ "$((16#$size))" -lt 56 ]; then
  echo "FAIL: no load configuration directory (entry $rva, size $size)"
  exit 1
fi
# DependentLoadFlags: the 16 bits at offset 0x36 of the load configuration.
at=$((16#$base + 16#$rva + 0x36))
bytes=$("$objdump" -s --start-address="$at" --stop-address=$((at + 2)) "$exe" |
        awk '/^ [0-9a-f]+ / {print $2; exit}')
flags=$((16#${bytes:2:2}${bytes:0:2}))
if [ "$flags" -eq $((0x800)) ]; then
  echo "ok:   DependentLoadFlags 0x800 (LOAD_LIBRARY_SEARCH_SYSTEM32)"
else
  echo "FAIL: DependentLoadFlags $(printf 0x%x "$flags"), want 0x800"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
