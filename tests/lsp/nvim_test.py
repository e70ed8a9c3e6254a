#!/usr/bin/python3
"""perinax-explain --lsp through a client nobody here wrote: Debian's Neovim,
headless, with its built-in language server client, opens an INI file; the
diagnostics it received are the warnings of `perinax-explain --json`, each
with the severity of its code's level.

  tests/lsp/nvim_test.py PERINAX_EXPLAIN SOURCE_DIR"""

import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
# Neovim's severities: 1 error, 2 warning, 3 information.
SEVERITY = {"error": 1, "warning": 2, "note": 3}


def main():
    program, source = os.path.abspath(sys.argv[1]), pathlib.Path(sys.argv[2])
    levels = dict(re.findall(r'\{Code::k\w+, "([a-z-]+)", "\w+", Level::k(\w+),',
                             (source / "tools/explain/checks/catalogue.h").read_text()))
    with tempfile.TemporaryDirectory() as scratch:
        ini = pathlib.Path(scratch) / "Perinax.ini"
        shutil.copy(source / "tests/browser/mistakes-pasted.ini", ini)
        out = pathlib.Path(scratch) / "received.json"
        env = dict(os.environ, PERINAX_EXPLAIN=program, PERINAX_INI=str(ini), PERINAX_OUT=str(out),
                   HOME=scratch, XDG_STATE_HOME=scratch, XDG_DATA_HOME=scratch)
        subprocess.run(["/usr/bin/nvim", "--headless", "--clean", "-n", "-c",
                        f"luafile {HERE / 'nvim_client.lua'}"],
                       env=env, stdin=subprocess.DEVNULL, timeout=60, check=True)
        received = json.loads(out.read_text())
        report = json.loads(subprocess.run([program, "--json", str(ini)], capture_output=True,
                                           check=False).stdout)
    want = sorted(([w["line"], w["code"], w["message"], SEVERITY[levels[w["code"]].lower()]]
                   for w in report["warnings"]), key=lambda w: w[0])
    got = received["diagnostics"]
    assert received["arrived"] and got, "Neovim received no diagnostics"
    assert sorted(got) == sorted(want), f"\n neovim: {got}\n json:   {want}"
    print(f"ok: Neovim received {len(got)} diagnostics, as --json gives them")


if __name__ == "__main__":
    main()
