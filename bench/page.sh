#!/usr/bin/env bash
# perinax-explain.html in headless Chromium, opened from disk with the network
# off, for INI files of 10 KB, 1 MB and 50 MB: the time from navigation until
# the checker is ready (load), from dropping the file on the page until its
# result is shown (first result), and from the last keystroke of an edit until
# the new result is shown (re-explain, the page's 60 ms pause included), all
# from the browser's Performance API (performance.now()). A file over 4 MB is
# shown in part and not edited on the page: its re-explain is the time for the
# same file with one section more, dropped again.
#
#   bench/page.sh [RUNS]   (default 3 runs of each; the median is shown)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}

cmake --preset wasm >/dev/null
cmake --build --preset wasm --target perinax-explain-page >/dev/null
page=build/wasm/perinax-explain.html
echo "page: $(stat -c %s "$page") bytes"

/usr/bin/python3 - "$page" "$runs" <<'PY'
import pathlib, statistics, sys, tempfile, time
sys.path.insert(0, "tests/browser")
import page_test
from selenium.webdriver.common.by import By

page, runs = sys.argv[1], int(sys.argv[2])
example = pathlib.Path("examples/Perinax.ini").read_text()

# The example, then sections no Windows version reads, up to the size.
MAKE = """
const [example, size] = arguments;
const parts = [example];
let length = example.length;
for (let i = 0; length < size; ++i) {
  const block = `[app ${i}]\\nSetupFile=setup.exe\\nRegPath32KeyPath=SOFTWARE\\\\Contoso\\\\App\\n` +
                `RegPath32KeyName=Installed\\nRegPath32KeyValue=${i}\\n`;
  parts.push(block);
  length += block.length;
}
window.perinaxBench = parts.join('');
"""

def until_shown(driver, before, seconds=600):
    deadline = time.monotonic() + seconds
    while driver.execute_script("return window.perinaxTimings.explained") <= before:
        assert time.monotonic() < deadline, "no result"
        time.sleep(0.02)

def measure(driver, size):
    # Each load starts from the empty page, not from the text the last one kept.
    page_test.open_page(driver, page)
    driver.execute_script("sessionStorage.clear()")
    page_test.open_page(driver, page)
    load = driver.execute_script("return window.perinaxTimings.firstResult")
    driver.execute_script(MAKE, example, size)
    before = driver.execute_script("return window.perinaxTimings.explained")
    driver.execute_script("""
        const transfer = new DataTransfer();
        transfer.items.add(new File([window.perinaxBench], 'Perinax.ini'));
        window.perinaxDropped = performance.now();
        document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
    """)
    until_shown(driver, before)
    first = driver.execute_script("return window.perinaxTimings.shownAt - window.perinaxDropped")
    before = driver.execute_script("return window.perinaxTimings.explained")
    if size <= 4 * 1024 * 1024:
        # A keystroke at the end of the text, as an author types.
        driver.find_element(By.ID, "ini").send_keys("x")
    else:
        # A file that large is not edited on the page: the next one dropped
        # (the same with one section more) is its re-explain.
        driver.execute_script("""
            const transfer = new DataTransfer();
            transfer.items.add(new File([window.perinaxBench, '[win7]\\n'], 'Perinax.ini'));
            window.perinaxDropped = performance.now();
            document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
        """)
    until_shown(driver, before)
    again = driver.execute_script("return window.perinaxTimings.lastExplain" if size <= 4 * 1024 * 1024
                                  else "return window.perinaxTimings.shownAt - window.perinaxDropped")
    return load, first, again

with tempfile.TemporaryDirectory() as scratch:
    driver = page_test.start_browser(pathlib.Path(scratch) / "profile")
    try:
        print(f"{'file':>8}  {'load ms':>9}  {'first result ms':>15}  {'re-explain ms':>13}  (median of {runs})")
        for label, size in (("10 KB", 10_000), ("1 MB", 1_000_000), ("50 MB", 50_000_000)):
            samples = [measure(driver, size) for _ in range(runs)]
            load, first, again = (statistics.median(column) for column in zip(*samples))
            print(f"{label:>8}  {load:9.0f}  {first:15.0f}  {again:13.0f}")
    finally:
        driver.quit()
PY
