#!/usr/bin/python3
"""Makes and reads .xlsx and .ods workbooks for the tests, with openpyxl and odfpy.

    book_tool.py make KIND PATH   a workbook of two sheets, Sheet1 and Other (KIND xlsx or ods;
                                  xlsx-active or ods-active store Other as the active sheet;
                                  xlsx-formulas or ods-formulas add formulas in column E
                                  without stored results, as generators write them;
                                  ods-encrypted: its manifest says it needs a password;
                                  xlsx-grid: cells in XFD1 and A1048576 too;
                                  xlsm: with a macro project part;
                                  zip: a zip archive that holds no workbook;
                                  ods-repeated-rows: one row of 1024 values repeated to the last row)
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


# Formulas in column E, one a row from row 2, that a generator writes without results.
FORMULAS = ["=B2*2", '=C3&"x"', "=SUM(B2:B5)", "=D5"]
ODS_FORMULAS = ["of:=[.B2]*2", 'of:=[.C3]&"x"', "of:=SUM([.B2:.B5])", "of:=[.D5]"]


def make_xlsx(path, active=False, formulas=False):
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
    if formulas:  # openpyxl writes each as <f> with an empty <v>, and asks for a full calculation on load
        for row, formula in enumerate(FORMULAS, 2):
            sheet.cell(row, 5, formula)
    other = wb.create_sheet("Other")
    for row in OTHER:
        other.append(row)
    if active:
        wb.active = 1
    wb.save(path)


def make_ods(path, active=False, formulas=False):
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
            if styled and formulas and 2 <= r < 2 + len(ODS_FORMULAS):
                row.addElement(TableCell(formula=ODS_FORMULAS[r - 2]))  # no value type: no result
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
            named = openpyxl.utils.column_index_from_string(letter)
            columns = range(dim.min or named, (dim.max or named) + 1)
            if dim.hidden:
                out.writelines(f"hiddencol\t{i}\t{c}\n" for c in columns)
            if dim.customWidth and dim.width:
                out.writelines(f"colwidth\t{i}\t{c}\t{round(dim.width, 1)}\n" for c in columns)


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


def rewrite_parts(path, change):
    """Writes the package at path again, each part stored as before, its bytes passed through change(name, data)."""
    with zipfile.ZipFile(path) as package:
        parts = [(item, package.read(item)) for item in package.infolist()]
    with zipfile.ZipFile(path, "w") as package:
        for item, data in parts:
            package.writestr(item, change(item.filename, data))


def make_grid(path):
    """The xlsx with a cell in the last column and one in the last row: its used area is the whole grid."""
    import openpyxl
    make_xlsx(path)
    with open(path, "rb") as stream:
        wb = openpyxl.load_workbook(stream)
    wb["Sheet1"]["XFD1"] = "last column"
    wb["Sheet1"]["A1048576"] = "last row"
    wb.save(path)


def make_xlsm(path):
    """The xlsx as a macro-enabled workbook with a macro project part (bytes no office runs)."""
    make_xlsx(path)

    def change(name, data):
        if name == "[Content_Types].xml":
            data = data.replace(b"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
                                b"application/vnd.ms-excel.sheet.macroEnabled.main+xml")
            vba = b'<Default Extension="bin" ContentType="application/vnd.ms-office.vbaProject"/>'
            return data.replace(b"<Default ", vba + b"<Default ", 1)
        if name == "xl/_rels/workbook.xml.rels":
            return data.replace(b"</Relationships>", b'<Relationship Id="rIdVba" Type="http://schemas.microsoft.com/'
                                b'office/2006/relationships/vbaProject" Target="vbaProject.bin"/></Relationships>')
        return data
    rewrite_parts(path, change)
    with zipfile.ZipFile(path, "a") as package:
        package.writestr("xl/vbaProject.bin", b"\xd0\xcf\x11\xe0 macro project " * 64)


def make_repeated_rows(path):
    """An .ods of a few hundred bytes whose one row, 1024 valued cells, repeats to the last row."""
    ns = ('xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
          'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        package.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        package.writestr("META-INF/manifest.xml",
                         '<manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0">'
                         '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/'
                         'vnd.oasis.opendocument.spreadsheet"/><manifest:file-entry manifest:full-path="content.xml" '
                         'manifest:media-type="text/xml"/></manifest:manifest>')
        package.writestr("content.xml",
                         f'<office:document-content {ns} office:version="1.2"><office:body><office:spreadsheet>'
                         '<table:table table:name="Sheet1"><table:table-row table:number-rows-repeated="1048576">'
                         '<table:table-cell office:value-type="float" office:value="1" '
                         'table:number-columns-repeated="1024"/></table:table-row></table:table>'
                         '</office:spreadsheet></office:body></office:document-content>')


def main():
    if sys.argv[1] == "make":
        kind = sys.argv[2]
        if kind == "zip":  # a zip archive that holds no workbook
            with zipfile.ZipFile(sys.argv[3], "w") as package:
                package.writestr("readme.txt", "no workbook here")
            return
        made = {"xlsx-grid": make_grid, "xlsm": make_xlsm, "ods-repeated-rows": make_repeated_rows}
        if kind in made:
            made[kind](sys.argv[3])
            return
        (make_xlsx if kind.startswith("xlsx") else make_ods)(sys.argv[3], kind.endswith("-active"),
                                                             kind.endswith("-formulas"))
        if kind == "ods-encrypted":  # its manifest says the content needs a password
            rewrite_parts(sys.argv[3], lambda name, data: data if name != "META-INF/manifest.xml" else re.sub(
                rb'(full-path="content.xml"[^>]*)/>', rb'\1><manifest:encryption-data manifest:checksum-type="SHA1/1K" '
                rb'manifest:checksum="AAAA"/></manifest:file-entry>', data))
        return
    path = sys.argv[2]
    with zipfile.ZipFile(path) as package:
        names = package.namelist()
        for name in names:
            sys.stdout.write(f"part\t{esc(name)}\t{hashlib.sha256(package.read(name)).hexdigest()}\n")
    (dump_ods if "mimetype" in names else dump_xlsx)(path, sys.stdout)


if __name__ == "__main__":
    main()
