#!/usr/bin/python3
"""perinax-explain --lsp at the protocol level, as an editor speaks to it: the
diagnostics on open and after an edit are the warnings `perinax-explain
--json` gives for the same bytes on disk; a hover on a section header and on
a key tells what the cases do; the sections are the symbols; completion
offers the names Perinax reads; a quick fix, applied, mends its finding; and
shutdown then exit ends the server with 0 (exit alone with 1).

  tests/lsp/lsp_protocol_test.py PERINAX_EXPLAIN SOURCE_DIR"""

import json
import pathlib
import shutil
import subprocess
import sys
import tempfile


class Server:
    def __init__(self, program):
        self.process = subprocess.Popen([program, "--lsp"], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE)
        self.next_id = 1
        self.notes = []

    def send(self, message):
        body = json.dumps({"jsonrpc": "2.0", **message}).encode()
        self.process.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.process.stdin.flush()

    def receive(self):
        length = None
        while True:
            line = self.process.stdout.readline()
            assert line, "the server closed its output"
            if line == b"\r\n":
                break
            name, _, value = line.decode().partition(":")
            if name.lower() == "content-length":
                length = int(value)
        return json.loads(self.process.stdout.read(length))

    def request(self, method, params):
        ask = self.next_id
        self.next_id += 1
        self.send({"id": ask, "method": method, "params": params})
        while True:
            message = self.receive()
            if message.get("id") == ask:
                assert "error" not in message, message
                return message["result"]
            self.notes.append(message)

    def notify(self, method, params):
        self.send({"method": method, "params": params})

    def diagnostics(self, uri):
        """The next diagnostics published for the document."""
        while True:
            message = self.notes.pop(0) if self.notes else self.receive()
            if message.get("method") == "textDocument/publishDiagnostics" and \
                    message["params"]["uri"] == uri:
                return message["params"]["diagnostics"]


def as_json(program, path):
    run = subprocess.run([program, "--json", str(path)], capture_output=True, check=False)
    return [(w["line"], w["code"], w["message"]) for w in json.loads(run.stdout)["warnings"]]


def check_same(program, path, diagnostics, when):
    got = [(d["range"]["start"]["line"] + 1, d["code"], d["message"]) for d in diagnostics]
    assert got == as_json(program, path), f"{when}:\n lsp:  {got}\n json: {as_json(program, path)}"
    for d in diagnostics:
        assert d["severity"] in (1, 2, 3) and d["source"] == "perinax-explain", d
        assert d["codeDescription"]["href"].endswith(f"/docs/warnings/{d['code']}.md"), d
    print(f"ok: {when}: {len(got)} diagnostics, as --json gives them")


def apply(text, edits):
    """The text with a WorkspaceEdit's edits made (from the last one back)."""
    lines = text.split("\n")
    offsets = [0]
    for line in lines:
        offsets.append(offsets[-1] + len(line) + 1)
    at = lambda p: offsets[p["line"]] + len(lines[p["line"]].encode("utf-16-le")[:p["character"] * 2]
                                             .decode("utf-16-le"))
    for edit in sorted(edits, key=lambda e: at(e["range"]["start"]), reverse=True):
        text = text[:at(edit["range"]["start"])] + edit["newText"] + text[at(edit["range"]["end"]):]
    return text


def main():
    program, source = sys.argv[1], pathlib.Path(sys.argv[2])
    pages = (source / "docs" / "warnings").as_uri() + "/{code}.md"
    with tempfile.TemporaryDirectory() as scratch:
        path = pathlib.Path(scratch) / "Perinax.ini"
        shutil.copy(source / "tests" / "browser" / "mistakes-pasted.ini", path)
        uri = path.as_uri()
        server = Server(program)
        init = server.request("initialize", {"processId": None, "rootUri": None, "capabilities": {},
                                             "initializationOptions": {"codePages": pages}})
        assert init["capabilities"]["textDocumentSync"]["change"] == 1, init
        server.notify("initialized", {})
        text = path.read_text()
        server.notify("textDocument/didOpen", {"textDocument": {
            "uri": uri, "languageId": "ini", "version": 1, "text": text}})
        check_same(program, path, server.diagnostics(uri), "on open")

        # An edit: a [Default] section, and the hexadecimal value typed again.
        text += "[Default]\nSetupFile=setup.exe\nRegPath32KeyValue=0x10\n"
        path.write_text(text)
        server.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 2},
                                                  "contentChanges": [{"text": text}]})
        diagnostics = server.diagnostics(uri)
        check_same(program, path, diagnostics, "after an edit")

        lines = text.split("\n")
        doc = {"uri": uri}
        hover = server.request("textDocument/hover", {"textDocument": doc, "position": {
            "line": lines.index("[Default]"), "character": 2}})["contents"]["value"]
        assert "vista-x86" in hover and "win10-x64" in hover and "starts `setup.exe`" in hover, hover
        key = lines.index("RegPath32KeyValue=0x10")
        hover = server.request("textDocument/hover", {"textDocument": doc, "position": {
            "line": key, "character": 3}})["contents"]["value"]
        assert "reads `0x10`" in hover and "vista-x86" in hover and "vista-x64" not in hover, hover
        print("ok: hovers on a section and a key")

        symbols = server.request("textDocument/documentSymbol", {"textDocument": doc})
        assert [s["name"] for s in symbols] == ["[Win7]", "[win8]", "[win8]", "[Default]"], symbols
        keys = server.request("textDocument/completion", {"textDocument": doc, "position": {
            "line": key, "character": 0}})
        sections = server.request("textDocument/completion", {"textDocument": doc, "position": {
            "line": lines.index("[Default]"), "character": 1}})
        assert len(keys) == 7 and "RegPath64KeyValue" in [k["label"] for k in keys], keys
        assert sorted(s["label"] for s in sections) == ["Default", "win7", "win8", "win8.1"], sections
        print("ok: symbols and completion")

        actions = server.request("textDocument/codeAction", {
            "textDocument": doc, "range": {"start": {"line": 0, "character": 0},
                                           "end": {"line": len(lines), "character": 0}},
            "context": {"diagnostics": diagnostics}})
        for action in actions:
            fixed = action["diagnostics"][0]
            text = apply(text, action["edit"]["changes"][uri])
            path.write_text(text)
            server.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 3},
                                                      "contentChanges": [{"text": text}]})
            after = server.diagnostics(uri)
            check_same(program, path, after, f"after the fix '{action['title']}'")
            assert fixed["message"] not in [d["message"] for d in after], action
            break
        print(f"ok: {len(actions)} quick fixes offered" + (", the first applied" if actions else ""))

        assert server.request("shutdown", None) is None
        server.notify("exit", None)
        assert server.process.wait(10) == 0
        abrupt = Server(program)
        abrupt.request("initialize", {"processId": None, "rootUri": None, "capabilities": {}})
        abrupt.notify("exit", None)
        assert abrupt.process.wait(10) == 1
        print("ok: exit 0 after shutdown, 1 without")


if __name__ == "__main__":
    main()
