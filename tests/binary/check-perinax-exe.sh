#!/usr/bin/env bash
# Checks the built Perinax.exe without running it:
#   check-perinax-exe.sh PERINAX_EXE OBJDUMP WINDRES VERSION
# a 32-bit x86 GUI program with ASLR and DEP, no time stamp, a version
# resource of VERSION (1.0.0.2) and an asInvoker manifest. Its imports and load
# configuration are checked by check-dll-fence.sh.
set -euo pipefail
exe=$1
objdump=$2
windres=$3
version=$4
commas=${version//./, }
version_re=${version//./\\.}

failures=0
check() {
  local what=$1
  shift
  if "$@"; then
    echo "ok:   $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}

headers=$("$objdump" -p "$exe")
resources=$("$windres" -i "$exe" -O rc 2>&1 || true)
has() { grep -Eq -- "$1" <<<"$2"; }

check "PE32 for i386" has 'file format pei-i386' "$headers"
check "PE32 optional header (magic 010b)" has '^Magic[[:space:]]+010b' "$headers"
check "Windows GUI subsystem" has '^Subsystem[[:space:]]+00000002' "$headers"
check "no time stamp" has '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' "$headers"

flags=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
check "DYNAMIC_BASE (0x40) in DllCharacteristics $flags" test $((16#$flags & 0x40)) -ne 0
check "NX_COMPAT (0x100) in DllCharacteristics $flags" test $((16#$flags & 0x100)) -ne 0
check "relocations kept for ASLR" has '^Entry 5 [0-9a-f]+ [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation' "$headers"

check "FILEVERSION $version" has "FILEVERSION $commas\$" "$resources"
check "PRODUCTVERSION $version" has "PRODUCTVERSION $commas\$" "$resources"
check "FileVersion text" has "VALUE \"FileVersion\", \"$version_re\"" "$resources"
check "ProductVersion text" has "VALUE \"ProductVersion\", \"$version_re\"" "$resources"
check "manifest version" has "assemblyIdentity type=\"\"win32\"\" name=\"\"Perinax\"\" version=\"\"$version_re\"\"" "$resources"
check "OriginalFilename" has 'VALUE "OriginalFilename", "Perinax\.exe"' "$resources"
check "InternalName" has 'VALUE "InternalName", "Perinax"' "$resources"
check "FileDescription" has 'VALUE "FileDescription", "[^"]+"' "$resources"
check "ProductName" has 'VALUE "ProductName", "Perinax"' "$resources"
check "manifest asks for asInvoker" has 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "$resources"
for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
          4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
          8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  check "manifest supportedOS $id" has "supportedOS Id=\"\"\\{$id\\}\"\"" "$resources"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
