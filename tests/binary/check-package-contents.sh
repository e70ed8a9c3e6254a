#!/usr/bin/env bash
# Checks what the release ships, as a user unpacks it:
#   check-package-contents.sh BUILD_DIR HOST_RELEASE_DIR WASM_DIR
# packages a Windows build with a host-release build and the page of a
# WebAssembly build, then again with a
# second, clean host-release build under another umask, and checks that both
# give the same bytes; that the zip holds one folder Perinax-VERSION/ with the
# licence, the programs, the example INI and the user pages (not the
# developers' page), every text file with CRLF line ends, SHA256SUMS over every
# other file, and every link of its pages leading to a file and a heading it
# holds; that every link of the Markdown sources leads to a file of the tree;
# and that the Linux perinax-explain runs on any x86-64 Linux: no sanitizer, no
# shared library newer than glibc 2.31, unmoved by LD_PRELOAD, and answers
# --version.
set -euo pipefail
build=$(cd "$1" && pwd)
host_release=$(cd "$2" && pwd)
wasm=$(cd "$3" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$build/contents-check
rm -rf "$work"
mkdir -p "$work"
unset PERINAX_SIGN_PKCS12

# The Linux program built once more in another folder, as the zip's programs
# are by check-package-reproducible.sh.
flags=$(sed -n 's/^CMAKE_EXE_LINKER_FLAGS:[A-Z]*=//p' "$host_release/CMakeCache.txt")
(
  umask 077
  cmake -S "$source_dir" -B "$work/second host build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DPERINAX_SANITIZE=OFF -DPERINAX_TESTS=OFF -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
  cmake --build "$work/second host build" --target perinax-explain >/dev/null
)
"$source_dir/scripts/make-package.sh" "$build" "$work/first" "$host_release" "$wasm" >/dev/null
(umask 077 && "$source_dir/scripts/make-package.sh" "$build" "$work/second" "$work/second host build" "$wasm" >/dev/null)

# shellcheck source=run-check.sh
. "$source_dir/tests/binary/run-check.sh"

zip=$work/first/Perinax-$version-win32.zip
tarball=$work/first/perinax-explain-$version-linux-x86_64.tar.gz
for file in "$zip" "$tarball"; do
  check "$(basename "$file") is the same bytes from both runs" cmp "$file" "$work/second/$(basename "$file")"
done

check "the zip's layout, line ends, sums and links" /usr/bin/python3 - "$zip" "Perinax-$version/" <<'PY'
import hashlib, html, posixpath, re, sys, zipfile
path, top = sys.argv[1], sys.argv[2]
files = {i.filename: zipfile.ZipFile(path).read(i) for i in zipfile.ZipFile(path).infolist()}
errors = [f"{n}: outside {top}" for n in files if not n.startswith(top)]
files = {n[len(top):]: data for n, data in files.items()}
required = ["LICENSE", "Perinax.exe", "perinax-trace.exe", "perinax-trace.com",
            "perinax-explain.exe", "perinax-selftest.exe", "perinax-explain.html", "Perinax.ini", "README.html", "docs/perinax-ini.html",
            "docs/deploying.html", "docs/trace.html", "docs/explain.html", "docs/browser.html",
            "docs/images/perinax-explain-page.png", "docs/verification.html",
            "docs/warnings/section-case.html", "SHA256SUMS"]
errors += [f"{n}: missing" for n in required if n not in files]
errors += ["docs/development.html: for developers, not in the release"] * ("docs/development.html" in files)
text = [n for n in files if re.search(r"(\.(ini|html|txt)|^LICENSE|^SHA256SUMS)$", n)]
for n in text:
    if b"\r\n" not in files[n] or b"\n" in files[n].replace(b"\r\n", b""):
        errors.append(f"{n}: not every line ends in CRLF")
sums = dict(reversed(line.split("  ", 1)) for line in files.get("SHA256SUMS", b"").decode().splitlines())
for n, data in files.items():
    if n != "SHA256SUMS" and sums.pop(n, None) != hashlib.sha256(data).hexdigest():
        errors.append(f"{n}: not in SHA256SUMS, or its sum differs")
errors += [f"SHA256SUMS: {n} is not in the zip" for n in sums]
ids = {n: set(re.findall(rb'\sid="([^"]+)"', d)) for n, d in files.items() if n.endswith(".html")}
for n in ids:
    for href in re.findall(r'href="([^"]*)"', files[n].decode()):
        href = html.unescape(href)
        if re.match(r"[a-z]+:", href):
            continue
        target, _, anchor = href.partition("#")
        target = posixpath.normpath(posixpath.join(posixpath.dirname(n), target)) if target else n
        if target not in files:
            errors.append(f"{n}: link to {href}: no such file in the zip")
        elif anchor and anchor.encode() not in ids.get(target, set()):
            errors.append(f"{n}: link to {href}: no such heading")
print("\n".join(errors))
print(f"{len(files)} files: " + " ".join(files))
sys.exit(1 if errors else 0)
PY
echo "     $(tail -n 1 "$work/out.txt")"

check "every link of the Markdown sources leads to a file of the tree" /usr/bin/python3 - "$source_dir" <<'PY'
import os, re, sys
root = sys.argv[1]
pages = ["README.md"] + sorted(os.path.relpath(os.path.join(d, f), root)
                               for d, _, fs in os.walk(os.path.join(root, "docs")) for f in fs if f.endswith(".md"))
errors = []
for page in pages:
    text = re.sub(r"```.*?```", "", open(os.path.join(root, page), encoding="utf-8").read(), flags=re.S)
    for href in re.findall(r"\]\(([^)\s]+)\)", text):
        target = href.partition("#")[0]
        if target and not re.match(r"[a-z]+:", target) and \
                not os.path.exists(os.path.join(root, os.path.dirname(page), target)):
            errors.append(f"{page}: link to {href}: no such file")
print("\n".join(errors))
sys.exit(1 if errors else 0)
PY

mkdir -p "$work/linux"
tar -C "$work/linux" -xzf "$tarball"
explain=$work/linux/perinax-explain-$version/perinax-explain
listing=$(tar -tzf "$tarball" | LC_ALL=C sort | tr '\n' ' ')
expected=""
for name in "" LICENSE README.md perinax-explain perinax-explain.1 perinax-explain.html; do
  expected+="perinax-explain-$version/$name "
done
check "the Linux archive holds the program, its manual page, its page, the README and the licence" \
  test "$listing" = "$expected"
# man itself, as a user reads the page: it renders, with no complaint from groff.
check "man renders perinax-explain.1" sh -c "
  out=\$(MANWIDTH=80 man --warnings -l '$work/linux/perinax-explain-$version/perinax-explain.1' 2>&1 >/dev/null) &&
  [ -z \"\$out\" ] || { echo \"\$out\"; exit 1; }
  MANWIDTH=80 man -l '$work/linux/perinax-explain-$version/perinax-explain.1' | grep -q '^SYNOPSIS'"
check "the Linux program needs no sanitizer library" \
  sh -c "! strings '$explain' | grep -q -e __asan_init -e __ubsan_handle"
check "the Linux program needs no glibc newer than 2.31" sh -c "
  needed=\$(objdump -T '$explain' 2>/dev/null | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1)
  echo \"highest: \${needed:-none (static)}\"
  [ -z \"\$needed\" ] || [ \"\$(printf '%s\n' \"\$needed\" GLIBC_2.31 | sort -V | tail -n 1)\" = GLIBC_2.31 ]"
check "the Linux program answers --version with $version" sh -c "out=\$('$explain' --version) && echo \"\$out\" && echo \"\$out\" | grep -qw '$version'"
# A clean INI gives 0 and no sanitizer stops it, also under LD_PRELOAD, which a
# CI runner may set.
mkdir -p "$work/media"
cp "$source_dir/examples/release/Perinax.ini" "$work/media/"
: >"$work/media/setup.exe"
check "the Linux program checks a clean INI with exit code 0, also under LD_PRELOAD" sh -c "
  '$explain' '$work/media/Perinax.ini' && LD_PRELOAD=libm.so.6 '$explain' '$work/media/Perinax.ini'"

[ "$failures" -eq 0 ] && rm -rf "$work" && echo "all checks passed"
exit "$failures"
