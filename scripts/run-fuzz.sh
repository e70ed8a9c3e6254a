#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz") and runs each one for a while on
# a fresh copy of its checked-in corpus (fuzz/corpus/<target>), so the
# repository's corpus stays as it is:
#   scripts/run-fuzz.sh        20 seconds per target
#   scripts/run-fuzz.sh 600    a longer run, ten minutes per target
# Prints the executions per target. Fails when any target reports a crash, a
# leak, a sanitizer finding or a failed check; the input that did it is left in
# build/fuzz/run/<target>/ (crash-*, leak-*) and its log beside it.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/run-fuzz.sh [SECONDS_PER_TARGET]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

failed=()
for corpus in fuzz/corpus/*/; do
  name=$(basename "$corpus")
  binary=build/fuzz/fuzz/fuzz_$name
  work=build/fuzz/run/$name
  rm -rf "$work"
  mkdir -p "$work/corpus"
  cp "$corpus"* "$work/corpus/"
  options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10
           -artifact_prefix="$work/")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  [ "$name" = ini_settings ] && options+=(-max_len=16384)
  # The whole checker reads the same files as the INI reader's target.
  [ "$name" = explain ] && options+=(-max_len=16384 -dict=fuzz/ini_settings.dict)

  echo "== $name: $seconds s"
  status=0
  "$binary" "${options[@]}" "$work/corpus" >"$work/log.txt" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -n 1)
  echo "   executions: ${runs:-?}, corpus: $(find "$work/corpus" -type f | wc -l) inputs"
  if [ "$status" -ne 0 ] || compgen -G "$work/crash-*" >/dev/null ||
     compgen -G "$work/leak-*" >/dev/null; then
    echo "   FAILED (exit $status); log: $work/log.txt" >&2
    grep -E 'ERROR|fuzz check failed|SUMMARY|Test unit written' "$work/log.txt" >&2 || true
    failed+=("$name")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "run-fuzz: findings in: ${failed[*]}" >&2
  exit 1
fi
echo "run-fuzz: no findings"
