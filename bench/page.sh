#!/usr/bin/env bash
# perinax-explain.html in headless Chromium, opened from disk with the network
# off: its size, the time from navigation to its first result, and the time to
# explain the bundled example again after an edit (the checker's run, reading
# its JSON and laying out the table and warnings), both from the browser's
# Performance API (performance.now()).
#
#   bench/page.sh [RUNS]   (default 10 page loads, 5x that many edits)
#
# The page waits 60 ms after the last keystroke before it explains; that pause
# is not in the edit figure.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}

cmake --preset wasm >/dev/null
cmake --build --preset wasm --target perinax-explain-page >/dev/null
page=build/wasm/perinax-explain.html
echo "page: $(stat -c %s "$page") bytes"

/usr/bin/python3 - "$page" "$runs" <<'PY'
import pathlib, statistics, sys, tempfile
sys.path.insert(0, "tests/browser")
import page_test

page, runs = sys.argv[1], int(sys.argv[2])
example = pathlib.Path("examples/Perinax.ini").read_text()

def line(what, samples):
    print(f"{what} ms: min {min(samples):.1f} median {statistics.median(samples):.1f} "
          f"max {max(samples):.1f} ({len(samples)} runs)")

with tempfile.TemporaryDirectory() as scratch:
    driver = page_test.start_browser(pathlib.Path(scratch) / "profile")
    try:
        loads = []
        for _ in range(runs):
            page_test.open_page(driver, page)
            loads.append(driver.execute_script("return window.perinaxTimings.firstResult"))
        line("load to first result", loads)
        page_test.paste(driver, example)
        edits = []
        for i in range(runs * 5):
            # One more character at the end, as an author types.
            page_test.paste(driver, example + "x" * (i % 2))
            edits.append(driver.execute_script("return window.perinaxTimings.lastExplain"))
        line(f"explain after an edit ({len(example.encode())} bytes)", edits)
    finally:
        driver.quit()
PY
