// The page's own script: it hands the INI file's bytes to the checker (the
// WebAssembly module) and shows the checker's JSON. Every decision about the
// file is the checker's; this script only reads text in and lays results out.
'use strict';

(function () {
  const textArea = document.getElementById('ini');
  const fileInput = document.getElementById('file');
  const sourceText = document.getElementById('source');
  const statusText = document.getElementById('status');
  const warningList = document.getElementById('warnings');
  const matrixBody = document.querySelector('#matrix tbody');
  const traceSection = document.getElementById('trace');
  const traceTitle = document.getElementById('trace-title');
  const traceText = document.getElementById('trace-text');

  // What the checker reads: the bytes of an opened file, and after an edit the
  // text in that file's form; typed or pasted text as UTF-8 (no byte-order mark).
  let input = { name: 'Perinax.ini', bytes: new Uint8Array(0), form: null, crlf: false };
  // For bench/page.sh and the browser test: when the first result was shown,
  // how long the last explanation took from the last keystroke, and how many
  // explanations were shown, all from the Performance API.
  window.perinaxTimings = { firstResult: null, lastExplain: null, shownAt: null, checker: null, explained: 0 };

  // The checker runs in a worker made from the page's own script: the module's
  // text and the worker's, kept in a block the page does not run itself.
  let worker = null;
  let nextId = 1;
  const waiting = new Map();
  function startChecker() {
    const source = document.getElementById('checker-source').textContent;
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    worker = new Worker(url);
    URL.revokeObjectURL(url);
    return new Promise((resolve, reject) => {
      worker.onmessage = (event) => {
        const answer = event.data;
        if (answer.ready) {
          resolve();
        } else if (answer.failed !== undefined) {
          reject(answer.failed);
        } else {
          const done = waiting.get(answer.id);
          waiting.delete(answer.id);
          if (done) done(answer);
        }
      };
      worker.onerror = (event) => reject(event.message);
      worker.postMessage({ wasm: document.getElementById('checker-wasm').textContent.trim() });
    });
  }

  function run(caseName) {
    const id = nextId++;
    return new Promise((resolve) => {
      waiting.set(id, resolve);
      // A copy, so that the page's own bytes stay while the worker has these.
      worker.postMessage({ id: id, name: input.name, bytes: input.bytes.slice(), caseName: caseName });
    });
  }

  function element(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }

  // The INI text's lines, as the author sees them, for quoting and choosing.
  function lineRanges() {
    const text = textArea.value;
    const ranges = [];
    const ends = /\r\n|\n|\r/g;
    let start = 0;
    let match;
    while ((match = ends.exec(text)) !== null) {
      ranges.push([start, match.index]);
      start = match.index + match[0].length;
    }
    ranges.push([start, text.length]);
    return ranges;
  }

  function chooseLine(line, item) {
    const ranges = lineRanges();
    const range = ranges[Math.min(Math.max(line, 1), ranges.length) - 1];
    for (const other of warningList.querySelectorAll('li.chosen')) other.classList.remove('chosen');
    item.classList.add('chosen');
    textArea.focus();
    textArea.setSelectionRange(range[0], range[1]);
    const lineHeight = parseFloat(getComputedStyle(textArea).lineHeight) || 20;
    textArea.scrollTop = Math.max(0, (line - 3) * lineHeight);
  }

  // A text from the file as it is, blanks kept (the style sheet keeps them):
  // a line may break after a '\' of a key path or at a blank, nowhere else.
  function pathText(text) {
    const node = element('span', 'value');
    const parts = text.split('\\');
    parts.forEach((part, i) => {
      node.append(document.createTextNode(part + (i + 1 < parts.length ? '\\' : '')));
      if (i + 1 < parts.length) node.append(element('wbr'));
    });
    return node;
  }

  function showWarnings(warnings) {
    const ranges = lineRanges();
    const text = textArea.value;
    warningList.replaceChildren();
    for (const warning of warnings) {
      const item = element('li', 'level-' + warning.level);
      item.dataset.code = warning.code;
      item.dataset.line = String(warning.line);
      item.dataset.level = warning.level;
      const where = element('span', 'where');
      const button = element('button', 'line', 'line ' + warning.line);
      button.type = 'button';
      button.title = 'Show line ' + warning.line + ' in the text';
      button.addEventListener('click', () => chooseLine(warning.line, item));
      // Each code has a page of its own (what it finds, what then happens, the fix),
      // in the release's docs folder beside the page; it opens beside this one,
      // so that the text typed here stays.
      const code = element('a', 'code', '[' + warning.code + ']');
      code.href = 'docs/warnings/' + encodeURIComponent(warning.code) + '.html';
      code.target = '_blank';
      code.rel = 'noopener';
      code.title = 'What ' + warning.code + ' means (opens in a new tab)';
      where.append(button, element('span', 'level', warning.level), code);
      item.append(where, element('span', 'message', warning.message));
      // A finding about what the file lacks has no line to quote.
      const range = warning.fileWide ? null : ranges[warning.line - 1];
      if (range && range[1] > range[0]) {
        item.append(element('code', 'quote', text.slice(range[0], Math.min(range[1], range[0] + 120))));
      }
      warningList.append(item);
    }
  }

  // What a case does, as the cells of its row, in the command line's words; a
  // case that writes nothing has one cell, with the checker's reason, in place
  // of the four of the write.
  function outcome(plan) {
    const cells = [
      { field: 'section', text: '[' + plan.section + ']' },
      { field: 'program', text: plan.setup_file === null ? plan.shown.program : plan.setup_file },
    ];
    if (plan.registry === null) {
      cells.push({ field: 'nothing', text: 'nothing written: ' + plan.nothing_written, span: 4 });
    } else {
      cells.push({ field: 'view', text: plan.registry.view + '-bit' });
      cells.push({ field: 'key', text: plan.registry.key, path: true, regedit: plan.shown.regedit });
      cells.push({ field: 'name', text: plan.shown.name ?? plan.registry.name });
      cells.push({ field: 'value', text: String(plan.registry.value) });
    }
    return cells;
  }

  // The row a case is compared with: the case on the same architecture that
  // reads [Default] on a readable version. A case that reads [Default] itself
  // is that section's own outcome and is not marked (the probe's failure
  // among them, which reads it on a version it cannot name).
  function defaultOutcome(cases, plan) {
    if (plan.section === 'Default') return null;
    const reference = cases.find((c) => c.arch === plan.arch && c.windows !== null && c.section === 'Default');
    return reference ? outcome(reference) : null;
  }

  function showMatrix(cases) {
    matrixBody.replaceChildren();
    for (const plan of cases) {
      const row = element('tr');
      row.dataset.case = plan.case;
      const name = element('th', null, plan.case);
      name.scope = 'row';
      row.append(name);
      row.append(element('td', null, plan.windows === null ? 'not readable' : plan.windows + ' ' + plan.arch));
      const reference = defaultOutcome(cases, plan);
      for (const cell of outcome(plan)) {
        const td = element('td', cell.field === 'nothing' ? 'nothing' : null);
        td.append(cell.path ? pathText(cell.text) : element('span', 'value', cell.text));
        if (cell.regedit) td.append(element('span', 'regedit', '(regedit: ' + cell.regedit + ')'));
        td.dataset.field = cell.field;
        if (cell.span) td.colSpan = cell.span;
        const same = reference && reference.some((r) => r.field === cell.field && r.text === cell.text);
        if (reference && !same) {
          td.classList.add('differs');
          td.append(element('span', 'sr', ' (differs from [Default])'));
        }
        row.append(td);
      }
      const traceCell = element('td');
      const button = element('button', null, 'Trace');
      button.type = 'button';
      button.setAttribute('aria-label', 'Trace of ' + plan.case);
      button.addEventListener('click', () => showTrace(plan.case, true));
      traceCell.append(button);
      row.append(traceCell);
      matrixBody.append(row);
    }
  }

  // The trace shown follows the text, like the rest of the page.
  let tracedCase = null;
  async function showTrace(caseName, focus) {
    tracedCase = caseName;
    const result = await run(caseName);
    traceTitle.textContent = 'Trace of ' + caseName;
    traceText.textContent = result.text;
    traceSection.dataset.case = caseName;
    traceSection.hidden = false;
    if (focus) traceText.focus();
  }

  function countText(count) {
    if (count === 0) return 'No warnings.';
    return count.toLocaleString('en-US') + (count === 1 ? ' warning.' : ' warnings.');
  }

  // One explanation at a time: an edit made meanwhile is explained when it
  // ends, the last one only, so that a large file never queues up.
  let ready = false;
  let busy = false;
  let again = false;
  let lastEdit = performance.now();
  let pending = 0;
  async function explain() {
    pending = 0;
    if (!ready) return;
    if (busy) {
      again = true;
      return;
    }
    busy = true;
    document.body.classList.add('working');
    statusText.textContent = 'Explaining\u2026';
    const editedAt = lastEdit;
    const result = await run('');
    busy = false;
    if (again) {
      again = false;
      explain();
      return;
    }
    document.body.classList.remove('working');
    if (result.exitCode === 2) {
      statusText.textContent = result.text.trim();
      return;
    }
    const report = JSON.parse(result.text);
    showMatrix(report.cases);
    showWarnings(report.warnings);
    const listed = report.warnings.length;
    // The total counts what is folded into each code's closing warning too.
    statusText.textContent = countText(report.warningCount) +
      (listed < report.warningCount ? ' ' + listed + ' are listed; the rest are counted in them.' : '');
    document.getElementById('folder-note').hidden = report.folderChecked !== false;
    if (tracedCase !== null) showTrace(tracedCase, false);
    const timings = window.perinaxTimings;
    timings.shownAt = performance.now();
    timings.checker = result.took;
    timings.lastExplain = timings.shownAt - editedAt;
    timings.explained += 1;
    if (timings.firstResult === null) timings.firstResult = performance.now();
  }

  // Explains once typing pauses for a moment, so that a long file stays smooth.
  function explainSoon() {
    lastEdit = performance.now();
    if (pending !== 0) clearTimeout(pending);
    pending = setTimeout(explain, 60);
  }

  // The text, its form and its line ends are kept for this tab, so that a
  // reload or a Back finds them again; a text too large for the browser's
  // store is said to be, not silently dropped.
  const kept = 'perinax-explain-text';
  let keepSoon = 0;
  function keep() {
    keepSoon = 0;
    const note = document.getElementById('kept-note');
    if (textArea.readOnly) {
      // Only part of a large file is shown: that part is not the text to keep.
      sessionStorage.removeItem(kept);
      note.hidden = false;
      return;
    }
    try {
      sessionStorage.setItem(kept, JSON.stringify({
        name: input.name, text: textArea.value, form: input.form ? input.form.label : null,
        crlf: input.crlf, source: sourceText.textContent }));
      note.hidden = true;
    } catch (e) {
      sessionStorage.removeItem(kept);
      note.hidden = false;
    }
  }
  function keepLater() {
    if (keepSoon !== 0) clearTimeout(keepSoon);
    keepSoon = setTimeout(keep, 300);
  }
  function restore() {
    let saved = null;
    try {
      saved = JSON.parse(sessionStorage.getItem(kept));
    } catch (e) {
      saved = null;
    }
    if (!saved || typeof saved.text !== 'string') return;
    textArea.value = saved.text;
    input.name = String(saved.name);
    input.form = forms.find((f) => f.label === saved.form) ?? null;
    input.crlf = saved.crlf === true;
    sourceText.textContent = String(saved.source ?? '');
  }

  // A file larger than this is explained as it is and shown in part, read-only:
  // a text box of many megabytes takes the browser seconds to lay out at each
  // change, which would freeze the page.
  const kEditableBytes = 4 * 1024 * 1024;
  const kShownChars = 512 * 1024;

  async function openFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const read = readForm(bytes);
    input = { name: file.name, bytes: bytes, form: read.form, crlf: read.text.includes('\r\n') };
    const large = bytes.length > kEditableBytes;
    textArea.readOnly = large;
    document.getElementById('large-note').hidden = !large;
    textArea.value = large ? read.text.slice(0, kShownChars) : read.text;
    sourceText.textContent = '(' + file.name + ', ' + bytes.length + ' bytes, ' + read.form.label +
      (input.crlf ? ', CRLF' : '') + ')';
    lastEdit = performance.now();
    keep();
    explain();
  }

  textArea.addEventListener('input', () => {
    input.bytes = bytesOf(textArea.value, input.form ?? typed, input.crlf);
    explainSoon();
    keepLater();
  });
  // A page left for another keeps what was typed last.
  window.addEventListener('pagehide', () => {
    if (keepSoon !== 0) keep();
  });
  fileInput.addEventListener('change', () => {
    if (fileInput.files.length > 0) openFile(fileInput.files[0]);
    fileInput.value = '';
  });
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    const files = event.dataTransfer ? event.dataTransfer.files : [];
    if (files.length > 0) openFile(files[0]);
  });

  restore();
  startChecker().then(() => {
    ready = true;
    input.bytes = bytesOf(textArea.value, input.form ?? typed, input.crlf);
    explain();
  }, (error) => {
    statusText.textContent = 'The checker could not start in this browser: ' + error;
  });
})();
