#!/usr/bin/env bash
# Static analysis of every folder of code: the launcher's subsystems
# (cmake/subsystems.txt), the tools and the libraries; fails on any finding.
#   clang-tidy (checks in .clang-tidy) over the portable logic, with the host
#     build's compile commands (build/host, configured when missing);
#   clang-tidy over the Win32 bindings (*_win32.cpp), with the Windows build's
#     compile commands (build/windows, configured when missing);
#   cppcheck over the portable logic.
# Other build folders: PERINAX_HOST_BUILD=build/host-x PERINAX_WINDOWS_BUILD=...
# A false positive or a deliberate design point is suppressed where it occurs,
# with its reason on the same line: // NOLINT(check): why, or
# // cppcheck-suppress id ; why.
set -euo pipefail
cd "$(dirname "$0")/.."

host_build=${PERINAX_HOST_BUILD:-build/host}
windows_build=${PERINAX_WINDOWS_BUILD:-build/windows}
jobs=$(nproc)
mapfile -t subsystems < <(grep -E '^[a-z]' cmake/subsystems.txt)
# Besides the launcher's subsystems: every folder of the tools and the
# libraries. The browser page's entry point builds with Emscripten alone.
mapfile -t tool_folders < <(find tools lib -name '*.cpp' -printf '%h\n' | sort -u)
folders=("${subsystems[@]}" "${tool_folders[@]}")
# Findings in the project's own headers count too, not those of the system's.
header_filter="/($(IFS='|'; echo "${folders[*]}"))/[^/]*\.h\$"

logic=()
bindings=()
for dir in "${folders[@]}"; do
  for source in "$dir"/*.cpp; do
    case $source in
      tools/explain/web/*) ;;
      *_win32.cpp) bindings+=("$source") ;;
      *) logic+=("$source") ;;
    esac
  done
done

configure() {  # preset, build folder
  if [ ! -f "$2/compile_commands.json" ]; then
    cmake --preset "$1" -B "$2" >/dev/null
  fi
}

# Runs clang-tidy on each file, several at once, and prints each file's
# findings together. Arguments: the build folder, then clang-tidy options up to
# "--", then the files.
tidy() {
  local build=$1 options=() out status=0
  shift
  while [ "$1" != -- ]; do options+=("$1"); shift; done
  shift
  out=$(mktemp -d)
  printf '%s\n' "$@" | xargs -P "$jobs" -I{} sh -c \
    'out=$0 build=$1 file=$2; shift 2
     clang-tidy --quiet -p "$build" "$@" "$file" >"$out/$(echo "$file" | tr / _).log" 2>&1' \
    "$out" "$build" {} "${options[@]}" || status=1
  cat "$out"/*.log | grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' || true
  rm -rf "$out"
  return $status
}

failed=()

echo "== clang-tidy: portable logic"
configure host "$host_build"
tidy "$host_build" --header-filter="$header_filter" -- "${logic[@]}" || failed+=(clang-tidy)

# The bindings are the one place where Win32's own types meet C++, so three
# checks give way there:
#   pro-type-reinterpret-cast: Win32 hands out untyped pointers (BYTE* value
#     data, void** COM out-parameters, FARPROC) that must be cast;
#   pro-type-union-access: VARIANT is a union by definition; its tag is checked
#     before a member is read;
#   virtual-class-destructor: each binding is final and its interface's
#     destructor is protected, so nothing is deleted through a base pointer.
# clang does not find mingw's C++ headers by itself; they come from the compiler.
echo "== clang-tidy: Win32 bindings"
configure windows "$windows_build"
mingw_cxx=$(grep -m 1 '"command": .*_win32\.cpp"' "$windows_build/compile_commands.json" |
            sed 's/^ *"command": "\([^ ]*\) .*/\1/')
win32_checks=-cppcoreguidelines-pro-type-reinterpret-cast
win32_checks+=,-cppcoreguidelines-pro-type-union-access
win32_checks+=,-cppcoreguidelines-virtual-class-destructor
win32_args=(--extra-arg=--target=i686-w64-mingw32 --checks="$win32_checks"
            --header-filter="$header_filter")
while read -r dir; do
  win32_args+=("--extra-arg=-isystem$dir")
done < <(echo | "$mingw_cxx" -xc++ -E -v - 2>&1 |
         sed -n '/^#include <...> search starts here:/,/^End of search list/p' | grep '/c++')
# clang knows no GCC-only flags; it reads a copy of the compile commands without them.
windows_commands=$(mktemp -d)
sed 's/ -fno-tree-loop-distribute-patterns//g' "$windows_build/compile_commands.json" \
  >"$windows_commands/compile_commands.json"
tidy "$windows_commands" "${win32_args[@]}" -- "${bindings[@]}" || failed+=(clang-tidy-win32)
rm -rf "$windows_commands"

echo "== cppcheck: portable logic"
cppcheck --quiet --enable=warning,performance,portability --error-exitcode=1 --inline-suppr \
  --std=c++20 -I. "${logic[@]}" || failed+=(cppcheck)

if [ ${#failed[@]} -ne 0 ]; then
  echo "run-static-analysis: findings from: ${failed[*]}" >&2
  exit 1
fi
echo "run-static-analysis: clean"
