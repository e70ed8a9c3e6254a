#!/usr/bin/env bash
# Checks the built Perinax.exe without running it:
#   check-perinax-exe.sh PERINAX_EXE OBJDUMP WINDRES VERSION
# a 32-bit x86 GUI program with ASLR and DEP, no time stamp, a version
# resource of VERSION (1.0.0.2) with its company and copyright, an asInvoker
# manifest, and at most 16 KiB. Its imports and load
# configuration are checked by check-dll-fence.sh.
set -euo pipefail
exe=$1
objdump=$2
windres=$3
version=$4

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
has() { grep -Eq -- "$1" <<<"$2"; }

check "PE32 for i386" has 'file format pei-i386' "$headers"
check "PE32 optional header (magic 010b)" has '^Magic[[:space:]]+010b' "$headers"
check "Windows GUI subsystem" has '^Subsystem[[:space:]]+00000002' "$headers"
# Small enough to ship beside any setup program and to read whole in a review:
# the image, without the signature a signed copy carries after it.
read -r signature < <(awk '/^Entry 4 / {print $4}' <<<"$headers")
size=$(($(stat -c %s "$exe") - 16#${signature:-0}))
check "an image of at most 16 KiB ($size bytes)" test "$size" -le 16384
check "no time stamp" has '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970' "$headers"

flags=$(awk '/^DllCharacteristics/ {print $2}' <<<"$headers")
check "DYNAMIC_BASE (0x40) in DllCharacteristics $flags" test $((16#$flags & 0x40)) -ne 0
check "NX_COMPAT (0x100) in DllCharacteristics $flags" test $((16#$flags & 0x100)) -ne 0
check "relocations kept for ASLR" has '^Entry 5 [0-9a-f]+ [0-9a-f]*[1-9a-f][0-9a-f]* Base Relocation' "$headers"

# The version resource and the manifest, checked as the tools' are.
"$(dirname "$0")/check-version-resource.sh" "$exe" "$windres" "$version" Perinax Perinax.exe \
  "Perinax setup launcher" "$(dirname "$0")/../../LICENSE" || failures=$((failures + $?))
"$(dirname "$0")/check-manifest.sh" "$exe" "$windres" "$version" Perinax || failures=$((failures + $?))

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
