#!/usr/bin/env bash
# How long perinax-explain takes on a 1 MB INI file: the bundled example followed
# by sections of seven keys each (none of which Perinax reads, so each draws
# warnings) up to 1 MB. Built optimised, without the host build's sanitizers.
#
#   bench/explain.sh [RUNS]   (default 20)
#
# Times the whole process with farm-bench when it is installed (the median is
# the figure to quote), else with Python's monotonic clock. The goal is under
# 100 ms.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-20}

build=build/bench-explain
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPERINAX_SANITIZE=OFF >/dev/null
cmake --build "$build" --target perinax-explain -j2 >/dev/null
explain=$PWD/$build/tools/perinax-explain

work=$build/bench-run
mkdir -p "$work"
ini=$work/Perinax-1MB.ini
python3 - "$ini" examples/Perinax.ini <<'PY'
import sys
out, example = sys.argv[1], open(sys.argv[2], "rb").read()
parts, size, n = [example], len(example), 0
while size < 1 << 20:
    block = (f"\r\n[Product{n}]\r\nSetupFile=setup{n}.exe\r\n"
             + "".join(f"RegPath{b}Key{k}=SOFTWARE\\Vendor\\Product{n}\\{k}\r\n"
                       for b in (32, 64) for k in ("Path", "Name", "Value"))).encode()
    parts.append(block)
    size += len(block)
    n += 1
open(out, "wb").write(b"".join(parts)[: 1 << 20])
PY
echo "perinax-explain on $(stat -c %s "$ini") bytes ($(grep -c '^\[' "$ini") sections)"

if command -v farm-bench >/dev/null; then
  # Exit code 1 (warnings found) is the expected outcome, so it runs under sh.
  farm-bench -n "$runs" --warmup 2 -- sh -c "'$explain' '$ini' >/dev/null; [ \$? -eq 1 ]"
else
  python3 - "$runs" "$explain" "$ini" <<'PY'
import statistics, subprocess, sys, time
runs, explain, ini = int(sys.argv[1]), sys.argv[2], sys.argv[3]
samples = []
for i in range(runs + 2):
    start = time.perf_counter()
    subprocess.run([explain, ini], stdout=subprocess.DEVNULL)
    if i >= 2:
        samples.append(time.perf_counter() - start)
print(f"wall s: min {min(samples):.4f} median {statistics.median(samples):.4f} max {max(samples):.4f}")
PY
fi
