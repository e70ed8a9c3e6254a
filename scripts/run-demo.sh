#!/usr/bin/env bash
# Runs Perinax.exe on the bundled example under Wine and shows what it did:
#
#   scripts/run-demo.sh BUILD_DIR [WINDOWS_VERSION]
#
# BUILD_DIR is a Windows build folder (build/windows). WINDOWS_VERSION is the
# version Wine reports to Perinax.exe: vista, win7 (the default), win8, win81
# or win10. The demo uses a 64-bit Wine prefix of its own, made once in
# BUILD_DIR/demo/wine, and runs in BUILD_DIR/demo/run, a folder holding
# Perinax.exe, Perinax.ini, the trace viewer, the demo setup program and
# perinax-explain.exe, whose table for the same Perinax.ini ends the demo.
set -euo pipefail
. "$(dirname "$0")/../cmake/wine-env.sh"

if [ $# -lt 1 ] || [ ! -f "$1/Perinax.exe" ]; then
  echo "usage: $0 BUILD_DIR [vista|win7|win8|win81|win10]  (BUILD_DIR holds Perinax.exe)" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
version=${2:-win7}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
prefix=$build/demo/wine
folder=$build/demo/run

export WINEPREFIX=$prefix WINEDEBUG=-all WINEARCH=win64
if [ ! -f "$prefix/system.reg" ]; then
  echo "Making the demo's Wine prefix in $prefix (once, takes a few seconds)"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
trap 'wineserver -k 2>/dev/null || true' EXIT

rm -rf "$folder"
mkdir -p "$folder"
cp "$build/Perinax.exe" "$build/tools/perinax-trace.exe" "$build/tools/perinax-demo-setup.exe" \
  "$build/tools/perinax-explain.exe" "$source_dir/examples/Perinax.ini" "$folder/"

# Wine's per-program setting picks the Windows version Perinax.exe sees; the
# value of an earlier demo run is removed so that the run starts clean.
wine reg add 'HKCU\Software\Wine\AppDefaults\Perinax.exe' /v Version /d "$version" /f >/dev/null
for view in 32 64; do
  wine reg delete 'HKLM\SOFTWARE\Perinax' /f "/reg:$view" >/dev/null 2>&1 || true
done

# The arguments that Perinax.exe passes on, untouched, to the setup program.
# /exitcode=3010 makes the demo setup program end with 3010 ("restart needed").
args=(/quiet "/log=C:\demo log.txt" /exitcode=3010)

cd "$folder"
echo "Windows version: $version    folder: $folder"
shown=""
for arg in "${args[@]}"; do
  case $arg in *" "*) shown+=" \"$arg\"" ;; *) shown+=" $arg" ;; esac
done
echo "\$ wine perinax-trace.exe Perinax.exe$shown"
echo
echo "--- trace of Perinax.exe ---"
status=0
wine perinax-trace.exe Perinax.exe "${args[@]}" 2>viewer.txt || status=$?
echo "---"
# Under Wine the shell sees only the low byte of the exit code; the viewer
# reports the whole of it.
exit_line=$(grep -a 'exit code' viewer.txt | tr -d '\r' || true)
echo "Exit code of Perinax.exe: ${exit_line#perinax-trace: exit code }"
[ -n "$exit_line" ] || { echo "the trace viewer failed (status $status):"; cat viewer.txt; exit 1; }
echo
if [ -f setup-received.txt ]; then
  echo "The setup program received: $(cat setup-received.txt)"
else
  echo "The setup program did not run."
fi
echo
echo "Registry (64-bit view, then 32-bit view):"
for view in 64 32; do
  if values=$(wine reg query 'HKLM\SOFTWARE\Perinax\Demo' "/reg:$view" 2>/dev/null); then
    tr -d '\r' <<<"$values" | grep -v '^$'
  else
    echo "HKEY_LOCAL_MACHINE\\SOFTWARE\\Perinax\\Demo: not in the $view-bit view"
  fi
done

# What perinax-explain predicts for this Perinax.ini on every Windows version;
# the row of the version above is what this run did. Exit code 1 only means
# that it found something to warn about.
echo
echo "\$ wine perinax-explain.exe Perinax.ini"
wine perinax-explain.exe Perinax.ini | tr -d '\r' || [ "${PIPESTATUS[0]}" -eq 1 ]
