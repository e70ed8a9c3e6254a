#!/usr/bin/python3
"""perinax-explain.html in headless Chromium, opened from disk with the network
off: the page must show what `perinax-explain --json --no-folder` says for the
same bytes (every case's section, program and registry write; every warning's
code, line and message), and a case's trace as `--case` prints it.

  tests/browser/page_test.py PAGE PERINAX_EXPLAIN [--screenshot PNG]

One browser start for every check. Needs Debian's python3-selenium, chromium
and chromium-driver (scripts/install-deps.sh)."""

import base64
import json
import re
import shutil
import pathlib
import subprocess
import sys
import tempfile
import time

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

import page_checks

HERE = pathlib.Path(__file__).resolve().parent
SOURCE = HERE.parent.parent
# Each code's level, from the one list of codes, for a JSON form without levels.
LEVELS = dict(re.findall(r'\{Code::k\w+, "([a-z-]+)", "\w+", Level::k(\w+),',
                         (SOURCE / "tools/explain/checks/catalogue.h").read_text()))
LEVELS = {code: level.lower() for code, level in LEVELS.items()}


def start_browser(profile):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 f"--user-data-dir={profile}",
                 # Anything that still tried the network would meet a closed port.
                 "--proxy-server=http://127.0.0.1:9", "--proxy-bypass-list=<-loopback>",
                 "--window-size=1280,1000"):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"performance": "ALL", "browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": True, "latency": 0, "downloadThroughput": 0, "uploadThroughput": 0})
    return driver


def open_page(driver, page):
    driver.get(pathlib.Path(page).resolve().as_uri())
    wait_for(driver, lambda: driver.execute_script("return window.perinaxTimings.firstResult"),
             "the first result")


def wait_for(driver, ready, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = ready()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}: {driver.find_element(By.ID, 'status').text}")


def settled(driver, before):
    """Waits until the page has explained again and no explanation is pending."""
    count = lambda: driver.execute_script("return window.perinaxTimings.explained")
    wait_for(driver, lambda: count() > before, "an explanation")
    last = count()
    while True:
        time.sleep(0.3)
        now = count()
        if now == last:
            return
        last = now


def explained(driver):
    return driver.execute_script("return window.perinaxTimings.explained")


def paste(driver, text):
    before = explained(driver)
    driver.execute_script("""
        const area = document.getElementById('ini');
        area.value = arguments[0];
        area.dispatchEvent(new InputEvent('input', {inputType: 'insertFromPaste', bubbles: true}));
    """, text)
    settled(driver, before)


def drop(driver, name, data):
    before = explained(driver)
    driver.execute_script("""
        const bytes = Uint8Array.from(atob(arguments[1]), (c) => c.charCodeAt(0));
        const transfer = new DataTransfer();
        transfer.items.add(new File([bytes], arguments[0]));
        const area = document.getElementById('ini');
        for (const type of ['dragover', 'drop'])
          area.dispatchEvent(new DragEvent(type, {dataTransfer: transfer, bubbles: true, cancelable: true}));
    """, name, base64.b64encode(data).decode())
    settled(driver, before)


def as_perinax_ini(path):
    """The file's bytes under the one name Perinax reads, which the page takes for granted."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="page-cli-"))
    shutil.copyfile(path, folder / "Perinax.ini")
    return folder / "Perinax.ini"


def command_line(explain, path, *words):
    run = subprocess.run([explain, "--no-folder", *words, str(as_perinax_ini(path))],
                         capture_output=True, check=False)
    assert run.returncode in (0, 1), run.stderr.decode()
    return run.stdout.decode()


def text_rows(explain, path):
    """The text form's table, each case's five columns."""
    rows = {}
    for line in command_line(explain, path).splitlines()[3:]:
        if not line:
            break
        columns = re.split(r"  +", line, maxsplit=4)
        rows[columns[0]] = columns
    return rows


def expected_cells(plan, row):
    """What the page shows of a case: the JSON's fields, in the text form's
    words where the JSON has none (why nothing starts, "(Default)")."""
    cells = {"section": f"[{plan['section']}]",
             "program": row[3] if plan["setup_file"] is None else plan["setup_file"]}
    write = plan["registry"]
    if write is None:
        cells["nothing"] = "nothing written: " + plan["nothing_written"]
    else:
        name = write["name"]
        if name == "":
            assert "  (Default) = " in row[4], row
            name = "(Default)"
        cells.update(view=f"{write['view']}-bit", key=write["key"], name=name,
                     value=str(write["value"]))
        regedit = re.search(r"  \(regedit: (.*)\)$", row[4])
        if regedit:
            cells["regedit"] = regedit.group(1)
    return cells


def shown(driver):
    """The page's matrix and warnings, as plain data; a cell's text as it is
    laid out (innerText), so that blanks the page collapsed would show."""
    return driver.execute_script("""
        const cases = {};
        for (const row of document.querySelectorAll('#matrix tbody tr')) {
          const cells = {};
          for (const td of row.querySelectorAll('td[data-field]')) {
            cells[td.dataset.field] = td.querySelector('.value').innerText;
            const regedit = td.querySelector('.regedit');
            if (regedit) cells.regedit = regedit.innerText.replace(/^\(regedit: (.*)\)$/, '$1');
          }
          cases[row.dataset.case] = cells;
        }
        const warnings = [...document.querySelectorAll('#warnings li')].map((li) =>
          [Number(li.dataset.line), li.dataset.code, li.querySelector('.message').innerText,
           li.dataset.level]);
        return {cases: cases, warnings: warnings, status: document.getElementById('status').textContent,
                folderNote: !document.getElementById('folder-note').hidden};
    """)


def check_same(driver, explain, path, label):
    report = json.loads(command_line(explain, path, "--json"))
    rows = text_rows(explain, path)
    page = shown(driver)
    want = {plan["case"]: expected_cells(plan, rows[plan["case"]]) for plan in report["cases"]}
    assert len(want) == 11, label
    assert page["cases"] == want, f"{label}: cases differ\n page: {page['cases']}\n json: {want}"
    warnings = [[w["line"], w["code"], w["message"], w.get("level", LEVELS[w["code"]])]
                for w in report["warnings"]]
    assert page["warnings"] == warnings, f"{label}: warnings differ\n page: {page['warnings']}\n json: {warnings}"
    # The total, as the text form's last line counts it.
    total = command_line(explain, path).splitlines()[-1]
    counted = page["status"].split(".")[0].replace(",", "").lower()
    assert counted == total, (page["status"], total)
    assert page["folderNote"] and report["folderChecked"] is False, label
    print(f"ok: {label}: {len(want)} cases, {len(warnings)} warnings as the command line says")
    return report


def check_trace(driver, explain, path, case):
    driver.find_element(By.CSS_SELECTOR, f'#matrix tr[data-case="{case}"] button').click()
    wait_for(driver, lambda: driver.execute_script(
        "return document.getElementById('trace').dataset.case") == case, "the trace")
    page = driver.find_element(By.ID, "trace-text").get_attribute("textContent").splitlines()
    want = command_line(explain, path, "--case", case).splitlines()
    # The second line is the INI file's path, which is the page's own.
    assert len(page) == len(want) and page[0] == want[0] and page[2:] == want[2:], (page, want)
    print(f"ok: the trace of {case}, {len(page)} lines")


def check_no_network(driver):
    for entry in driver.get_log("performance"):
        message = json.loads(entry["message"])["message"]
        if message["method"] == "Network.requestWillBeSent":
            url = message["params"]["request"]["url"]
            # The browser's own pages (chrome:, about:) are not the network.
            assert url.startswith(("file:", "data:", "blob:", "chrome:", "about:")), \
                f"network request: {url}"
    print("ok: no network request")


def main():
    page, explain = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--screenshot" else None
    size = pathlib.Path(page).stat().st_size
    assert size < 1_500_000, f"{page} is {size} bytes"
    with tempfile.TemporaryDirectory() as scratch:
        driver = start_browser(pathlib.Path(scratch) / "profile")
        try:
            open_page(driver, page)
            page_checks.check_console(driver, "on load")
            # The bundled example, typed in as an author would.
            example = SOURCE / "examples" / "Perinax.ini"
            before = explained(driver)
            driver.find_element(By.ID, "ini").send_keys(example.read_text())
            settled(driver, before)
            check_same(driver, explain, example, "the bundled example, typed")
            check_trace(driver, explain, example, "win81-x64")
            if screenshot:
                driver.execute_script("window.scrollTo(0, 0); document.activeElement.blur();"
                                      "document.getElementById('ini').scrollTop = 0;")
                size = driver.execute_cdp_cmd("Page.getLayoutMetrics", {})["cssContentSize"]
                shot = driver.execute_cdp_cmd("Page.captureScreenshot", {
                    "format": "png", "captureBeyondViewport": True,
                    "clip": {"x": 0, "y": 0, "width": size["width"], "height": size["height"], "scale": 1}})
                pathlib.Path(screenshot).write_bytes(base64.b64decode(shot["data"]))

            # Blanks kept, (Default), the regedit hint, marks and breaks, at 800 px.
            driver.set_window_size(800, 1000)
            blanks = HERE / "blanks.ini"
            paste(driver, blanks.read_text())
            page_checks.check_layout(driver, check_same(driver, explain, blanks, "blanks and (Default)"))
            driver.set_window_size(1280, 1000)

            pasted = HERE / "mistakes-pasted.ini"
            paste(driver, pasted.read_text())
            report = check_same(driver, explain, pasted, "mistakes, pasted")
            # Choosing a warning selects its line in the text.
            first = report["warnings"][-1]
            driver.find_elements(By.CSS_SELECTOR, "#warnings li button")[-1].click()
            selected = driver.execute_script(
                "const a = document.getElementById('ini'); return a.value.slice(a.selectionStart, a.selectionEnd)")
            assert selected == pasted.read_text().splitlines()[first["line"] - 1], selected
            print("ok: choosing a warning selects its line")
            page_checks.check_layout(driver, report)
            page_checks.check_text_kept(driver, pasted.read_text())
            wait_for(driver, lambda: driver.execute_script("return window.perinaxTimings.firstResult"),
                     "the result after a reload")
            check_same(driver, explain, pasted, "mistakes, after a reload and a Back")

            # Notepad's "Unicode": UTF-16 LE with a byte-order mark, CRLF line ends.
            text = (HERE / "mistakes-utf16.txt").read_text().replace("\n", "\r\n")
            utf16 = pathlib.Path(scratch) / "utf16" / "Perinax.ini"
            utf16.parent.mkdir()
            utf16.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
            drop(driver, utf16.name, utf16.read_bytes())
            check_same(driver, explain, utf16, "mistakes, a dropped UTF-16 file")
            # An edit keeps the file's form: the checker sees UTF-16 with its mark and CRLF still.
            text += "[win8]\r\nSetupFile=setup.msi\r\n"
            utf16.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
            paste(driver, text.replace("\r\n", "\n"))
            check_same(driver, explain, utf16, "the UTF-16 file, edited")
            large = page_checks.check_answers_while_working(driver, settled, 5)
            page_checks.check_large_count(driver, explain, pathlib.Path(scratch), large)
            check_no_network(driver)
            page_checks.check_console(driver, "after every check")
        finally:
            driver.quit()


if __name__ == "__main__":
    main()
