#!/usr/bin/python3
"""Makes and reads workbooks with hyperlinks for the tests, with openpyxl.

    link_tool.py make PATH   an .xlsx or .ods (told by PATH's extension) whose Sheet1 holds
                             in A1.. the links of LINKS, each on a text cell, B1 a number,
                             and in A8 a HYPERLINK formula with its stored result
    link_tool.py dump PATH   "link ROW COLUMN TARGET" for each link of the first sheet of
                             an .xlsx and "formula ROW COLUMN TEXT" for each formula
"""
import re
import sys
import zipfile

LINKS = ["docs/other.xlsx", "../up/book.xls", "https://example.com/a?b=1", "mailto:someone@example.com",
         "docs/some%20name.xlsx"]
FORMULA = 'HYPERLINK("docs/other.xlsx","formula link")'


def make_ods(path):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf.table import Table, TableRow, TableCell
    from odf.text import A, P
    doc = OpenDocumentSpreadsheet()
    table = Table(name="Sheet1")
    for row, target in enumerate(LINKS, 1):
        tr = TableRow()
        cell = TableCell(valuetype="string")
        paragraph = P()
        # A relative link in a package is taken from inside it: one level further down.
        paragraph.addElement(A(href=target if ":" in target else "../" + target, type="simple", text="link %d" % row))
        cell.addElement(paragraph)
        tr.addElement(cell)
        if row == 1:
            tr.addElement(TableCell(valuetype="float", value=1))
        table.addElement(tr)
    table.addElement(TableRow(numberrowsrepeated=2))
    tr = TableRow()
    tr.addElement(TableCell(formula='of:=HYPERLINK("docs/other.xlsx";42)', valuetype="float", value=42))
    table.addElement(tr)
    doc.spreadsheet.addElement(table)
    doc.save(path)


def make(path):
    if path.endswith(".ods"):
        return make_ods(path)
    import openpyxl
    wb = openpyxl.Workbook()
    sheet = wb.active
    sheet.title = "Sheet1"
    for row, target in enumerate(LINKS, 1):
        sheet.cell(row, 1, "link %d" % row).hyperlink = target
    sheet["B1"] = 1
    sheet["A8"] = "=" + FORMULA
    wb.save(path)
    # openpyxl stores no formula results: the one a spreadsheet would store.
    with zipfile.ZipFile(path) as z:
        parts = {name: z.read(name) for name in z.namelist()}
    sheet_xml = parts["xl/worksheets/sheet1.xml"].decode()
    parts["xl/worksheets/sheet1.xml"] = re.sub(r'<c r="A8"[^>]*><f>(.*?)</f><v\s*/?>(</v>)?</c>',
                                               r'<c r="A8" t="str"><f>\1</f><v>formula link</v></c>',
                                               sheet_xml).encode()
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts.items():
            z.writestr(name, data)


def dump(path):
    import openpyxl
    sheet = openpyxl.load_workbook(path).worksheets[0]
    for row in sheet.iter_rows():
        for cell in row:
            if cell.hyperlink is not None:
                print("link\t%d\t%d\t%s" % (cell.row, cell.column, cell.hyperlink.target or ""))
            if isinstance(cell.value, str) and cell.value.startswith("="):
                print("formula\t%d\t%d\t%s" % (cell.row, cell.column, cell.value[1:]))


if __name__ == "__main__":
    (make if sys.argv[1] == "make" else dump)(sys.argv[2])
