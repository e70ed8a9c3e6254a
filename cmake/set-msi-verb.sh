#!/usr/bin/env bash
# Gives the Wine prefix in WINEPREFIX Windows' own verb for starting a .msi:
#
#   "%SystemRoot%\System32\msiexec.exe" /i "%1" %*
#
# Wine's is msiexec /i "%1", without the %*, so that the parameters of a package
# started through the shell (/qn PROPERTY=value) never reach msiexec.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
wine reg add 'HKCR\Msi.Package\shell\Open\command' /ve /t REG_EXPAND_SZ \
  /d '"%SystemRoot%\System32\msiexec.exe" /i "%1" %*' /f >/dev/null
