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
  let checker = null;
  let pending = 0;
  // For bench/page.sh and the browser test: when the first result was shown,
  // and how long the last explanation took, both from the Performance API.
  window.perinaxTimings = { firstResult: null, lastExplain: null, explained: 0 };

  function run(caseName) {
    const m = checker;
    const nameSize = m.lengthBytesUTF8(input.name) + 1;
    const caseSize = m.lengthBytesUTF8(caseName) + 1;
    const name = m._malloc(nameSize);
    const only = m._malloc(caseSize);
    const bytes = m._malloc(Math.max(input.bytes.length, 1));
    try {
      m.stringToUTF8(input.name, name, nameSize);
      m.stringToUTF8(caseName, only, caseSize);
      m.HEAPU8.set(input.bytes, bytes);
      const text = m.UTF8ToString(m._ExplainBytes(name, bytes, input.bytes.length, only));
      return { exitCode: m._ExplainExitCode(), text: text };
    } finally {
      m._free(bytes);
      m._free(only);
      m._free(name);
    }
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

  function showWarnings(warnings) {
    const ranges = lineRanges();
    const text = textArea.value;
    warningList.replaceChildren();
    for (const warning of warnings) {
      const item = element('li');
      item.dataset.code = warning.code;
      item.dataset.line = String(warning.line);
      const where = element('span', 'where');
      const button = element('button', 'line', 'line ' + warning.line);
      button.type = 'button';
      button.title = 'Show line ' + warning.line + ' in the text';
      button.addEventListener('click', () => chooseLine(warning.line, item));
      // Each code has a page of its own (what it finds, what then happens, the fix),
      // in the release's docs folder beside the page.
      const code = element('a', 'code', '[' + warning.code + ']');
      code.href = 'docs/warnings/' + encodeURIComponent(warning.code) + '.html';
      code.title = 'What ' + warning.code + ' means';
      where.append(button, code);
      item.append(where, element('span', 'message', warning.message));
      const range = ranges[warning.line - 1];
      if (range && range[1] > range[0]) {
        item.append(element('code', 'quote', text.slice(range[0], Math.min(range[1], range[0] + 120))));
      }
      warningList.append(item);
    }
  }

  // What a case does, as the cells of its row; a case that writes nothing has
  // one cell, with the checker's reason, in place of the four of the write.
  function outcome(plan) {
    const cells = [
      { field: 'section', text: '[' + plan.section + ']' },
      { field: 'program', text: plan.setup_file === null ? 'nothing started' : plan.setup_file },
    ];
    if (plan.registry === null) {
      cells.push({ field: 'nothing', text: 'nothing written: ' + plan.nothing_written, span: 4 });
    } else {
      cells.push({ field: 'view', text: plan.registry.view + '-bit' });
      cells.push({ field: 'key', text: plan.registry.key });
      cells.push({ field: 'name', text: plan.registry.name });
      cells.push({ field: 'value', text: String(plan.registry.value) });
    }
    return cells;
  }

  // The row a case is compared with: the case on the same architecture that
  // the checker says reads [Default] on a readable version (Windows 10 reads
  // it always); the probe's failure is compared with the 32-bit one.
  function defaultOutcome(cases, plan) {
    const arch = plan.arch === null ? 'x86' : plan.arch;
    const reference = cases.find((c) => c.arch === arch && c.windows !== null && c.section === 'Default');
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
        const td = element('td', cell.field === 'nothing' ? 'nothing' : null, cell.text);
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
  function showTrace(caseName, focus) {
    tracedCase = caseName;
    traceTitle.textContent = 'Trace of ' + caseName;
    traceText.textContent = run(caseName).text;
    traceSection.hidden = false;
    if (focus) traceText.focus();
  }

  function explain() {
    pending = 0;
    if (checker === null) return;
    const start = performance.now();
    const result = run('');
    if (result.exitCode === 2) {
      statusText.textContent = result.text.trim();
      return;
    }
    const report = JSON.parse(result.text);
    showMatrix(report.cases);
    showWarnings(report.warnings);
    const count = report.warnings.length;
    statusText.textContent = count === 0 ? 'No warnings.' : count + (count === 1 ? ' warning.' : ' warnings.');
    document.getElementById('folder-note').hidden = report.folderChecked !== false;
    if (tracedCase !== null) showTrace(tracedCase, false);
    const timings = window.perinaxTimings;
    timings.lastExplain = performance.now() - start;
    timings.explained += 1;
    if (timings.firstResult === null) timings.firstResult = performance.now();
  }

  // Explains once typing pauses for a moment, so that a long file stays smooth.
  function explainSoon() {
    if (pending !== 0) clearTimeout(pending);
    pending = setTimeout(explain, 60);
  }

  // The forms a file can come in, as the text area shows them and as an edit
  // is written back, so that editing an opened file keeps its encoding, its
  // byte-order mark and its line ends. What the checker makes of each form is
  // in its own answer.
  function utf16(text, bigEndian) {
    const bytes = new Uint8Array(2 + text.length * 2);
    const view = new DataView(bytes.buffer);
    view.setUint16(0, 0xfeff, !bigEndian);
    for (let i = 0; i < text.length; ++i) view.setUint16(2 + i * 2, text.charCodeAt(i), !bigEndian);
    return bytes;
  }
  function withMark(mark, bytes) {
    const joined = new Uint8Array(mark.length + bytes.length);
    joined.set(mark);
    joined.set(bytes, mark.length);
    return joined;
  }
  // ANSI as Windows-1252; a character it cannot hold becomes '?', as Windows writes it.
  let ansiBytes = null;
  function ansi(text) {
    if (ansiBytes === null) {
      ansiBytes = new Map();
      const decoded = new TextDecoder('windows-1252').decode(Uint8Array.from({ length: 256 }, (_, i) => i));
      for (let i = 0; i < 256; ++i) ansiBytes.set(decoded[i], i);
    }
    return Uint8Array.from(text, (c) => (ansiBytes.has(c) ? ansiBytes.get(c) : 0x3f));
  }
  const utf8 = (text) => new TextEncoder().encode(text);
  const forms = [
    { label: 'UTF-16 LE', mark: [0xff, 0xfe], decoder: 'utf-16le', encode: (t) => utf16(t, false) },
    { label: 'UTF-16 BE', mark: [0xfe, 0xff], decoder: 'utf-16be', encode: (t) => utf16(t, true) },
    { label: 'UTF-8 with BOM', mark: [0xef, 0xbb, 0xbf], decoder: 'utf-8', encode: (t) => withMark([0xef, 0xbb, 0xbf], utf8(t)) },
    { label: 'UTF-8', mark: [], decoder: 'utf-8', fatal: true, encode: utf8 },
    { label: 'ANSI', mark: [], decoder: 'windows-1252', encode: ansi },
  ];
  const typed = forms[3];

  function readForm(bytes) {
    for (const form of forms) {
      if (!form.mark.every((b, i) => bytes[i] === b)) continue;
      try {
        // The decoder takes the byte-order mark off; encode puts it back.
        return { form: form, text: new TextDecoder(form.decoder, { fatal: !!form.fatal }).decode(bytes) };
      } catch (e) {
        // Not UTF-8: the next form.
      }
    }
    return null;  // not reached: ANSI decodes every byte
  }

  function bytesOf(text, form, crlf) {
    return form.encode(crlf ? text.replace(/\r?\n/g, '\r\n') : text);
  }

  async function openFile(file) {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const read = readForm(bytes);
    input = { name: file.name, bytes: bytes, form: read.form, crlf: read.text.includes('\r\n') };
    textArea.value = read.text;
    sourceText.textContent = '(' + file.name + ', ' + bytes.length + ' bytes, ' + read.form.label +
      (input.crlf ? ', CRLF' : '') + ')';
    explain();
  }

  textArea.addEventListener('input', () => {
    input.bytes = bytesOf(textArea.value, input.form ?? typed, input.crlf);
    explainSoon();
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

  PerinaxExplainModule().then((module) => {
    checker = module;
    input.bytes = bytesOf(textArea.value, input.form ?? typed, input.crlf);
    explain();
  }, (error) => {
    statusText.textContent = 'The checker could not start in this browser: ' + error;
  });
})();
