#!/usr/bin/env bash
# Makes the release package from a Windows build:
#
#   scripts/make-package.sh BUILD_DIR DIST_DIR
#
# DIST_DIR/Perinax-VERSION-win32.zip holds Perinax.exe, perinax-trace.exe,
# perinax-explain.exe, an example Perinax.ini, README.md and SHA256SUMS (of the
# five files as they are in the zip). The zip is the same bytes from build to
# build: the files in a fixed order, with fixed permissions and one time stamp
# (SOURCE_DATE_EPOCH, else the time of the last commit), and no extra fields
# (CMake's zip writer keeps each file's access and change times, so zip -X).
#
# Signing: when PERINAX_SIGN_PKCS12 names a PKCS#12 file (its password in
# PERINAX_SIGN_PASSWORD), each program is signed with Authenticode (SHA-256)
# by osslsigncode before the sums are taken, and time-stamped by the RFC 3161
# server that PERINAX_SIGN_TIMESTAMP_URL names, when it names one. Without
# PERINAX_SIGN_PKCS12 no signing tool is looked for or run.
set -euo pipefail

fail() {
  echo "make-package: $*" >&2
  exit 1
}

if [ $# -ne 2 ] || [ ! -f "$1/CMakeCache.txt" ]; then
  fail "usage: $0 BUILD_DIR DIST_DIR  (BUILD_DIR is a configured Windows build)"
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
dist=$(cd "$2" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
name=Perinax-$version-win32
programs=(Perinax.exe perinax-trace.exe perinax-explain.exe)
files=("${programs[@]}" Perinax.ini README.md SHA256SUMS)

stage=$dist/$name
rm -rf "$stage" "$dist/$name.zip"
mkdir -p "$stage"
cp "$build/Perinax.exe" "$build/tools/perinax-trace.exe" "$build/tools/perinax-explain.exe" \
  "$source_dir/examples/release/Perinax.ini" "$source_dir/README.md" "$stage/"

if [ -n "${PERINAX_SIGN_PKCS12:-}" ]; then
  [ -f "$PERINAX_SIGN_PKCS12" ] || fail "PERINAX_SIGN_PKCS12: no such file: $PERINAX_SIGN_PKCS12"
  command -v osslsigncode >/dev/null || fail "osslsigncode not found: run scripts/install-deps.sh"
  timestamp=()
  [ -n "${PERINAX_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$PERINAX_SIGN_TIMESTAMP_URL")
  for program in "${programs[@]}"; do
    # The password goes through a pipe, not the command line, which others can read.
    osslsigncode sign -pkcs12 "$PERINAX_SIGN_PKCS12" \
      -readpass <(printf '%s' "${PERINAX_SIGN_PASSWORD:-}") -h sha256 -n Perinax \
      "${timestamp[@]}" -in "$stage/$program" -out "$stage/$program.signed" >/dev/null ||
      fail "signing $program failed"
    mv "$stage/$program.signed" "$stage/$program"
  done
fi

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || true)}
epoch=${epoch:-315532800}  # 1980-01-01, the first time a zip file can hold
cd "$stage"
sha256sum "${files[@]:0:5}" >SHA256SUMS
chmod 0644 "${files[@]}"
# zip stores local time; in UTC the stamp is the same on every machine.
TZ=UTC touch -d "@$epoch" "${files[@]}"
TZ=UTC zip -X -D -q -9 "$dist/$name.zip" "${files[@]}"
cd "$dist"
rm -rf "$stage"
echo "$dist/$name.zip ($(stat -c %s "$name.zip") bytes)"
