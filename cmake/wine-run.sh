#!/usr/bin/env bash
# Runs a Windows program under Wine in the prefix named by WINEPREFIX. Refuses to
# run without one so that a test never touches ~/.wine.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run: WINEPREFIX is not set; tests run only in the prefixes of the build folder" >&2
  exit 125
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec wine "$@"
