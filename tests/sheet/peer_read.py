#!/usr/bin/env python3
"""Reads a saved workbook with readers nobody here wrote and prints what they
see, one fact a line ("key=value"), for the engine tests to compare.

  peer_read.py openpyxl FILE      names, values, formulas, formats, charts
  peer_read.py ods FILE.ods       a LibreOffice conversion: sheets, computed
                                  values and chart objects
"""
import sys
import zipfile
import xml.etree.ElementTree as ET


def out(key, value):
    print(f"{key}={value}")


def read_openpyxl(path):
    import openpyxl
    wb = openpyxl.load_workbook(path)  # formulas as written
    out("sheets", "|".join(wb.sheetnames))
    names = wb.defined_names
    items = names.items() if hasattr(names, "items") else ((d.name, d) for d in names.definedName)
    for name, dn in items:
        out("name:" + name, dn.attr_text)
    for ws in wb.worksheets:
        for row in ws.iter_rows():
            for c in row:
                if c.value is None:
                    continue
                out(f"cell:{ws.title}!{c.coordinate}", repr(c.value))
                out(f"fmt:{ws.title}!{c.coordinate}", c.number_format)
    for i, cs in enumerate(wb.chartsheets, 1):
        out(f"chartsheet:{i}", cs.title)
        for chart in cs._charts:
            title = ""
            if chart.title is not None and chart.title.tx is not None and chart.title.tx.rich is not None:
                title = "".join(r.t for p in chart.title.tx.rich.p for r in (p.r or []))
            out(f"chart:{i}:title", title)
            for j, s in enumerate(chart.series, 1):
                val = s.val.numRef.f if s.val is not None and s.val.numRef is not None else ""
                cat = ""
                if s.cat is not None:
                    ref = s.cat.numRef or s.cat.strRef
                    cat = ref.f if ref is not None else ""
                out(f"chart:{i}:series:{j}", f"{val}|{cat}")


NS = {
    "office": "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
    "table": "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
    "draw": "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0",
    "text": "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
}


def q(prefix, local):
    return "{%s}%s" % (NS[prefix], local)


def paragraph_text(p):
    # Runs of spaces are <text:s text:c="n"/> elements in OpenDocument.
    parts = [p.text or ""]
    for child in p:
        if child.tag == q("text", "s"):
            parts.append(" " * int(child.get(q("text", "c"), "1")))
        else:
            parts.append(paragraph_text(child))
        parts.append(child.tail or "")
    return "".join(parts)


def read_ods(path):
    with zipfile.ZipFile(path) as z:
        root = ET.fromstring(z.read("content.xml"))
        objects = [n for n in z.namelist() if n.endswith("/content.xml") and n.startswith("Object")]
    out("objects", len(objects))
    tables = root.iter(q("table", "table"))
    for t in tables:
        name = t.get(q("table", "name"))
        out("table", name)
        out(f"charts:{name}", sum(1 for _ in t.iter(q("draw", "object"))))
        r = 0
        for row in t.iter(q("table", "table-row")):
            rep = int(row.get(q("table", "number-rows-repeated"), "1"))
            if rep > 1000:
                break
            for _ in range(rep):
                r += 1
                col = 0
                for cell in row:
                    crep = int(cell.get(q("table", "number-columns-repeated"), "1"))
                    if crep > 100:
                        break
                    for _ in range(crep):
                        col += 1
                        vtype = cell.get(q("office", "value-type"))
                        if vtype is None:
                            continue
                        value = cell.get(q("office", "value"))
                        if value is None:
                            value = "\n".join(paragraph_text(p) for p in cell.iter(q("text", "p")))
                        letters = ""
                        n = col
                        while n:
                            n, rem = divmod(n - 1, 26)
                            letters = chr(65 + rem) + letters
                        out(f"value:{name}!{letters}{r}", value.replace("\n", "\\n"))


if __name__ == "__main__":
    mode, path = sys.argv[1], sys.argv[2]
    if mode == "openpyxl":
        read_openpyxl(path)
    else:
        read_ods(path)
