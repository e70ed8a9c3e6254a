#!/usr/bin/env bash
# Runs the release's self-test as a user runs it: from the unzipped release folder, in the Wine
# prefix that WINEPREFIX names, with no Windows version set for any program:
#   check-selftest-release.sh BUILD_DIR [faults]
# It must pass every test, end with "N passed, 0 failed" and exit 0, and its --log and --junit
# files must parse (one trace-log record a line, JUnit XML with the same counts). With "faults",
# the self-test is then run against copies of the release whose Perinax.exe is not the real one
# (the stand-in setup program) or has a fault planted in its bytes: each must fail it (exit 1).
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$build/selftest-release/$(basename "$WINEPREFIX")
rm -rf "$work"
mkdir -p "$work"
unset PERINAX_SIGN_PKCS12
zip=$("$source_dir/scripts/make-package.sh" "$build" "$work/dist" | sed -n 's/ (.*//p' | head -n 1)
unzip -q "$zip" -d "$work"
release=$(find "$work" -maxdepth 1 -type d -name 'Perinax-*')

# shellcheck source=run-check.sh
. "$source_dir/tests/binary/run-check.sh"

# Runs the self-test in a release folder: its output in $work/FOLDER.txt, its exit code echoed.
selftest() {  # FOLDER [OPTION...]
  local folder=$1
  shift
  (cd "$folder" && "$source_dir/cmake/wine-run.sh" perinax-selftest.exe "$@" \
    >"$work/$(basename "$folder").txt" 2>&1) && echo 0 || echo $?
}

code=$(selftest "$release" --log 'Z:'"$work/selftest.log" --junit 'Z:'"$work/selftest.xml")
cat "$work/$(basename "$release").txt"
check "the self-test passes every test and exits with 0" sh -c "
  [ $code -eq 0 ] && tail -n 1 '$work/$(basename "$release").txt' | grep -Eqx '[0-9]+ passed, 0 failed'"
check "its --log and --junit files say the same" /usr/bin/python3 - "$work" \
  "$work/$(basename "$release").txt" <<'PY'
import re, sys, xml.etree.ElementTree as ET
work = sys.argv[1]
out = [l for l in open(sys.argv[2], encoding="utf-8").read().splitlines() if l.startswith(("ok", "FAIL"))]
suite = ET.parse(f"{work}/selftest.xml").getroot().find("testsuite")
names = [c.get("name") for c in suite.findall("testcase")]
log = open(f"{work}/selftest.log", "rb").read()
assert log.startswith(b"\xef\xbb\xbf"), "no UTF-8 mark"
record = re.compile(rb'<!\[LOG\[(.*?)\]LOG\]!><time="\d\d:\d\d:\d\d\.\d{3}[+-]\d{3}" date="\d\d-\d\d-\d{4}" '
                    rb'component="PerinaxSelfTest" context="" type="[13]" thread="\d+" file="">')
lines = log[3:].split(b"\r\n")
assert lines[-1] == b"", "a last record without its line end"
texts = [record.fullmatch(l).group(1).decode() for l in lines[:-1]]
assert int(suite.get("tests")) == len(out) == len(names) == len(texts) - 1, (len(out), len(names), len(texts))
assert texts[:-1] == out and all(n in t for n, t in zip(names, texts)), "the forms differ"
print(f"{len(names)} tests in each form")
PY

# Alone in a folder, without Perinax.exe beside it, it cannot test: exit code 2, and why.
mkdir -p "$work/alone"
cp "$release/perinax-selftest.exe" "$work/alone/"
code=$(selftest "$work/alone")
check "without Perinax.exe beside it, it cannot test (exit 2)" sh -c "
  [ $code -eq 2 ] && grep -q 'cannot test: there is no Perinax.exe beside' '$work/alone.txt'"

if [ "${2:-}" = faults ]; then
  # Each copy: what stands in for Perinax.exe, the tests it runs (--only), what the fault is.
  fault() {  # NAME ONLY PYTHON-PATCH
    local copy=$work/$1
    cp -r "$release" "$copy"
    /usr/bin/python3 -c "
import sys
p = sys.argv[1]; old = d = open(p, 'rb').read()
$3
assert d != old, 'the fault was not planted'
open(p, 'wb').write(d)" "$copy/Perinax.exe"
    local got
    got=$(selftest "$copy" --only "$2")
    cat "$work/$1.txt"
    check "the self-test fails against $1 (exit 1)" sh -c "
      [ $got -eq 1 ] && tail -n 1 '$work/$1.txt' | grep -Eqx '[0-9]+ passed, [1-9][0-9]* failed'"
  }
  w() { printf "'%s'.encode('utf-16-le')" "$1"; }
  fault fake-perinax "exit code" "d = open('$build/tools/perinax-demo-setup.exe', 'rb').read()"
  fault fault-wow6432node "Wow6432Node" "d = d.replace($(w 'Wow6432Node\\'), $(w 'Wow6432NodX\\'))"
  fault fault-ini-name "section" "d = d.replace($(w Perinax.ini), $(w Perinax.inj))"
  fault fault-exit-code-text "0xFFFFFFFF" "d = d.replace($(w 'Exit Code %d'), $(w 'Exit Code %u'))"
fi
[ "$failures" -eq 0 ] && echo "all checks passed"
exit "$failures"
