#!/usr/bin/python3
"""Makes and reads .xlsx and .ods workbooks for the tests, with openpyxl and odfpy.

    book_tool.py make KIND PATH   a workbook of two sheets, Sheet1 and Other (KIND xlsx or ods;
                                  xlsx-active or ods-active store Other as the active sheet;
                                  ods-encrypted: its manifest says it needs a password;
                                  zip: a zip archive that holds no workbook)
    book_tool.py dump PATH        what it holds, one fact a line, tab-separated

dump prints "sheet INDEX NAME ACTIVE", "cell SHEET ROW COLUMN VALUE", "merge
SHEET FIRSTROW LASTROW FIRSTCOL LASTCOL", "font SHEET ROW COLUMN NAME BOLD",
"rowheight SHEET ROW POINTS", "colwidth SHEET COLUMN WIDTH" and "part NAME
SHA256" for each zip part.
"""
import hashlib
import re
import sys
import zipfile

ROWS = [["Name", "Qty", "Note", "Code"], ["张三", 3, "first", "A-1"], ["李四", 4, "second", "B-2"],
        ["王五", 5, "third", "C-3"], ["赵六", 6, "fourth", "D-4"]]
OTHER = [["other", 1], ["kept", 2]]


def points(length):
    """An ODF length ("1.058cm", "0.4in", "30pt") in whole points."""
    value, unit = re.fullmatch(r"([0-9.]+)([a-z]+)", length).groups()
    return round(float(value) * {"pt": 1, "in": 72, "cm": 72 / 2.54, "mm": 72 / 25.4}[unit])


def esc(text):
    return str(text).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def number(value):
    value = float(value)
    return int(value) if value.is_integer() else value


def make_xlsx(path, active=False):
    import openpyxl
    from openpyxl.styles import Font
    wb = openpyxl.Workbook()
    sheet = wb.active
    sheet.title = "Sheet1"
    for row in ROWS:
        sheet.append(row)
    for cell in sheet[1]:
        cell.font = Font(name="Arial", bold=True)
    sheet["A5"].font = Font(name="SimSun", bold=False)
    other = wb.create_sheet("Other")
    for row in OTHER:
        other.append(row)
    if active:
        wb.active = 1
    wb.save(path)


def make_ods(path, active=False):
    from odf.opendocument import OpenDocumentSpreadsheet
    from odf.style import Style, TextProperties
    from odf.table import Table, TableCell, TableRow
    from odf.text import P
    doc = OpenDocumentSpreadsheet()
    fonts = {}
    for name, bold in (("Arial", True), ("SimSun", False)):
        style = Style(name="ce" + name, family="table-cell")
        style.addElement(TextProperties(fontname=name, fontfamily=name, fontweight="bold" if bold else "normal"))
        doc.automaticstyles.addElement(style)
        fonts[name] = style
        from odf.style import FontFace
        doc.fontfacedecls.addElement(FontFace(name=name, fontfamily=name))

    def table(name, rows, styled):
        sheet = Table(name=name)
        for r, values in enumerate(rows, 1):
            row = TableRow()
            for c, value in enumerate(values, 1):
                args = {}
                if styled and r == 1:
                    args["stylename"] = fonts["Arial"]
                if styled and (r, c) == (5, 1):
                    args["stylename"] = fonts["SimSun"]
                if isinstance(value, (int, float)):
                    cell = TableCell(valuetype="float", value=value, **args)
                else:
                    cell = TableCell(valuetype="string", **args)
                cell.addElement(P(text=str(value)))
                row.addElement(cell)
            sheet.addElement(row)
        doc.spreadsheet.addElement(sheet)
    table("Sheet1", ROWS, True)
    table("Other", OTHER, False)
    if active:
        from odf.config import ConfigItem, ConfigItemMapEntry, ConfigItemMapIndexed, ConfigItemSet
        view = ConfigItemSet(name="ooo:view-settings")
        views = ConfigItemMapIndexed(name="Views")
        entry = ConfigItemMapEntry()
        item = ConfigItem(name="ActiveTable", type="string")
        item.addText("Other")
        entry.addElement(item)
        views.addElement(entry)
        view.addElement(views)
        doc.settings.addElement(view)
    doc.save(path)


def dump_xlsx(path, out):
    import openpyxl
    with open(path, "rb") as stream:  # by content: openpyxl refuses names it does not know
        wb = openpyxl.load_workbook(stream)
    for i, sheet in enumerate(wb.worksheets):
        out.write(f"sheet\t{i}\t{esc(sheet.title)}\t{int(wb.active == sheet)}\n")
        for (_, _), cell in sorted(sheet._cells.items()):  # the cells the file has, however far apart
            if True:
                if cell.value is not None:
                    value = number(cell.value) if isinstance(cell.value, (int, float)) else cell.value
                    out.write(f"cell\t{i}\t{cell.row}\t{cell.column}\t{esc(value)}\n")
                    out.write(f"font\t{i}\t{cell.row}\t{cell.column}\t{esc(cell.font.name)}\t{int(bool(cell.font.b))}\n")
        for merged in sheet.merged_cells.ranges:
            out.write(f"merge\t{i}\t{merged.min_row}\t{merged.max_row}\t{merged.min_col}\t{merged.max_col}\n")
        for r, dim in sorted(sheet.row_dimensions.items()):
            if dim.customHeight and dim.height is not None:
                out.write(f"rowheight\t{i}\t{r}\t{round(dim.height)}\n")
            if dim.hidden:
                out.write(f"hiddenrow\t{i}\t{r}\n")
        for letter, dim in sheet.column_dimensions.items():
            if dim.hidden:
                for c in range(dim.min or openpyxl.utils.column_index_from_string(letter),
                               (dim.max or openpyxl.utils.column_index_from_string(letter)) + 1):
                    out.write(f"hiddencol\t{i}\t{c}\n")
            if dim.customWidth and dim.width:
                for c in range(dim.min or openpyxl.utils.column_index_from_string(letter),
                               (dim.max or openpyxl.utils.column_index_from_string(letter)) + 1):
                    out.write(f"colwidth\t{i}\t{c}\t{round(dim.width, 1)}\n")


def dump_ods(path, out):
    from odf.namespaces import OFFICENS, STYLENS, TABLENS, FONS
    from odf.opendocument import load
    doc = load(path)
    styles = {}
    for style in doc.automaticstyles.childNodes + doc.styles.childNodes:
        if style.qname[1] != "style":
            continue
        props = {}
        for child in style.childNodes:
            for (ns, attr), value in child.attributes.items():
                props[attr] = value
        styles[style.getAttrNS(STYLENS, "name")] = props
    package = zipfile.ZipFile(path)
    settings = package.read("settings.xml").decode("utf-8") if "settings.xml" in package.namelist() else ""
    active = re.search(r'config:name="ActiveTable"[^>]*>([^<]*)<', settings)
    tables = doc.spreadsheet.getElementsByType(__import__("odf.table", fromlist=["Table"]).Table)
    for i, table in enumerate(tables):
        name = table.getAttrNS(TABLENS, "name")
        out.write(f"sheet\t{i}\t{esc(name)}\t{int(bool(active) and active.group(1) == name)}\n")
        r = 0
        columns = []
        cell_styles = []  # each column's default cell style
        for child in table.childNodes:
            if child.qname[1] == "table-column":
                repeat = min(int(child.getAttrNS(TABLENS, "number-columns-repeated") or 1), 1024)
                columns += [child.getAttrNS(TABLENS, "style-name")] * repeat
                cell_styles += [child.getAttrNS(TABLENS, "default-cell-style-name")] * repeat
        for c, style in enumerate(columns, 1):
            width = styles.get(style, {}).get("column-width")
            if width and styles.get(style, {}).get("use-optimal-column-width") != "true":
                out.write(f"colwidth\t{i}\t{c}\t{width}\n")
        for row in table.getElementsByType(__import__("odf.table", fromlist=["TableRow"]).TableRow):
            repeat = int(row.getAttrNS(TABLENS, "number-rows-repeated") or 1)
            r += 1
            height = styles.get(row.getAttrNS(TABLENS, "style-name"), {})
            if height.get("row-height") and height.get("use-optimal-row-height") == "false":
                out.write(f"rowheight\t{i}\t{r}\t{points(height['row-height'])}\n")
            c = 0
            for cell in row.childNodes:
                if cell.qname[1] not in ("table-cell", "covered-table-cell"):
                    continue
                c += 1
                crepeat = int(cell.getAttrNS(TABLENS, "number-columns-repeated") or 1)
                rows_spanned = int(cell.getAttrNS(TABLENS, "number-rows-spanned") or 1)
                cols_spanned = int(cell.getAttrNS(TABLENS, "number-columns-spanned") or 1)
                if rows_spanned > 1 or cols_spanned > 1:
                    out.write(f"merge\t{i}\t{r}\t{r + rows_spanned - 1}\t{c}\t{c + cols_spanned - 1}\n")
                kind = cell.getAttrNS(OFFICENS, "value-type")
                if kind:
                    value = number(cell.getAttrNS(OFFICENS, "value")) if kind == "float" else \
                        "\n".join(str(p) for p in cell.childNodes if p.qname[1] == "p")
                    out.write(f"cell\t{i}\t{r}\t{c}\t{esc(value)}\n")
                    style = cell.getAttrNS(TABLENS, "style-name") or \
                        (cell_styles[c - 1] if c <= len(cell_styles) else None)
                    props = styles.get(style, {})
                    bold = props.get("font-weight") == "bold"
                    out.write(f"font\t{i}\t{r}\t{c}\t{esc(props.get('font-name', ''))}\t{int(bold)}\n")
                c += crepeat - 1
            r += repeat - 1


def main():
    if sys.argv[1] == "make":
        kind = sys.argv[2]
        if kind == "zip":  # a zip archive that holds no workbook
            with zipfile.ZipFile(sys.argv[3], "w") as package:
                package.writestr("readme.txt", "no workbook here")
            return
        (make_xlsx if kind.startswith("xlsx") else make_ods)(sys.argv[3], kind.endswith("-active"))
        if kind == "ods-encrypted":  # its manifest says the content needs a password
            with zipfile.ZipFile(sys.argv[3]) as package:
                parts = [(item, package.read(item)) for item in package.infolist()]
            with zipfile.ZipFile(sys.argv[3], "w") as package:
                for item, data in parts:
                    if item.filename == "META-INF/manifest.xml":
                        data = re.sub(rb'(full-path="content.xml"[^>]*)/>', rb'\1><manifest:encryption-data '
                                      rb'manifest:checksum-type="SHA1/1K" manifest:checksum="AAAA"/></manifest:file-entry>',
                                      data)
                    package.writestr(item, data)
        return
    path = sys.argv[2]
    with zipfile.ZipFile(path) as package:
        names = package.namelist()
        for name in names:
            sys.stdout.write(f"part\t{esc(name)}\t{hashlib.sha256(package.read(name)).hexdigest()}\n")
    (dump_ods if "mimetype" in names else dump_xlsx)(path, sys.stdout)


if __name__ == "__main__":
    main()
