#!/usr/bin/env bash
# Creates a fresh Wine prefix for one test run, with Windows' own verb for a .msi
# (set-msi-verb.sh) and without Wine's crash dialog, which would hold a crashing
# program open until someone closes it: make-wine-prefix.sh DIR win64|win32
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
prefix=$1
arch=$2
export WINEDEBUG=-all WINEPREFIX="$prefix" WINEARCH="$arch"
if [ -d "$prefix" ]; then
  wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
fi
mkdir -p "$(dirname "$prefix")"
wineboot -i
# wineboot returns before the prefix is fully written; wait for its server.
wineserver -w
test -f "$prefix/system.reg" || { echo "make-wine-prefix: $prefix was not created" >&2; exit 1; }
"$(dirname "$0")/set-msi-verb.sh"
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wineserver -w
