#!/usr/bin/env bash
# Puts each deliberate fault of tests/faults/faults.txt into the product code on
# its own, runs the tests of both builds, and reports whether they caught it:
#
#   scripts/check-faults.sh [ID...]     (all faults when no ID is given)
#
# FAULT_STAGES=host or FAULT_STAGES=windows runs the tests of that build alone,
# to see whether a fault is caught at the level meant to catch it.
#
# A fault is caught when a build or a test fails. The host tests run first and
# the Windows tests only when they pass, as ./dev test does. Run it after a
# successful ./dev test (both builds configured); the tree is restored after
# each fault, and at the end whatever happens. Prints one line a fault and
# writes the table to build/faults.md.
set -uo pipefail
cd "$(dirname "$0")/.."
faults=tests/faults/faults.txt
report=build/faults.md
log=build/faults.log

# shellcheck source=faults-lib.sh
. scripts/faults-lib.sh

stages=${FAULT_STAGES:-host windows}
run_tests() {
  if [[ $stages == *host* ]]; then
    cmake --build --preset host && ctest --preset host || return 1
  fi
  if [[ $stages == *windows* ]]; then
    cmake --build --preset windows && ctest --preset windows --stop-on-failure || return 1
  fi
}

product=(app common osinfo settings registry launch tools)
if ! git diff --quiet HEAD -- "${product[@]}"; then
  echo "check-faults: commit or stash the changes to the product code first" >&2
  exit 2
fi
restore() { git checkout -q HEAD -- "${product[@]}"; }
trap restore EXIT

mkdir -p build
: >"$log"
printf '| fault | what it does | caught by |\n|---|---|---|\n' >"$report"
caught=0 missed=0
while IFS=$'\t' read -r id file old new what; do
  if [ $# -gt 0 ] && [[ " $* " != *" $id "* ]]; then continue; fi
  if ! apply "$file" "$old" "$new" 2>>"$log"; then
    echo "$id: cannot be applied to $file" >&2
    exit 2
  fi
  echo "=== $id" >>"$log"
  if run_tests >>"$log" 2>&1; then
    result="MISSED"
    missed=$((missed + 1))
  else
    # The first failing step: a build, a test case, or else a ctest test.
    result=$(sed -n "/^=== $id\$/,\$p" "$log" |
      grep -m1 -oE 'FAILED: [^ ]+|\[  FAILED  \] [A-Za-z0-9_./]+|[0-9]+ - [a-z_0-9]+ \(Failed\)' ||
      true)
    result=${result:-failed}
    caught=$((caught + 1))
  fi
  restore
  printf '%-10s %s\n' "$id" "$result"
  printf '| %s | %s | %s |\n' "$id" "$what" "$result" >>"$report"
done < <(parse "$faults")
echo "caught $caught, missed $missed (table in $report, output in $log)"
