#!/usr/bin/python3
"""Prints what an .xls holds as xlrd reads it, one fact a line, tab-separated, for the tests."""
import hashlib
import os
import sys

import xlrd
from xlrd import compdoc


def esc(text):
    return str(text).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def main(path):
    bk = xlrd.open_workbook(path, formatting_info=True, logfile=open(os.devnull, "w"))
    out = sys.stdout
    for i, sh in enumerate(bk.sheets()):
        out.write(f"sheet\t{i}\t{esc(sh.name)}\t{int(bool(sh.sheet_selected))}\t{int(bool(sh.sheet_visible))}"
                  f"\t{bk._sheet_visibility[i]}\n")
    for name in bk.name_obj_list:
        out.write(f"name\t{esc(name.name)}\t{name.scope}\t{name.builtin}\n")
    with open(path, "rb") as f:
        entries(compdoc.CompDoc(f.read(), logfile=open(os.devnull, "w")), out)
    for i, sh in enumerate(bk.sheets()):
        for r1, r2, c1, c2 in sh.merged_cells:
            out.write(f"merge\t{i}\t{r1 + 1}\t{r2}\t{c1 + 1}\t{c2}\n")
        for r, ri in sorted(sh.rowinfo_map.items()):
            out.write(f"rowheight\t{i}\t{r + 1}\t{ri.height}\t{int(ri.has_default_height == 0 or ri.height_mismatch)}\n")
            if ri.hidden:
                out.write(f"hiddenrow\t{i}\t{r + 1}\n")
        for c, ci in sorted(sh.colinfo_map.items()):
            out.write(f"colwidth\t{i}\t{c + 1}\t{ci.width}\n")
            if ci.hidden:
                out.write(f"hiddencol\t{i}\t{c + 1}\n")
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                xf = bk.xf_list[cell.xf_index] if cell.xf_index is not None else None
                if xf is None:
                    continue
                font = bk.font_list[xf.font_index]
                b = xf.border
                value = cell.value
                if cell.ctype == 2 and float(value).is_integer():
                    value = int(value)
                out.write("cell\t%d\t%d\t%d\t%d\t%s\t%d\t%d\t%d\t%d,%d,%d,%d\t%d\n" % (
                    i, r + 1, c + 1, cell.ctype, esc(value), int(font.weight >= 700),
                    xf.alignment.hor_align, xf.alignment.vert_align,
                    b.top_line_style, b.bottom_line_style, b.left_line_style, b.right_line_style,
                    xf.alignment.text_wrapped))
                runs = sh.rich_text_runlist_map.get((r, c))
                if runs:
                    out.write("runs\t%d\t%d\t%d\t%s\n" % (i, r + 1, c + 1, esc(font_runs(bk, font, runs))))


def entries(doc, out):
    """Every entry of the compound file below the root: its path, and a stream's size and digest."""
    def walk(did, prefix):
        if did < 0:
            return
        node = doc.dirlist[did]
        walk(node.left_DID, prefix)
        path = prefix + node.name
        if node.etype == 1:
            out.write("entry\t%s/\t\n" % esc(path))
            walk(node.root_DID, path + "/")
        elif node.etype == 2:
            data = doc.get_named_stream(path) or b""
            out.write("entry\t%s\t%d %s\n" % (esc(path), len(data), hashlib.sha1(data).hexdigest()))
        walk(node.right_DID, prefix)
    walk(doc.dirlist[0].root_DID, "")


def font_runs(bk, cell_font, runs):
    """The runs of a rich text as offset:font, a run in the font of the run before it left out."""
    def described(f):
        return "%s/%d/%d" % (f.name, f.weight, f.colour_index)
    found = [(0, described(cell_font))]
    for offset, index in runs:
        font = described(bk.font_list[index]) if index < len(bk.font_list) else "missing"
        if offset == 0:
            found[0] = (0, font)
        elif font != found[-1][1]:
            found.append((offset, font))
    return " ".join("%d:%s" % run for run in found)


if __name__ == "__main__":
    main(sys.argv[1])
