#!/usr/bin/env python3
"""Workbooks with what the office drops (frozen panes, a very hidden sheet, workbook
protection), made and read by independent readers (openpyxl, odfpy).

    view_tool.py make-xlsx PATH   Sheet1 frozen below row 1 and right of column A, with truth
                                  and error constants (C1 FALSE, C2 TRUE, D2 #N/A), "Other"
                                  very hidden, "Third" hidden, the structure locked by a password
    view_tool.py make-chartsheet PATH  "Chart", a chart sheet, first; then Sheet1 with numbers and
                                  a chart of them drawn on it (the chart sheet's drawing and chart
                                  are numbered 2, which the office gives to Sheet1's)
    view_tool.py dump PATH        one line per finding: "pane SHEET CELL", "state SHEET STATE",
                                  "protection LOCKED PASSWORD-OR-HASH", "part NAME SHA-256",
                                  "cell SHEET CELL TYPE VALUE" for truth, error and formula cells,
                                  "chartsheet SHEET SHA-256" with its chart's bytes
"""
import hashlib
import posixpath
import re
import sys
import zipfile

ROWS = [["名字", "数量"], ["张三", 1], ["李四", 2], ["王五", 3]]


def book_with_rows():
    """A workbook whose first sheet, Sheet1, holds ROWS."""
    import openpyxl
    wb = openpyxl.Workbook()
    first = wb.active
    first.title = "Sheet1"
    for row in ROWS:
        first.append(row)
    return wb, first


def make_xlsx(path):
    from openpyxl.workbook.protection import WorkbookProtection
    wb, first = book_with_rows()
    first.freeze_panes = "B2"
    first["C1"], first["C2"], first["D2"] = False, True, "#N/A"
    for name, state in (("Other", "veryHidden"), ("Third", "hidden")):
        sheet = wb.create_sheet(name)
        sheet.append([name])
        sheet.sheet_state = state
    wb.security = WorkbookProtection(workbookPassword="secret", lockStructure=True)
    wb.save(path)


def make_chartsheet(path):
    from openpyxl.chart import BarChart, Reference
    wb, first = book_with_rows()
    charts = []
    for title in ("drawn on the sheet", "on a sheet of its own"):
        chart = BarChart()
        chart.title = title
        chart.add_data(Reference(first, min_col=2, min_row=1, max_row=len(ROWS)), titles_from_data=True)
        charts.append(chart)
    first.add_chart(charts[0], "D2")
    wb.create_chartsheet("Chart", 0).add_chart(charts[1])
    wb.save(path)


def related(package, part):
    """Each relationship of a part to another inside the package: id -> (type's last word, name)."""
    folder, leaf = posixpath.split(part)
    rels = posixpath.join(folder, "_rels", leaf + ".rels")
    if rels not in package.namelist():
        return {}
    found = {}
    for tag in re.findall(r"<Relationship [^>]*>", package.read(rels).decode()):
        target = re.search(r'Target="([^"]*)"', tag).group(1)
        if 'TargetMode="External"' not in tag:
            name = target[1:] if target.startswith("/") else posixpath.normpath(posixpath.join(folder, target))
            kind = re.search(r'Type="[^"]*/([^"/]*)"', tag).group(1)
            found[re.search(r'Id="([^"]*)"', tag).group(1)] = (kind, name)
    return found


def dump_chartsheets(package):
    book = next(name for kind, name in related(package, "").values() if kind == "officeDocument")
    sheets = related(package, book)
    for name, rid in re.findall(r'<sheet [^>]*name="([^"]*)"[^>]*r:id="([^"]*)"', package.read(book).decode()):
        kind, part = sheets.get(rid, ("", ""))
        if kind != "chartsheet":
            continue
        for _, drawing in related(package, part).values():
            for _, chart in related(package, drawing).values():
                print("chartsheet", name, hashlib.sha256(package.read(chart)).hexdigest())


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
    if sys.argv[1].startswith("make-"):
        {"make-xlsx": make_xlsx, "make-chartsheet": make_chartsheet}[sys.argv[1]](sys.argv[2])
        return
    path = sys.argv[2]
    with zipfile.ZipFile(path) as package:
        names = package.namelist()
        for name in names:
            if name.endswith(".bin"):
                print("part", name, hashlib.sha256(package.read(name)).hexdigest())
        if "content.xml" not in names:
            dump_chartsheets(package)
    (dump_ods if "content.xml" in names else dump_xlsx)(path)


main()
