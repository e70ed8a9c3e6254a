#!/usr/bin/env bash
# Makes the release package from a Windows build, and the Linux archive of
# perinax-explain from a host-release build when one is named:
#
#   scripts/make-package.sh BUILD_DIR DIST_DIR [HOST_RELEASE_DIR [WASM_DIR]]
#
# DIST_DIR/Perinax-VERSION-win32.zip holds one folder, Perinax-VERSION/, with
# the licence, the programs (Perinax.exe, the trace viewer and its console
# twin, perinax-explain.exe, perinax-selftest.exe), perinax-explain.html when a WebAssembly build is
# named, an example Perinax.ini, the user
# documentation as HTML (README.md and every page of docs/ but development.md,
# made with python3-markdown, links between pages kept) and SHA256SUMS over
# every other file. Text files get CRLF line ends, which every Notepad shows.
# DIST_DIR/perinax-explain-VERSION-linux-x86_64.tar.gz holds
# perinax-explain-VERSION/ with perinax-explain, LICENSE, README.md,
# perinax-explain.html when a WebAssembly build is named, and the manual page
# perinax-explain.1, made from docs/man/perinax-explain.1.md by pandoc.
#
# Both are the same bytes from build to build: the files in a fixed order, with
# fixed permissions and owner, one time stamp (SOURCE_DATE_EPOCH, else the time
# of the last commit), no extra fields (zip -X, since CMake's zip writer keeps
# each file's access and change times) and no name or time in the gzip header.
#
# Signing: when PERINAX_SIGN_PKCS12 names a PKCS#12 file (its password in
# PERINAX_SIGN_PASSWORD), each Windows program is signed with Authenticode
# (SHA-256) by osslsigncode before the sums are taken, and time-stamped by the
# RFC 3161 server that PERINAX_SIGN_TIMESTAMP_URL names, when it names one.
# Without PERINAX_SIGN_PKCS12 no signing tool is looked for or run.
set -euo pipefail

fail() {
  echo "make-package: $*" >&2
  exit 1
}

if [ $# -lt 2 ] || [ $# -gt 4 ] || [ ! -f "$1/CMakeCache.txt" ]; then
  fail "usage: $0 BUILD_DIR DIST_DIR [HOST_RELEASE_DIR [WASM_DIR]]  (BUILD_DIR is a configured Windows build)"
fi
build=$(cd "$1" && pwd)
mkdir -p "$2"
dist=$(cd "$2" && pwd)
host_release=${3:+$(cd "$3" && pwd)}
wasm=${4:+$(cd "$4" && pwd)}
source_dir=$(cd "$(dirname "$0")/.." && pwd)

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"
top=Perinax-$version
zip_name=$top-win32.zip
stage=$dist/stage-win32
rm -rf "${stage:?}" "${dist:?}/$zip_name"
mkdir -p "$stage/$top"

shipped=()   # the zip's files, in the zip's order, below $top
programs=()  # the Windows programs among them, which are signed
ship() {     # SOURCE NAME [text|program]: one file of the zip
  mkdir -p "$(dirname "$stage/$top/$2")"
  case ${3:-} in
    text) sed 's/\r*$/\r/' "$1" >"$stage/$top/$2" ;;  # CRLF, also where a line had one already
    program) cp "$1" "$stage/$top/$2" && programs+=("$2") ;;
    *) cp "$1" "$stage/$top/$2" ;;
  esac
  shipped+=("$2")
}

ship "$source_dir/LICENSE" LICENSE text
ship "$build/Perinax.exe" Perinax.exe program
ship "$build/tools/perinax-trace.exe" perinax-trace.exe program
ship "$build/tools/perinax-trace.com" perinax-trace.com program
ship "$build/tools/perinax-explain.exe" perinax-explain.exe program
ship "$build/tools/perinax-selftest.exe" perinax-selftest.exe program
[ -z "$wasm" ] || ship "$wasm/perinax-explain.html" perinax-explain.html text
ship "$source_dir/examples/release/Perinax.ini" Perinax.ini text
# The pictures the pages show.
while IFS= read -r image; do ship "$source_dir/$image" "$image"; done < <(
  cd "$source_dir" && find docs -name '*.png' | LC_ALL=C sort)

# The user documentation: README.md and docs/ as HTML, which a browser opens on
# any Windows. development.md is for those who change Perinax and the manual
# page's source is for the Linux archive: both stay out; a
# link to a file that is not in the zip becomes plain text.
if ! /usr/bin/python3 -c 'import markdown' 2>/dev/null; then
  fail "python3-markdown not found: run scripts/install-deps.sh"
fi
pages=(README.md)
while IFS= read -r page; do pages+=("$page"); done < <(
  cd "$source_dir" && find docs -name '*.md' ! -path docs/development.md ! -path 'docs/man/*' | LC_ALL=C sort)
/usr/bin/python3 - "$source_dir" "$stage/$top" "${pages[@]}" <<'PY'
import html, os, posixpath, re, sys
import markdown

source, out, pages = sys.argv[1], sys.argv[2], sys.argv[3:]
shipped = set(pages) | {"LICENSE", "Perinax.ini", "perinax-explain.html"}

def target(page, href):
    """The href as it points in the zip, or None when it names nothing there."""
    if re.match(r"[a-z]+:|#", href):
        return href
    path, _, anchor = href.partition("#")
    resolved = posixpath.normpath(posixpath.join(posixpath.dirname(page), path))
    if resolved not in shipped:
        return None
    if path.endswith(".md"):
        path = path[:-3] + ".html"
    return path + ("#" + anchor if anchor else "")

for page in pages:
    text = open(os.path.join(source, page), encoding="utf-8").read()
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc", "sane_lists"])
    def link(m):
        written = html.unescape(m.group(1))
        href = target(page, written)
        if href is None:
            return m.group(2)
        text = html.escape(href) if m.group(2) == html.escape(written) else m.group(2)
        return f'<a href="{html.escape(href)}">{text}</a>'
    body = re.sub(r'<a href="([^"]*)">(.*?)</a>', link, body, flags=re.S)
    title = re.search(r"<h1[^>]*>(.*?)</h1>", body, re.S)
    title = re.sub(r"<[^>]+>", "", title.group(1)) if title else page
    name = os.path.join(out, page[:-3] + ".html")
    os.makedirs(os.path.dirname(name), exist_ok=True)
    with open(name, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(f"""<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="X-UA-Compatible" content="IE=edge">
<title>{title}</title>
<style>
body {{ font-family: Segoe UI, Tahoma, sans-serif; max-width: 60em; margin: 1em auto; padding: 0 1em; line-height: 1.4; }}
pre, code {{ font-family: Consolas, Courier New, monospace; background: #f4f4f4; }}
pre {{ padding: 0.5em; overflow-x: auto; }}
table {{ border-collapse: collapse; }}
th, td {{ border: 1px solid #ccc; padding: 0.2em 0.5em; vertical-align: top; text-align: left; }}
</style>
</head>
<body>
{body}
</body>
</html>
""")
PY
for page in "${pages[@]}"; do shipped+=("${page%.md}.html"); done

if [ -n "${PERINAX_SIGN_PKCS12:-}" ]; then
  [ -f "$PERINAX_SIGN_PKCS12" ] || fail "PERINAX_SIGN_PKCS12: no such file: $PERINAX_SIGN_PKCS12"
  command -v osslsigncode >/dev/null || fail "osslsigncode not found: run scripts/install-deps.sh"
  timestamp=()
  [ -n "${PERINAX_SIGN_TIMESTAMP_URL:-}" ] && timestamp=(-ts "$PERINAX_SIGN_TIMESTAMP_URL")
  for program in "${programs[@]}"; do
    # The password goes through a pipe, not the command line, which others can read.
    osslsigncode sign -pkcs12 "$PERINAX_SIGN_PKCS12" \
      -readpass <(printf '%s' "${PERINAX_SIGN_PASSWORD:-}") -h sha256 -n Perinax \
      "${timestamp[@]}" -in "$stage/$top/$program" -out "$stage/$top/$program.signed" >/dev/null ||
      fail "signing $program failed"
    mv "$stage/$top/$program.signed" "$stage/$top/$program"
  done
fi

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || true)}
epoch=${epoch:-315532800}  # 1980-01-01, the first time a zip file can hold
cd "$stage/$top"
sha256sum "${shipped[@]}" | sed 's/$/\r/' >SHA256SUMS
shipped+=(SHA256SUMS)
chmod 0644 "${shipped[@]}"
# zip stores local time; in UTC the stamp is the same on every machine.
TZ=UTC touch -d "@$epoch" "${shipped[@]}"
cd "$stage"
TZ=UTC zip -X -D -q -9 "$dist/$zip_name" "${shipped[@]/#/$top/}"
cd "$dist"
rm -rf "$stage"
echo "$dist/$zip_name ($(stat -c %s "$zip_name") bytes)"

[ -n "$host_release" ] || exit 0
linux_top=perinax-explain-$version
linux_name=$linux_top-linux-x86_64.tar.gz
stage=$dist/stage-linux
rm -rf "${stage:?}" "${dist:?}/$linux_name"
mkdir -p "$stage/$linux_top"
chmod 0755 "$stage/$linux_top"
install -m 0755 "$host_release/tools/perinax-explain" "$stage/$linux_top/perinax-explain"
install -m 0644 "$source_dir/LICENSE" "$stage/$linux_top/LICENSE"
install -m 0644 "$source_dir/README.md" "$stage/$linux_top/README.md"
[ -z "$wasm" ] || install -m 0644 "$wasm/perinax-explain.html" "$stage/$linux_top/perinax-explain.html"
command -v pandoc >/dev/null || fail "pandoc not found: run scripts/install-deps.sh"
pandoc --standalone --to man "$source_dir/docs/man/perinax-explain.1.md" -o "$stage/$linux_top/perinax-explain.1"
chmod 0644 "$stage/$linux_top/perinax-explain.1"
tar -C "$stage" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
  --format=gnu -cf - "$linux_top" | gzip -n -9 >"$dist/$linux_name"
rm -rf "$stage"
echo "$dist/$linux_name ($(stat -c %s "$linux_name") bytes)"
