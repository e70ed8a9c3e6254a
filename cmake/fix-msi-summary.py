#!/usr/bin/env python3
"""Makes a package wixl built the same bytes from build to build.

    fix-msi-summary.py MSI PACKAGE-CODE

wixl gives each package a new package code (the summary information's revision number) and
stamps it with the time of the build (its creation and last-save times); every other byte is
the same from build to build. This writes the given package code and a fixed time, 1980-01-01,
in their place. It fails unless it finds exactly one package code and its two times.
"""
import re
import struct
import sys

path, code = sys.argv[1], sys.argv[2].upper().encode()
data = bytearray(open(path, "rb").read())
guid = rb"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}"
# VT_LPSTR, its length with the terminator, the code.
revision = [m for m in re.finditer(rb"\x1e\x00\x00\x00\x27\x00\x00\x00(" + guid + rb")\x00", data)]
if len(revision) != 1 or not re.fullmatch(guid, code):
    sys.exit(f"fix-msi-summary: {len(revision)} package codes in {path}")
start = revision[0].start(1)
data[start:start + 38] = code
# VT_FILETIME and its 64 bits, in the summary stream just after the code.
times = [m for m in re.finditer(rb"\x40\x00\x00\x00(.{8})", data[start:start + 200], re.S)]
if len(times) != 2:
    sys.exit(f"fix-msi-summary: {len(times)} times in the summary of {path}")
fixed = struct.pack("<Q", (315532800 + 11644473600) * 10_000_000)
for m in times:
    data[start + m.start(1):start + m.end(1)] = fixed
open(path, "wb").write(bytes(data))
