#!/usr/bin/env bash
# How long perinax-explain takes on 1 MB INI files of different shapes, built as
# users get it (the host-release preset), and each shape's cost against the
# typical file's, measured in one run:
#
#   typical        the bundled example, then sections of seven keys each (none
#                  of which Perinax reads, so each draws warnings)
#   sections       about 129,000 one-line sections, [0] to [128853]
#   keys           [Default] with about 75,000 keys Perinax never reads
#   repeated-keys  [Default] with SetupFile=setup.exe over and over
#   short-keys     [Default] with k=v over and over: some 210,000 keys of five
#                  bytes, a record for every line
#   empty-sections []: some 262,000 sections without a name
#   long-line      [Default] with one SetupFile value of 1 MB
#   known-keys     the seven keys of [Default], then lines that repeat them
#
#   bench/explain.sh [RUNS]   (default 11)
#
# The shapes run in turn, round after round, so that a change in the machine's
# speed touches all of them alike; each shape's ratio is the median of its
# per-round ratio to the typical file. Whole process: wall clock, and the CPU
# time (user + system) the kernel charged to it, which a busy machine moves
# less.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-11}

cmake --preset host-release >/dev/null
cmake --build --preset host-release --target perinax-explain >/dev/null
explain=$PWD/build/host-release/tools/perinax-explain

work=build/host-release/bench-run
mkdir -p "$work"
python3 - "$runs" "$explain" "$work" examples/Perinax.ini <<'PY'
import os, statistics, subprocess, sys, time

runs, explain, work, example = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
MB = 1 << 20


def filled(head, line):
    """head, then line(n) for n = 0, 1, ... up to 1 MB exactly."""
    parts, size, n = [head], len(head), 0
    while size < MB:
        block = line(n).encode()
        parts.append(block)
        size += len(block)
        n += 1
    return b"".join(parts)[:MB]


seven = "".join(f"RegPath{b}Key{k}=SOFTWARE\\Vendor\\Product\\{k}\r\n"
                for b in (32, 64) for k in ("Path", "Name", "Value"))
shapes = {
    "typical": filled(open(example, "rb").read(), lambda n: (
        f"\r\n[Product{n}]\r\nSetupFile=setup{n}.exe\r\n"
        + "".join(f"RegPath{b}Key{k}=SOFTWARE\\Vendor\\Product{n}\\{k}\r\n"
                  for b in (32, 64) for k in ("Path", "Name", "Value")))),
    "sections": filled(b"", lambda n: f"[{n}]\n"),
    "keys": filled(b"[Default]\r\n", lambda n: f"k{n}=v{n}\r\n"),
    "repeated-keys": filled(b"[Default]\r\n", lambda n: "SetupFile=setup.exe\r\n"),
    "short-keys": filled(b"[Default]\r\n", lambda n: "k=v\r\n"),
    "empty-sections": filled(b"", lambda n: "[]\r\n"),
    "long-line": (b"[Default]\r\nSetupFile=" + b"x" * MB)[:MB],
    "known-keys": filled(f"[Default]\r\nSetupFile=setup.exe\r\n{seven}".encode(),
                         lambda n: seven),
}
files = {}
for name, data in shapes.items():
    files[name] = os.path.join(work, f"{name}.ini")
    open(files[name], "wb").write(data)


def once(path):
    start = time.perf_counter()
    child = subprocess.Popen([explain, path], stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode not in (0, 1):
        sys.exit(f"perinax-explain {path}: exit code {child.returncode}")
    return elapsed, usage.ru_utime + usage.ru_stime


names = list(files)
for name in names:  # warm-up
    once(files[name])
samples = {name: [] for name in names}
for round_ in range(runs):
    order = names[round_ % len(names):] + names[:round_ % len(names)]
    for name in order:
        samples[name].append(once(files[name]))

typical = samples["typical"]
print(f"perinax-explain on 1 MB files, {runs} rounds, whole process (medians)")
print(f"{'shape':<14} {'lines':>7} {'wall ms':>8} {'ratio':>6} {'cpu ms':>7} {'ratio':>6}")
worst = [0.0, 0.0]
for name in names:
    lines = shapes[name].count(b"\n") + 1
    row = f"{name:<14} {lines:>7}"
    for i in (0, 1):
        ratio = statistics.median(s[i] / t[i] for s, t in zip(samples[name], typical))
        worst[i] = max(worst[i], ratio)
        row += f" {statistics.median(s[i] for s in samples[name]) * 1000:>8.1f} {ratio:>6.2f}"
    print(row)
print(f"largest ratio to the typical file: wall {worst[0]:.2f}, cpu {worst[1]:.2f}")
PY
