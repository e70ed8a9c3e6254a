#!/usr/bin/env bash
# Checks the version resource of one of the tools, as allow-listing and
# inventory tools read it:
#   check-version-resource.sh EXE WINDRES VERSION INTERNAL_NAME FILE_NAME DESCRIPTION LICENSE
# the version as numbers and as text, and every text field with its exact
# value; the copyright line and the authors are LICENSE's. Prints ok/FAIL per
# check and exits with the number of failures.
set -euo pipefail
exe=$1
windres=$2
version=$3
copyright=$(grep -m 1 '^Copyright (c) ' "$7")
authors=${copyright#Copyright (c) * }

resources=$("$windres" -i "$exe" -O rc 2>&1 || true)
failures=0
check() {  # what, the exact line windres writes
  if grep -Fxq -- "$2" < <(sed 's/^ *//' <<<"$resources"); then
    echo "ok:   $1"
  else
    echo "FAIL: $1: no line '$2'"
    failures=$((failures + 1))
  fi
}

check "FILEVERSION $version" "FILEVERSION ${version//./, }"
check "PRODUCTVERSION $version" "PRODUCTVERSION ${version//./, }"
while IFS='|' read -r field value; do
  check "$field" "VALUE \"$field\", \"$value\""
done <<FIELDS
FileVersion|$version
ProductVersion|$version
ProductName|Perinax
CompanyName|$authors
LegalCopyright|$copyright
InternalName|$4
OriginalFilename|$5
FileDescription|$6
FIELDS
exit "$failures"
