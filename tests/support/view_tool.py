#!/usr/bin/env python3
"""Workbooks with what the office drops (frozen panes, a very hidden sheet, workbook
protection), made and read by independent readers (openpyxl, odfpy).

    view_tool.py make-xlsx PATH   Sheet1 frozen below row 1 and right of column A, with truth
                                  and error constants (C1 FALSE, C2 TRUE, D2 #N/A), "Other"
                                  very hidden, "Third" hidden, the structure locked by a password
    view_tool.py dump PATH        one line per finding: "pane SHEET CELL", "state SHEET STATE",
                                  "protection LOCKED PASSWORD-OR-HASH", "part NAME SHA-256",
                                  "cell SHEET CELL TYPE VALUE" for truth, error and formula cells
"""
import hashlib
import sys
import zipfile

ROWS = [["名字", "数量"], ["张三", 1], ["李四", 2], ["王五", 3]]


def make_xlsx(path):
    import openpyxl
    from openpyxl.workbook.protection import WorkbookProtection
    wb = openpyxl.Workbook()
    first = wb.active
    first.title = "Sheet1"
    for row in ROWS:
        first.append(row)
    first.freeze_panes = "B2"
    first["C1"], first["C2"], first["D2"] = False, True, "#N/A"
    for name, state in (("Other", "veryHidden"), ("Third", "hidden")):
        sheet = wb.create_sheet(name)
        sheet.append([name])
        sheet.sheet_state = state
    wb.security = WorkbookProtection(workbookPassword="secret", lockStructure=True)
    wb.save(path)


def dump_xlsx(path):
    import openpyxl
    wb = openpyxl.load_workbook(path)
    for sheet in wb.worksheets:
        print("state", sheet.title, sheet.sheet_state)
        if sheet.freeze_panes:
            print("pane", sheet.title, sheet.freeze_panes)
        for row in sheet.iter_rows():
            for cell in row:
                if cell.data_type in ("b", "e", "f"):
                    print("cell", sheet.title, cell.coordinate, cell.data_type, cell.value)
    security = wb.security
    if security is not None and (security.lockStructure or security.workbookPassword or security.workbookHashValue):
        print("protection", bool(security.lockStructure), security.workbookPassword or security.workbookHashValue)


def dump_ods(path):
    from odf.opendocument import load
    from odf.namespaces import CONFIGNS
    doc = load(path)
    modes = {}

    def walk(node, table):
        for child in node.childNodes:
            if child.nodeType != child.ELEMENT_NODE:
                continue
            name = child.getAttrNS(CONFIGNS, "name")
            if child.qname == (CONFIGNS, "config-item-map-entry") and name:
                walk(child, name)
            elif child.qname == (CONFIGNS, "config-item") and table:
                modes[(table, name)] = str(child)
            else:
                walk(child, table)
    walk(doc.settings, None)
    for (table, name), value in sorted(modes.items()):
        if name == "VerticalSplitMode" and value == "2":
            print("pane", table, "row", modes.get((table, "VerticalSplitPosition")))
        if name == "HorizontalSplitMode" and value == "2":
            print("pane", table, "column", modes.get((table, "HorizontalSplitPosition")))


def main():
    if sys.argv[1] == "make-xlsx":
        make_xlsx(sys.argv[2])
        return
    path = sys.argv[2]
    with zipfile.ZipFile(path) as package:
        names = package.namelist()
        for name in names:
            if name.endswith(".bin"):
                print("part", name, hashlib.sha256(package.read(name)).hexdigest())
    (dump_ods if "content.xml" in names else dump_xlsx)(path)


main()
