#!/usr/bin/env bash
# The pre-commit hook as pre-commit itself runs it, from this source tree
# (`pre-commit try-repo`, which takes uncommitted changes too), on a scratch
# repository of packages: the hook gets the Perinax.ini files in any letter
# case and no other file, a finding fails the commit and names its file, and a
# clean file passes.
#
#   tests/integrations/pre-commit.sh PERINAX-EXPLAIN SOURCE-DIR
set -euo pipefail
explain=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source=$(cd "$2" && pwd)
command -v pre-commit >/dev/null || { echo "pre-commit not found: run scripts/install-deps.sh" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/repo/clean" "$work/repo/Upper" "$work/repo/notes"
ln -s "$explain" "$work/bin/perinax-explain"
export PATH=$work/bin:$PATH PRE_COMMIT_HOME=$work/cache HOME=$work
git config --global user.email test@example.invalid
git config --global user.name test
git config --global init.defaultBranch main
# A source tree that is a clean clone has no such setting.
git config --global --add safe.directory '*'

cd "$work/repo"
git init -q .
cp "$source/examples/release/Perinax.ini" clean/Perinax.ini
: >clean/setup.exe
printf '[Default]\r\nSetupFile=setup.exe\r\nRegPath32KeyValue=0x10\r\n' >Upper/PERINAX.INI
printf '[Default]\r\nnot an INI file Perinax reads\r\n' >notes/other.ini

fail() {
  echo "pre-commit hook: $*" >&2
  sed 's/^/  | /' "$work/out.txt" >&2
  exit 1
}

git add clean notes
code=0
pre-commit try-repo "$source" perinax-explain >"$work/out.txt" 2>&1 || code=$?
[ "$code" -eq 0 ] || fail "a commit of a clean Perinax.ini and another INI file failed (exit $code)"
grep -q 'Passed' "$work/out.txt" || fail "the hook did not run on clean/Perinax.ini"

git add Upper
code=0
pre-commit try-repo "$source" perinax-explain >"$work/out.txt" 2>&1 || code=$?
[ "$code" -eq 1 ] || fail "a commit of a Perinax.ini with findings was not failed (exit $code)"
grep -q 'Upper/PERINAX.INI' "$work/out.txt" || fail "the failure does not name Upper/PERINAX.INI"
! grep -q 'notes/other.ini' "$work/out.txt" || fail "the hook was given notes/other.ini"
echo "pre-commit hook: passes a clean commit, fails one with findings"
