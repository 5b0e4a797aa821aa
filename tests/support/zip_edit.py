#!/usr/bin/env python3
"""Writes a copy of a zip package with changes planted, for the tests of the check.

    zip_edit.py SOURCE TARGET CHANGES.json

CHANGES: {"sub": [[part, old, new], ...]  replace the first old in a part (text, UTF-8)
          "put": [[part, text], ...]      add or replace a part
          "drop": [part, ...]             leave parts out
          "bomb": [part, megabytes]}      a part of that many megabytes of blanks, deflated
SOURCE may be "-" for an empty package.
"""
import json
import sys
import zipfile

source, target, changes = sys.argv[1], sys.argv[2], json.load(open(sys.argv[3], encoding="utf-8"))
subs = {}
for part, old, new in changes.get("sub", []):
    subs.setdefault(part, []).append((old, new))
puts = dict(changes.get("put", []))
drops = set(changes.get("drop", []))
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as out:
    if source != "-":
        with zipfile.ZipFile(source) as z:
            for item in z.infolist():
                if item.filename in drops or item.filename in puts:
                    continue
                data = z.read(item.filename)
                for old, new in subs.pop(item.filename, []):
                    text = data.decode("utf-8")
                    if old not in text:
                        sys.exit("%s: %r not found" % (item.filename, old))
                    data = text.replace(old, new, 1).encode("utf-8")
                out.writestr(item, data)
    if subs:
        sys.exit("parts not found: %s" % sorted(subs))
    for part, text in puts.items():
        kind = zipfile.ZIP_STORED if part == "mimetype" else zipfile.ZIP_DEFLATED
        out.writestr(zipfile.ZipInfo(part), text.encode("utf-8"), kind)
    if "bomb" in changes:
        part, megabytes = changes["bomb"]
        with out.open(part, "w", force_zip64=True) as f:
            f.write(b"<worksheet><sheetData>")
            block = b" " * (1 << 20)
            for _ in range(megabytes):
                f.write(block)
            f.write(b"</sheetData></worksheet>")
