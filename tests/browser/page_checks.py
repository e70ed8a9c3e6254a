"""The page's checks beyond the same answer as the command line: how it lays
that answer out, that it keeps the text, and that it answers while a large
file is explained. page_test.py runs them in its one browser."""

import json
import subprocess

from selenium.webdriver.common.by import By


def check_console(driver, when):
    """Any error the page logged (a blocked script, a failed fetch, an exception)."""
    errors = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
    assert not errors, f"console errors {when}: {errors}"
    print(f"ok: no console error {when}")


def check_layout(driver, report):
    """Marks only where a case differs from [Default]; nothing quoted for a finding
    about the whole file; a key path broken only after a '\\'."""
    laid = driver.execute_script("""
        const marked = {};
        for (const row of document.querySelectorAll('#matrix tbody tr'))
          marked[row.dataset.case] = [...row.querySelectorAll('td.differs')].map((td) => td.dataset.field);
        const quoted = [...document.querySelectorAll('#warnings li')].map((li) => !!li.querySelector('.quote'));
        // Each run of a key path between two '\\' is one text node: on one line, it has one box.
        let broken = [];
        for (const td of document.querySelectorAll('td[data-field=key]')) {
          for (const node of td.querySelector('.value').childNodes) {
            if (node.nodeType !== Node.TEXT_NODE) continue;
            const range = document.createRange();
            range.selectNodeContents(node);
            if (range.getClientRects().length > 1) broken.push(node.textContent);
          }
        }
        return {marked: marked, quoted: quoted, broken: broken};
    """)
    by_case = {plan["case"]: plan for plan in report["cases"]}
    for case, fields in laid["marked"].items():
        if by_case[case]["section"] == "Default":
            assert fields == [], f"{case} reads [Default] and is marked: {fields}"
    assert any(laid["marked"].values()), laid["marked"]
    for warning, quoted in zip(report["warnings"], laid["quoted"]):
        if warning["code"] == "no-default":
            assert not quoted, "no-default quotes a line"
    assert laid["broken"] == [], f"key paths broken inside a name: {laid['broken']}"
    print("ok: marks, quotes and line breaks")


def check_text_kept(driver, pasted_text):
    """A warning's page opens in a new tab; the text stays, and survives a
    reload and a Back."""
    page = driver.current_window_handle
    link = driver.find_element(By.CSS_SELECTOR, "#warnings li a.code")
    assert link.get_attribute("target") == "_blank" and "noopener" in link.get_attribute("rel")
    link.click()
    assert driver.current_window_handle == page
    # The warning's page (not beside a build's page) is closed unread.
    for handle in driver.window_handles:
        if handle != page:
            driver.switch_to.window(handle)
            driver.close()
    driver.switch_to.window(page)
    text = lambda: driver.execute_script("return document.getElementById('ini').value")
    assert text() == pasted_text
    driver.refresh()
    assert text() == pasted_text, "the text was lost on reload"
    driver.get("about:blank")
    driver.back()
    assert text() == pasted_text, "the text was lost on Back"
    print("ok: the text is kept after a warning's page, a reload and a Back")


def check_answers_while_working(driver, settled, megabytes):
    """A large file dropped on the page is explained whole while the page still
    runs its own script, and only its beginning is shown, read-only."""
    section = "[Default]\n" + "".join(f"Key{i}=value {i}\n" for i in range(20000))
    text = section * max(1, megabytes * 1_000_000 // len(section))
    before = driver.execute_script("return window.perinaxTimings.explained")
    driver.execute_script("""
        window.perinaxAnswered = [];
        const transfer = new DataTransfer();
        transfer.items.add(new File([arguments[0]], 'Perinax.ini'));
        document.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
        // A task queued while the checker works: it runs only if the page is not blocked.
        const look = () => {
          window.perinaxAnswered.push(document.getElementById('status').textContent);
          if (window.perinaxAnswered.length < 400) setTimeout(look, 25);
        };
        setTimeout(look, 0);
    """, text)
    settled(driver, before)
    answered = driver.execute_script("return window.perinaxAnswered")
    assert any(seen.startswith("Explaining") for seen in answered), answered[:5]
    shown = driver.execute_script("""
        const area = document.getElementById('ini');
        return [area.readOnly, area.value.length, !document.getElementById('large-note').hidden];""")
    assert shown[0] and shown[1] < len(text) and shown[2], shown
    print(f"ok: a {len(text) // 1_000_000} MB file explained while the page answered")
    return text


def check_large_count(driver, explain, scratch, text):
    """The total counts every finding, those folded into a closing one too."""
    path = scratch / "large" / "Perinax.ini"
    path.parent.mkdir(exist_ok=True)
    path.write_text(text)
    run = subprocess.run([explain, "--no-folder", str(path)], capture_output=True, check=False)
    total = run.stdout.decode().splitlines()[-1]
    status = driver.find_element(By.ID, "status").text
    assert status.split(".")[0].replace(",", "").lower() == total, (status, total)
    report = json.loads(subprocess.run([explain, "--no-folder", "--json", str(path)],
                                       capture_output=True, check=False).stdout)
    assert len(report["warnings"]) < int(total.split()[0]), "nothing was folded"
    print(f"ok: the page counts {total}, as the command line does")
