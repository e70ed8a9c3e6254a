#!/usr/bin/env bash
# A test of the release's self-test: builds Perinax.exe with each named fault of
# tests/faults/faults.txt planted, in a copy of the source tree (the tree and its builds stay
# untouched), puts it into a copy of the unzipped release, runs perinax-selftest.exe there in
# the 64-bit Wine prefix and reports whether the self-test failed, as it must:
#
#   scripts/check-selftest-faults.sh [ID...]   (when none is named, a few faults of the launch,
#                                               the registry, the sections and the DLL fence)
#
# A fault shows only on a Windows where its code runs: one in the choice of the win8.1 section
# (ini-1) passes a self-test on the prefixes' Windows 7, and Wine shows no error box to suppress
# (launch-6).
# Run it after the Windows tests (ctest --preset windows), which leave the release they
# unzipped in build/windows/selftest-release/win64. Prints one line a fault; exits with the
# number of faults the self-test missed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 2
source_dir=$PWD
# shellcheck source=faults-lib.sh
. scripts/faults-lib.sh
release=$(find build/windows/selftest-release/win64 -maxdepth 1 -type d -name 'Perinax-*' | head -n 1)
export WINEPREFIX=$source_dir/build/windows/wine/win64 WINEDEBUG=-all
if [ -z "$release" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "check-selftest-faults: run the Windows tests first (ctest --preset windows)" >&2
  exit 2
fi
ids=("$@")
[ ${#ids[@]} -gt 0 ] || ids=(app-6 shell-1 reg-4 reg-6 launch-5 ini-2 fencew-1)
work=$source_dir/build/selftest-faults
rm -rf "$work"
mkdir -p "$work/src"
git archive HEAD | tar -x -C "$work/src"
cmake -S "$work/src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$work/src/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
missed=0
while IFS=$'\t' read -r id file old new what; do
  [[ " ${ids[*]} " == *" $id "* ]] || continue
  git show "HEAD:$file" >"$work/src/$file"
  if ! apply "$work/src/$file" "$old" "$new" 2>/dev/null ||
    ! cmake --build "$work/build" --target Perinax >"$work/$id.build.txt" 2>&1; then
    echo "$id: cannot be built ($what)"
    missed=$((missed + 1))
    continue
  fi
  git show "HEAD:$file" >"$work/src/$file"
  rm -rf "$work/release"
  cp -r "$release" "$work/release"
  cp "$work/build/Perinax.exe" "$work/release/Perinax.exe"
  (cd "$work/release" && "$source_dir/cmake/wine-run.sh" perinax-selftest.exe >"$work/$id.txt" 2>&1)
  code=$?
  if [ "$code" -eq 1 ]; then
    echo "$id: caught, $(tail -n 1 "$work/$id.txt") ($what)"
    grep '^FAIL' "$work/$id.txt" | head -n 3 | cut -c1-200 | sed 's/^/    /'
  else
    echo "$id: MISSED, exit code $code ($what)"
    missed=$((missed + 1))
  fi
done < <(parse tests/faults/faults.txt)
exit "$missed"
