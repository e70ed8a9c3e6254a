// The checker's side of the page: a Web Worker made from the page's own
// script (the Emscripten module above this, in one blob), so that a large file
// is explained while the page keeps answering. It is handed the module's
// WebAssembly bytes, which the page carries, rather than fetch anything.
'use strict';

let started = null;

function explainIn(m, request) {
  const nameSize = m.lengthBytesUTF8(request.name) + 1;
  const caseSize = m.lengthBytesUTF8(request.caseName) + 1;
  const name = m._malloc(nameSize);
  const only = m._malloc(caseSize);
  const bytes = m._malloc(Math.max(request.bytes.length, 1));
  try {
    // A file larger than the memory the browser grants is not explained.
    if (name === 0 || only === 0 || bytes === 0) {
      return { exitCode: 2, text: 'perinax-explain: the browser has no memory left for this file' };
    }
    m.stringToUTF8(request.name, name, nameSize);
    m.stringToUTF8(request.caseName, only, caseSize);
    m.HEAPU8.set(request.bytes, bytes);
    const text = m.UTF8ToString(m._ExplainBytes(name, bytes, request.bytes.length, only));
    return { exitCode: m._ExplainExitCode(), text: text };
  } finally {
    m._free(bytes);
    m._free(only);
    m._free(name);
  }
}

self.onmessage = (event) => {
  const request = event.data;
  if (request.wasm !== undefined) {
    const binary = Uint8Array.from(atob(request.wasm), (c) => c.charCodeAt(0));
    started = PerinaxExplainModule({ wasmBinary: binary });
    started.then(() => self.postMessage({ ready: true }),
                 (error) => self.postMessage({ failed: String(error) }));
    return;
  }
  started.then((m) => {
    let result;
    const start = performance.now();
    try {
      result = explainIn(m, request);
    } catch (error) {
      result = { exitCode: 2, text: 'perinax-explain: ' + error };
    }
    self.postMessage({ id: request.id, exitCode: result.exitCode, text: result.text,
                       took: performance.now() - start });
  });
};
