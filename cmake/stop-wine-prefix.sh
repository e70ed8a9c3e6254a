#!/usr/bin/env bash
# Stops the Wine server of a test prefix so that no process outlives the run.
set -u
. "$(dirname "$0")/wine-env.sh"
WINEPREFIX=$1 wineserver -k 2>/dev/null
exit 0
