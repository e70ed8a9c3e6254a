#!/usr/bin/env bash
# Checks that the release package is the same bytes from build to build:
#   check-package-reproducible.sh BUILD_DIR
# builds the shipped programs once more in a second, clean build folder (another
# path, another umask, later file times) and packages both builds; the second
# time with an osslsigncode on the PATH that fails if it is run, since an
# unsigned package must not depend on whether signing tools are installed.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/package-check
rm -rf "$work"
mkdir -p "$work/stub"

toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$build/CMakeCache.txt")
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
(
  umask 077
  cmake -S "$source_dir" -B "$work/second build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
  cmake --build "$work/second build" --target Perinax perinax-trace perinax-trace-console \
    perinax-explain perinax-selftest >/dev/null
)

unset PERINAX_SIGN_PKCS12
"$source_dir/scripts/make-package.sh" "$build" "$work/first"
printf '#!/bin/sh\necho "osslsigncode run for an unsigned package" >&2\nexit 1\n' >"$work/stub/osslsigncode"
chmod +x "$work/stub/osslsigncode"
PATH=$work/stub:$PATH "$source_dir/scripts/make-package.sh" "$work/second build" "$work/second"

failures=0
for zip in "$work"/first/*.zip; do
  other=$work/second/$(basename "$zip")
  if cmp "$zip" "$other"; then
    echo "ok:   $(basename "$zip") is the same bytes from both builds"
  else
    echo "FAIL: $zip and $other differ"
    failures=1
  fi
done
[ "$failures" -eq 0 ] && rm -rf "$work" && echo "all checks passed"
exit "$failures"
