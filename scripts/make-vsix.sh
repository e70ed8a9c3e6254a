#!/usr/bin/env bash
# Makes the VS Code extension, DIST_DIR/perinax-explain-VERSION.vsix, from the
# release zip (which make-package.sh made first: its pages per warning code),
# a Windows build's perinax-explain.exe and a host-release build's
# perinax-explain:
#
#   scripts/make-vsix.sh DIST_DIR WINDOWS_BUILD_DIR HOST_RELEASE_DIR
#
# editors/vscode/ is the extension's source; vscode-languageclient, which it
# runs on, comes from npm at the versions editors/vscode/package-lock.json
# pins (npm ci checks each package's hash) and is packed into the .vsix, which
# @vscode/vsce makes after checking the manifest.
set -euo pipefail

fail() {
  echo "make-vsix: $*" >&2
  exit 1
}

[ $# -eq 3 ] || fail "usage: $0 DIST_DIR WINDOWS_BUILD_DIR HOST_RELEASE_DIR"
dist=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
host_release=$(cd "$3" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
vsce=/usr/local/lib/perinax-npm/node_modules/.bin/vsce
[ -x "$vsce" ] || fail "vsce not found: run scripts/install-deps.sh"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$dist/Perinax-$version-win32.zip
[ -f "$zip" ] || fail "no $zip: run make-package.sh first"
vsix=$dist/perinax-explain-$version.vsix
stage=$dist/stage-vsix
rm -rf "${stage:?}" "$vsix"
mkdir -p "$stage/server/linux-x64" "$stage/server/win32"
cp -R "$source_dir/editors/vscode/." "$stage/"
rm -rf "$stage/node_modules"
cp "$source_dir/LICENSE" "$stage/LICENSE"
install -m 0755 "$host_release/tools/perinax-explain" "$stage/server/linux-x64/perinax-explain"
install -m 0644 "$build/tools/perinax-explain.exe" "$stage/server/win32/perinax-explain.exe"
# The pages per code, as the zip has them, which each finding's code links to.
unzip -q "$zip" "Perinax-$version/docs/warnings/*" -d "$stage/pages"
mv "$stage/pages/Perinax-$version/docs" "$stage/server/docs"
rm -rf "$stage/pages"
# An extension's version is three numbers; the project's fourth is its build.
node -e '
  const fs = require("fs");
  const manifest = JSON.parse(fs.readFileSync(process.argv[1], "utf8"));
  manifest.version = process.argv[2].split(".").slice(0, 3).join(".");
  fs.writeFileSync(process.argv[1], JSON.stringify(manifest, null, 2) + "\n");
' "$stage/package.json" "$version"

(cd "$stage" && npm ci --omit=dev --ignore-scripts --no-audit --no-fund >/dev/null)
(cd "$stage" && "$vsce" package --out "$vsix" >/dev/null) || fail "vsce package failed"
rm -rf "$stage"

# What the extension needs at run time, in the package.
listing=$(unzip -Z1 "$vsix")
for file in extension/package.json extension/extension.js \
  extension/syntaxes/perinax-ini.tmLanguage.json \
  extension/node_modules/vscode-languageclient/package.json \
  extension/server/linux-x64/perinax-explain extension/server/win32/perinax-explain.exe \
  extension/server/docs/warnings/no-default.html; do
  grep -qxF "$file" <<<"$listing" || fail "$vsix lacks $file"
done
echo "$vsix ($(stat -c %s "$vsix") bytes)"
