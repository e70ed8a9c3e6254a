#!/usr/bin/env bash
# Measures Perinax.exe against its floors under Wine (win64 prefix, warm
# wineserver) and prints a table. Usage: bench/run.sh [RUNS]   (default 15)
# PERINAX_EXE=FILE measures that Perinax.exe instead of the build's (an earlier
# build, say, for a before-and-after table).
#
# floor        starts the demo setup program with ShellExecuteExW and waits
# probe floor  the same with the WMI version query before the start
# Perinax.exe  on an INI file whose section writes a registry value
#
# Each figure is the median of RUNS runs of the whole process; CPU is user +
# system time of the Wine process itself (the wineserver's share is not
# counted for any of the three).
set -euo pipefail
. "$(dirname "$0")/../cmake/wine-env.sh"
cd "$(dirname "$0")/.."
runs=${1:-15}

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows >/dev/null

build=$PWD/build/windows
work=$build/bench-run
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEARCH=win64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$work"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# A persistent server keeps start-up costs out of every run; `wineserver -p`
# stays in the foreground when it is the server, so it goes to the background.
wineserver -p &
wine cmd.exe /c exit >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT

dir=$work/run
rm -rf "$dir" && mkdir -p "$dir"
cp "${PERINAX_EXE:-$build/Perinax.exe}" "$dir/Perinax.exe"
cp "$build"/bench/bench_floor.exe "$build"/bench/bench_probe_floor.exe "$dir/"
cp "$build"/tools/perinax-demo-setup.exe "$dir/demo_setup.exe"
cat >"$dir/Perinax.ini" <<'INI'
[Default]
SetupFile=demo_setup.exe
RegPath32KeyPath=SOFTWARE\PerinaxBench
RegPath32KeyName=Marker
RegPath32KeyValue=1
RegPath64KeyPath=SOFTWARE\PerinaxBench
RegPath64KeyName=Marker
RegPath64KeyValue=1
INI
cd "$dir"

# The three programs run in turn, round after round, so that a machine whose
# speed drifts affects each alike. Each run is timed by its parent: wall time
# with a monotonic clock, CPU time and peak memory from the run's own resource
# usage (wait4). Prints "wall cpu peakKiB" medians, one program a line.
read_medians() {
  python3 - "$runs" "$@" <<'PY'
import os, statistics, subprocess, sys, time
runs, programs = int(sys.argv[1]), sys.argv[2:]
samples = {exe: [] for exe in programs}
def run(exe):
    start = time.perf_counter()
    child = subprocess.Popen(["wine", exe, "/bench"], stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(child.pid, 0)
    return (time.perf_counter() - start, usage.ru_utime + usage.ru_stime, usage.ru_maxrss)
for exe in programs:
    run(exe)  # warm-up
for _ in range(runs):
    for exe in programs:
        samples[exe].append(run(exe))
for exe in programs:
    wall, cpu, mem = (statistics.median(s[i] for s in samples[exe]) for i in range(3))
    print(f"{wall:.3f} {cpu:.3f} {mem:.0f}")
PY
}
{ read -r fw fc fm; read -r pw pc pm; read -r xw xc xm; } < <(read_medians bench_floor.exe bench_probe_floor.exe Perinax.exe)

size=$(stat -c %s Perinax.exe)
imports=$(i686-w64-mingw32-objdump -p Perinax.exe | awk '/DLL Name:/ {print $3}' | sort -f | paste -sd' ')

printf '\nPerinax.exe under Wine %s, win64 prefix, median of %s runs\n\n' "$(wine --version)" "$runs"
printf '| program | wall s | CPU s | peak KiB |\n|---|---|---|---|\n'
printf '| floor | %s | %s | %s |\n' "$fw" "$fc" "$fm"
printf '| probe floor | %s | %s | %s |\n' "$pw" "$pc" "$pm"
printf '| Perinax.exe | %s | %s | %s |\n' "$xw" "$xc" "$xm"
awk -v xw="$xw" -v xc="$xc" -v fw="$fw" -v fc="$fc" -v pw="$pw" -v pc="$pc" 'BEGIN {
  printf "| Perinax.exe / floor | %.3f | %.3f | |\n", xw / fw, xc / fc
  printf "| Perinax.exe / probe floor | %.3f | %.3f | |\n", xw / pw, xc / pc }'
printf '\nPerinax.exe: %s bytes; imports: %s\n' "$size" "$imports"
