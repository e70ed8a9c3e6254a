#!/usr/bin/env bash
# perinax-explain over a repository of packages, built as users get it (the
# host-release preset): N package folders, each with a typical Perinax.ini (the
# release's example, the bundled demo's, or one with the usual mistakes, in
# turn), checked
#
#   one run      perinax-explain --format F pkgs/, for the text and SARIF forms
#   per file     one process per file, as a loop over the files would
#   floor        only finding and reading the same files (find | xargs cat)
#
# and the peak memory (maximum resident set) of one run over all N files
# against one run over a single file.
#
#   bench/explain-many.sh [N [RUNS]]   (default 10000 packages, 5 runs; the
#                                       per-file loop runs once)
set -euo pipefail
cd "$(dirname "$0")/.."
packages=${1:-10000}
runs=${2:-5}

cmake --preset host-release >/dev/null
cmake --build --preset host-release --target perinax-explain >/dev/null
explain=$PWD/build/host-release/tools/perinax-explain

work=$PWD/build/host-release/bench-many
rm -rf "$work"
mkdir -p "$work/pkgs" "$work/one"
python3 - "$work/pkgs" "$packages" examples/release/Perinax.ini examples/Perinax.ini \
  "tests/sarif/usual mistakes.ini" <<'PY'
import os, sys
root, count, examples = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
texts = [open(e, "rb").read() for e in examples]
for n in range(count):
    folder = os.path.join(root, f"{n // 100:03}", f"product-{n:05}")
    os.makedirs(folder)
    open(os.path.join(folder, "Perinax.ini"), "wb").write(texts[n % len(texts)])
PY
cp examples/release/Perinax.ini "$work/one/Perinax.ini"

python3 - "$explain" "$work" "$runs" "$packages" <<'PY'
import os, resource, statistics, subprocess, sys, time

explain, work, runs, packages = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
os.chdir(work)
files = sorted(os.path.join(d, f) for d, _, names in os.walk("pkgs") for f in names)
assert len(files) == packages, (len(files), packages)


def timed(command, shell=False):
    """Wall seconds and the peak resident set (KiB) of the command's processes."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    start = time.perf_counter()
    code = subprocess.run(command, shell=shell, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL).returncode
    wall = time.perf_counter() - start
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
    assert code in (0, 1), f"{command}: exit code {code}"
    return wall, peak if peak > before else None


def median_wall(command, shell=False, times=runs):
    return statistics.median(timed(command, shell)[0] for _ in range(times))


def peak_of(command):
    # getrusage's children figure is the largest so far, so each peak is read
    # from a process of its own.
    script = ("import resource,subprocess,sys;"
              "subprocess.run(sys.argv[1:],stdout=subprocess.DEVNULL,stderr=subprocess.DEVNULL);"
              "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)")
    return int(subprocess.run([sys.executable, "-c", script, *command], capture_output=True,
                              text=True).stdout)


floor = median_wall("find pkgs -iname perinax.ini -print0 | xargs -0 cat >/dev/null", shell=True)
rows = []
for form in ("text", "sarif"):
    rows.append((f"one run, --format {form}", median_wall([explain, "--format", form, "pkgs"])))
start = time.perf_counter()
for f in files:
    subprocess.run([explain, f], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
per_file = time.perf_counter() - start

print(f"{packages} packages, median of {runs} runs (the per-file loop once)")
print(f"{'what':28} {'seconds':>9} {'per file':>10} {'x floor':>8}")
print(f"{'floor: find and read':28} {floor:9.3f} {floor / packages * 1e6:8.1f}us {1:8.1f}")
for what, wall in rows + [("one process per file", per_file)]:
    print(f"{what:28} {wall:9.3f} {wall / packages * 1e6:8.1f}us {wall / floor:8.1f}")
print(f"one run against a process per file: {per_file / rows[0][1]:.0f} times faster (text)")
many, one = peak_of([explain, "--format", "sarif", "pkgs"]), peak_of([explain, "--format", "sarif", "one/Perinax.ini"])
print(f"peak memory: {many} KiB over {packages} files, {one} KiB over one ({many / one:.2f} times)")
PY
