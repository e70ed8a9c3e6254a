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
# Installer package and perinax-explain.exe, whose table for the same
# Perinax.ini ends the demo. Perinax.exe starts the package silently with a
# property; the demo shows Perinax's registry value, the package's own and
# msiexec's exit code, which Perinax passes on as its own.
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

# Wine's per-program setting picks the Windows version Perinax.exe sees. What an
# earlier demo run left is removed so that this one starts clean: the package
# (a package that is installed already would only be repaired) and the values.
wine reg add 'HKCU\Software\Wine\AppDefaults\Perinax.exe' /v Version /d "$version" /f >/dev/null
wine msiexec /x perinax-demo.msi /qn >/dev/null 2>&1 || true
for view in 32 64; do
  wine reg delete 'HKLM\SOFTWARE\Perinax' /f "/reg:$view" >/dev/null 2>&1 || true
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
wine cmd /c demo.cmd 2>viewer.txt | tr -d '\r' || status=$?
echo "---"
# Under Wine the shell sees only the low byte of the exit code; the viewer
# reports the whole of it.
exit_line=$(grep -a 'exit code' viewer.txt | tr -d '\r' || true)
[ -n "$exit_line" ] || { echo "the trace viewer failed (status $status):"; cat viewer.txt; exit 1; }
echo "Exit code of Perinax.exe, the setup program's (here msiexec's): ${exit_line#perinax-trace: exit code }"

show_key() {  # KEY VIEW: the key's values, or that it is not there
  local values
  if values=$(wine reg query "$1" "/reg:$2" 2>/dev/null); then
    tr -d '\r' <<<"$values" | grep -v '^$'
  else
    echo "$1: not in the $2-bit view"
  fi
}
echo
echo "Perinax's registry value (64-bit view, then 32-bit view):"
show_key 'HKLM\SOFTWARE\Perinax\Demo' 64
show_key 'HKLM\SOFTWARE\Perinax\Demo' 32
echo
echo "The package's registry value (a 32-bit package: the 32-bit view) and file:"
show_key 'HKLM\SOFTWARE\Perinax\DemoPackage' 32
installed_file="$prefix/drive_c/Program Files (x86)/Perinax Demo Package/readme.txt"
if [ -f "$installed_file" ]; then
  echo 'C:\Program Files (x86)\Perinax Demo Package\readme.txt'
else
  echo 'C:\Program Files (x86)\Perinax Demo Package\readme.txt: not installed'
fi

# What perinax-explain predicts for this Perinax.ini on every Windows version;
# the row of the version above is what this run did. Exit code 1 only means
# that it found something to warn about.
echo
echo "> perinax-explain.exe Perinax.ini"
wine perinax-explain.exe Perinax.ini | tr -d '\r' || [ "${PIPESTATUS[0]}" -eq 1 ]
