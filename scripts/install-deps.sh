#!/usr/bin/env bash
# Installs what building and testing Perinax needs on Debian 12, and nothing
# that is already there, so a second run takes seconds.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-tidy cppcheck
          googletest libgtest-dev nlohmann-json3-dev g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
          wine wine32 wine64)

missing=()
for p in "${packages[@]}"; do
  # wine32 is an i386 package; dpkg names it with its architecture.
  name=$p
  [ "$p" = wine32 ] && name=wine32:i386
  if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

fail() {
  echo "install-deps: $*" >&2
  echo "install-deps: missing packages: ${missing[*]}" >&2
  exit 1
}

[ "$(id -u)" = 0 ] || fail "must run as root to install packages"
command -v apt-get >/dev/null || fail "apt-get not found; this script needs Debian 12"

echo "install-deps: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq || fail "apt-get update failed"
# wine32 is named with its architecture so apt picks the i386 build.
to_install=()
for p in "${missing[@]}"; do
  [ "$p" = wine32 ] && p=wine32:i386
  to_install+=("$p")
done
apt-get install -y -qq --no-install-recommends "${to_install[@]}" >/dev/null \
  || fail "apt-get install failed"
echo "install-deps: done"
