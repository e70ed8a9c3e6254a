#!/usr/bin/env bash
# Installs what building and testing Perinax needs on Debian 12, and nothing
# that is already there, so a second run takes seconds. On a machine whose
# kernel cannot run 32-bit programs (32-bit emulation switched off, as in some
# virtual machines), it also sets up qemu-user so that Wine's 32-bit processes
# run all the same; see wine_through_qemu below.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev clang-tidy cppcheck
          googletest libgtest-dev nlohmann-json3-dev g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
          wine wine32 wine64 wixl
          zip osslsigncode openssl python3-markdown
          emscripten chromium chromium-driver python3-selenium
          libicu72  # the SARIF multitool, a .NET program, loads ICU at run time
          man-db groff-base pandoc  # perinax-explain.1, made from the docs and read by man
          pre-commit  # the hook's test, on a scratch repository
          neovim  # a real LSP client for the language server's test
          unzip)  # the VS Code extension takes the pages per code from the zip (npm comes below)

# Tools from npm that the tests run and the release never ships, each at a fixed
# version, in a folder of their own (the folder's node_modules/.bin holds them).
npm_packages=(@microsoft/sarif-multitool@5.7.0 @action-validator/cli@0.6.0 @vscode/vsce@4.1.0)
npm_dir=/usr/local/lib/perinax-npm

# What Wine's 32-bit processes need where the kernel cannot run them: qemu-user
# 10 (Debian 12's own 7.2 hangs Wine), and a 32-bit compiler for the preload
# that mends qemu's signal contexts for Wine.
qemu_packages=(qemu-user gcc-multilib)
qemu_suite=bookworm-backports
binfmt=/proc/sys/fs/binfmt_misc
binfmt_name=perinax-i386
preload_dir=/usr/local/lib/perinax-qemu
source_dir=$(cd "$(dirname "$0")" && pwd)

fail() {
  echo "install-deps: $*" >&2
  exit 1
}

installed() {
  # wine32 is an i386 package; dpkg names it with its architecture.
  local name=$1
  [ "$name" = wine32 ] && name=wine32:i386
  dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'
}

apt_updated=false
apt_install() {  # [-t SUITE] PACKAGE...
  [ "$(id -u)" = 0 ] || fail "must run as root to install packages: $*"
  command -v apt-get >/dev/null || fail "apt-get not found; this script needs Debian 12"
  export DEBIAN_FRONTEND=noninteractive
  if [ "$apt_updated" = false ]; then
    apt-get update -qq || fail "apt-get update failed"
    apt_updated=true
  fi
  echo "install-deps: installing $*"
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null || fail "apt-get install $* failed"
}

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -ne 0 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt_updated=false
  fi
  # wine32 is named with its architecture so apt picks the i386 build.
  apt_install "${missing[@]/#wine32/wine32:i386}"
fi

# Can this kernel start 32-bit programs itself? Asked with our own qemu
# registration (if any) switched off for a moment, so the answer is the kernel's.
native_i386() {
  local state=""
  [ -e "$binfmt/$binfmt_name" ] && state=$(head -n 1 "$binfmt/$binfmt_name")
  [ "$state" = enabled ] && echo 0 >"$binfmt/$binfmt_name"
  local status=0
  /usr/lib/wine/wine --version >/dev/null 2>&1 || status=$?
  [ "$state" = enabled ] && echo 1 >"$binfmt/$binfmt_name"
  return $status
}

wine_through_qemu() {
  local missing_qemu=()
  for p in "${qemu_packages[@]}"; do installed "$p" || missing_qemu+=("$p"); done
  if ! qemu-i386 --version 2>/dev/null | grep -q 'version 1[0-9]'; then
    missing_qemu+=(qemu-user)
  fi
  if [ ${#missing_qemu[@]} -ne 0 ]; then
    local sources=/etc/apt/sources.list.d/$qemu_suite.sources
    if ! grep -rqs "$qemu_suite" /etc/apt/sources.list /etc/apt/sources.list.d/; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' "Suites: $qemu_suite" \
        'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' >"$sources"
      apt_updated=false
    fi
    apt_install -t "$qemu_suite" "${missing_qemu[@]}"
  fi

  # The preload, for the 32-bit processes; 64-bit ones (the wineserver) get an
  # empty one, since the variable reaches them too. ld.so picks by $LIB
  # (lib/i386-linux-gnu or lib/x86_64-linux-gnu).
  local preload=$preload_dir/lib/i386-linux-gnu/trapfix.so
  if [ ! -f "$preload" ] || [ "$source_dir/qemu/trapfix.c" -nt "$preload" ]; then
    rm -rf "$preload_dir"
    mkdir -p "$preload_dir/lib/i386-linux-gnu" "$preload_dir/lib/x86_64-linux-gnu"
    gcc -m32 -shared -fPIC -O2 -o "$preload" "$source_dir/qemu/trapfix.c" -ldl
    gcc -shared -fPIC -o "$preload_dir/lib/x86_64-linux-gnu/trapfix.so" -x c /dev/null
  fi

  # i386 programs go to qemu-i386; the registration does not outlive a reboot.
  mountpoint -q "$binfmt" || mount -t binfmt_misc binfmt_misc "$binfmt"
  if [ ! -e "$binfmt/$binfmt_name" ]; then
    printf '%s\n' ":$binfmt_name:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:/usr/bin/qemu-i386:F" \
      >"$binfmt/register"
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || fail "Wine's 32-bit loader does not start, even through qemu-i386"
}

npm_missing=()
for p in "${npm_packages[@]}"; do
  name=${p%@*}
  version=${p##*@}
  installed_version=$(node -p "require('$npm_dir/node_modules/$name/package.json').version" 2>/dev/null || true)
  [ "$installed_version" = "$version" ] || npm_missing+=("$p")
done
if [ ${#npm_missing[@]} -ne 0 ]; then
  command -v npm >/dev/null || apt_install npm
  echo "install-deps: installing ${npm_missing[*]} from npm into $npm_dir"
  mkdir -p "$npm_dir"
  npm install --prefix "$npm_dir" --no-audit --no-fund --loglevel=error "${npm_missing[@]}" >/dev/null ||
    fail "npm install ${npm_missing[*]} failed"
fi

if native_i386; then
  # A kernel that runs 32-bit programs needs no qemu: take ours away if present.
  [ -e "$binfmt/$binfmt_name" ] && echo -1 >"$binfmt/$binfmt_name"
  rm -rf "$preload_dir"
else
  [ "$(id -u)" = 0 ] || fail "this kernel cannot run 32-bit programs; run as root to set up qemu-user"
  wine_through_qemu
fi
exit 0
