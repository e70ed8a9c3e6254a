#!/usr/bin/env bash
# Runs Perinax.exe on the bundled example under Wine and shows what it did:
#
#   scripts/run-demo.sh BUILD_DIR [WINDOWS_VERSION]
#
# BUILD_DIR is a Windows build folder (build/windows). WINDOWS_VERSION is the
# version Wine reports to Perinax.exe: vista, win7 (the default), win8, win81
# or win10. The demo uses a 64-bit Wine prefix of its own, made once in
# BUILD_DIR/demo/wine, and runs in BUILD_DIR/demo/run, a folder holding
# Perinax.exe, examples/Perinax.ini, the trace viewer, the demo's Windows
# Installer package and perinax-explain.exe. It shows what that Perinax.ini
# did, whoever wrote it: the registry value it names for the version on x64
# (as perinax-explain --json plans it), removed before the run and looked up
# in both views after it; the exit code, and whose it is; for the demo's own
# package, what it installed; and perinax-explain's table for the file.
set -euo pipefail
. "$(dirname "$0")/../cmake/wine-env.sh"

versions="vista win7 win8 win81 win10"
usage="usage: $0 BUILD_DIR [${versions// /|}]  (BUILD_DIR holds Perinax.exe)"
if [ $# -lt 1 ] || [ ! -f "$1/Perinax.exe" ]; then
  echo "$usage" >&2
  exit 2
fi
version=${2:-win7}
case " $versions " in
  *" $version "*) ;;
  *) echo "unknown Windows version '$version': choose one of $versions" >&2; exit 2 ;;
esac
build=$(cd "$1" && pwd)
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
# Windows' verb for a .msi, which passes the parameters on (Wine's drops them).
"$source_dir/cmake/set-msi-verb.sh"

rm -rf "$folder"
mkdir -p "$folder"
cp "$build/Perinax.exe" "$build/tools/perinax-trace.exe" "$build/tools/perinax-explain.exe" \
  "$build/examples/perinax-demo.msi" "$source_dir/examples/Perinax.ini" "$folder/"
cd "$folder"

# What this Perinax.ini has Perinax do here (x64, at this version), planned by
# the checker from the file: the program to start and the registry value.
case_name=$version-x64
plan=$(wine perinax-explain.exe --json --case "$case_name" Perinax.ini | tr -d '\r') ||
  [ $? -eq 1 ] || { echo "perinax-explain cannot read Perinax.ini" >&2; exit 1; }
# One line of fields split by \x1f, which keeps an empty value name.
IFS=$'\x1f' read -r setup_file view key name value not_written < <(python3 -c '
import json, sys
case = json.loads(sys.stdin.read())["cases"][0]
r = case["registry"] or {}
print("\x1f".join(str(x) for x in (case["setup_file"] or "", r.get("view", ""), r.get("key", ""),
      r.get("name", ""), r.get("value", ""), case.get("nothing_written") or r.get("nothing_written") or "")))
' <<<"$plan")
value_args() { if [ -n "$name" ]; then printf '%s\n' /v "$name"; else echo /ve; fi; }
mapfile -t value_arg < <(value_args)

# Wine's per-program setting picks the Windows version Perinax.exe sees. What an
# earlier demo run left is removed so that this one starts clean: the package
# (a package that is installed already would only be repaired), its values,
# and the value this file names, in both views, so that only this run can
# have written what is found afterwards.
wine reg add 'HKCU\Software\Wine\AppDefaults\Perinax.exe' /v Version /d "$version" /f >/dev/null
wine msiexec /x perinax-demo.msi /qn >/dev/null 2>&1 || true
for view_bits in 32 64; do
  wine reg delete 'HKLM\SOFTWARE\Perinax' /f "/reg:$view_bits" >/dev/null 2>&1 || true
  [ -z "$key" ] || wine reg delete "HKLM\\$key" "${value_arg[@]}" /f "/reg:$view_bits" >/dev/null 2>&1 || true
done

# The command line, exactly as a deployment tool would give it: Perinax.exe
# passes everything after its own name on, untouched, to the package, and
# msiexec takes /qn (no user interface) and the property from it. It runs
# through a script so that Wine hands over the quotes as written.
command='perinax-trace.exe Perinax.exe /qn GREETING="Hello from Perinax"'
printf '@%s\r\n' "$command" >demo.cmd

echo "Windows version: $version    folder: $folder"
echo "> $command"
echo
echo "--- trace of Perinax.exe ---"
status=0
wine cmd /c demo.cmd 2>viewer.txt | tr -d '\r' | tee trace.txt || status=$?
echo "---"
# Under Wine the shell sees only the low byte of the exit code; the viewer
# reports the whole of it. Whose code it is the trace tells: a setup program
# ran only when it was created.
exit_line=$(grep -a 'exit code' viewer.txt | tr -d '\r' || true)
[ -n "$exit_line" ] || { echo "the trace viewer failed (status $status):"; cat viewer.txt; exit 1; }
code=${exit_line#perinax-trace: exit code }
if grep -qx 'GetExitCodeProcess fail' trace.txt; then
  echo "Exit code of Perinax.exe: the setup program ran, but its exit code could not be read: $code"
elif grep -qx 'CreateProcess' trace.txt; then
  echo "Exit code of Perinax.exe, the setup program's ($setup_file): $code"
else
  echo "Exit code of Perinax.exe: the start failed: $code"
fi

show_value() {  # VIEW: the value this file names, as found in that view
  local found
  if found=$(wine reg query "HKLM\\$key" "${value_arg[@]}" "/reg:$1" 2>/dev/null); then
    echo "  $1-bit view: $(tr -d '\r' <<<"$found" | grep -v '^$' | tail -n 1 | sed 's/^ *//')"
  else
    echo "  $1-bit view: not there"
  fi
}
echo
echo "The registry value this Perinax.ini names for $case_name (perinax-explain --json --case $case_name):"
if [ -n "$key" ]; then
  printf '  HKLM\\%s  %s = 0x%08X (%s), in the %s-bit view\n' "$key" "${name:-(Default)}" "$value" "$value" "$view"
  echo "Found after the run (it was removed from both views before it):"
  show_value 64
  show_value 32
else
  echo "  none: ${not_written:-nothing is written}"
fi

if [ "$setup_file" = perinax-demo.msi ]; then
  echo
  echo "The package's registry value (a 32-bit package: the 32-bit view) and file:"
  if found=$(wine reg query 'HKLM\SOFTWARE\Perinax\DemoPackage' /reg:32 2>/dev/null); then
    tr -d '\r' <<<"$found" | grep -v '^$'
  else
    echo 'HKLM\SOFTWARE\Perinax\DemoPackage: not in the 32-bit view'
  fi
  installed_file="$prefix/drive_c/Program Files (x86)/Perinax Demo Package/readme.txt"
  if [ -f "$installed_file" ]; then
    echo 'C:\Program Files (x86)\Perinax Demo Package\readme.txt'
  else
    echo 'C:\Program Files (x86)\Perinax Demo Package\readme.txt: not installed'
  fi
fi

# What perinax-explain predicts for this Perinax.ini on every Windows version;
# the row of the version above is what this run did. Exit code 1 only means
# that it found something to warn about.
echo
echo "> perinax-explain.exe Perinax.ini"
wine perinax-explain.exe Perinax.ini | tr -d '\r' || [ "${PIPESTATUS[0]}" -eq 1 ]
