// The page's reading and writing of the file's bytes, put before page.js in
// the page's one script block.
'use strict';

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

