#!/usr/bin/env bash
# Checks the application manifest embedded in a program of ours:
#   check-manifest.sh EXE WINDRES VERSION NAME [LEVEL]
# an assembly identity NAME of VERSION, LEVEL (asInvoker unless named) with no UI access, and every
# Windows version from Vista to 11 as supported. Prints ok/FAIL per check and
# exits with the number of failures.
set -euo pipefail
exe=$1
windres=$2
version=$3
name=$4
level=${5:-asInvoker}
version_re=${version//./\\.}

resources=$("$windres" -i "$exe" -O rc 2>&1 || true)
failures=0
check() {  # what, pattern
  if grep -Eq -- "$2" <<<"$resources"; then
    echo "ok:   $1"
  else
    echo "FAIL: $1"
    failures=$((failures + 1))
  fi
}

# windres writes the manifest as a quoted text, each quote doubled.
check "manifest of $name $version" "assemblyIdentity type=\"\"win32\"\" name=\"\"$name\"\" version=\"\"$version_re\"\""
check "manifest asks for $level" "requestedExecutionLevel level=\"\"$level\"\" uiAccess=\"\"false\"\""
# Vista, 7, 8, 8.1, and 10 and 11.
for id in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
          4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
          8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  check "manifest supportedOS $id" "supportedOS Id=\"\"\\{$id\\}\"\""
done
exit "$failures"
