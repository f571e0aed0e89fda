#!/usr/bin/env python3
"""Seeds for the fuzz targets that read binary files: workbooks made from the
zipped report template (whole, with parts missing, broken or hostile) and log
databases written by vedograf-mkdb. Written into OUT/<target>/ at build time;
nothing of it is committed."""

import argparse
import io
import os
import shutil
import subprocess
import zipfile


def zip_bytes(entries, method=zipfile.ZIP_DEFLATED):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", method) as z:
        for name, data in entries:
            z.writestr(name, data)
    return buf.getvalue()


MIN_TYPES = b"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
</Types>"""
MIN_RELS = b"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""
MIN_BOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Лист 1" sheetId="1" r:id="rId1"/></sheets>
<definedNames><definedName name="Data">'Лист 1'!$A$2:$C$3</definedName><definedName name="Bad">#REF!</definedName></definedNames>
</workbook>""".encode()
MIN_BOOK_RELS = b"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
</Relationships>"""
MIN_SHEET = b"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1"><c r="A1" t="inlineStr"><is><t>x</t></is></c><c r="B1"><v>1.5</v></c><c r="C1"><f>A1&amp;B1</f></c></row>
<row r="2"><c r="A2" t="s"><v>0</v></c><c r="B2" t="b"><v>1</v></c><c r="XFD2"><v>2</v></c></row>
<row r="3" ht="30" customHeight="1"><c r="A3"><f>SUM(B1:B2)</f></c></row>
</sheetData><mergeCells count="1"><mergeCell ref="A3:B3"/></mergeCells></worksheet>"""
BOMB = b"""<?xml version="1.0"?>
<!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;"><!ENTITY ext SYSTEM "file:///etc/passwd">]>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&lol3;&ext;</t></is></c></row></sheetData></worksheet>"""


def minimal(sheet=MIN_SHEET, extra=()):
    return [("[Content_Types].xml", MIN_TYPES), ("_rels/.rels", MIN_RELS), ("xl/workbook.xml", MIN_BOOK),
            ("xl/_rels/workbook.xml.rels", MIN_BOOK_RELS), ("xl/worksheets/sheet1.xml", sheet), *extra]


def workbook_seeds(template, out):
    d = os.path.join(out, "workbook_loader")
    os.makedirs(d, exist_ok=True)
    seeds = {"minimal.xlsx": zip_bytes(minimal()),
             "stored.xlsx": zip_bytes(minimal(), zipfile.ZIP_STORED),
             "entities.xlsx": zip_bytes(minimal(BOMB)),
             "paths.xlsx": zip_bytes(minimal(extra=[("../../evil.xml", b"<x/>"), ("/abs.xml", b"<x/>")])),
             "empty.zip": zip_bytes([]),
             "notzip.txt": b"PK\x03\x04 not really a zip"}
    if os.path.exists(template):
        with open(template, "rb") as f:
            raw = f.read()
        seeds["template.xltx"] = raw
        with zipfile.ZipFile(io.BytesIO(raw)) as z:
            parts = [(n, z.read(n)) for n in z.namelist()]
        # The template less one part, and with one part cut in half.
        for i, (name, _) in enumerate(parts):
            rest = [p for p in parts if p[0] != name]
            seeds["without-%02d.xltx" % i] = zip_bytes(rest)
            cut = [(n, b[: len(b) // 2] if n == name else b) for n, b in parts]
            seeds["cut-%02d.xltx" % i] = zip_bytes(cut)
        seeds["truncated.xltx"] = raw[: len(raw) * 2 // 3]
    for name, data in seeds.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


LOG_ROWS = """L\t1\t101\t40238.5\t0\t37.61\t55.75\t12.5\tВходы: 1 0 1 0 1  12,5   7.25 -----
L\t2\t101\t40238.51\t12\t37.62\t55.76\t30\tтекст
L\t3\t102\t40238.52\t\\N\t\\N\t\\N\t\\N\t\\N
L\t4\t0\t40238.53\t5\t0\t0\t0\tnull object
A\t101\tГрузовик 1
A\t102\t
"""


def mdb_seeds(mkdb, out):
    d = os.path.join(out, "mdb_provider")
    os.makedirs(d, exist_ok=True)
    runs = [("fleet.mdb", ["--fleet", "--objects", "2", "--days", "1", "--rows", "60"], None),
            ("rows.mdb", [], LOG_ROWS),
            ("memo.mdb", ["--memo", "--no-compress"], LOG_ROWS),
            ("password.mdb", ["--password", "secret"], LOG_ROWS),
            ("encrypted.mdb", ["--encrypt", "7"], LOG_ROWS),
            ("empty.mdb", [], "")]
    for name, args, rows in runs:
        subprocess.run([mkdb, *args, os.path.join(d, name)], input=rows.encode() if rows is not None else None,
                       check=True, stdout=subprocess.DEVNULL)
    # The in-process target starts from the same logs.
    shutil.copytree(d, os.path.join(out, "mdb_worker"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--template", required=True)
    ap.add_argument("--mkdb", required=True)
    ap.add_argument("--out", required=True)
    a = ap.parse_args()
    shutil.rmtree(a.out, ignore_errors=True)
    workbook_seeds(a.template, a.out)
    mdb_seeds(a.mkdb, a.out)


if __name__ == "__main__":
    main()
