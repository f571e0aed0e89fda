#!/usr/bin/env python3
"""Writes the small committed seeds of the workbook loader into corpus/: a
one-sheet book and a book with a chart sheet, each well under 2 KB, so the
fuzzer spends its time on the loader instead of inflating the 20 KB template.
Run it again after changing it; the outputs are committed."""

import os
import zipfile

REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
TYPES = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         '<Default Extension="xml" ContentType="application/xml"/></Types>')
ROOT_RELS = ('<Relationships><Relationship Id="r1" Type="' + REL + 'officeDocument" Target="xl/w.xml"/>'
             '</Relationships>')


def book(sheets, names=""):
    return ('<workbook xmlns:r="x"><sheets>' + sheets + "</sheets>" + names + "</workbook>")


def write(path, entries):
    # Fixed dates so that rerunning the script changes nothing.
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in entries:
            z.writestr(zipfile.ZipInfo(name, (2020, 1, 1, 0, 0, 0)), text.encode(), zipfile.ZIP_DEFLATED)


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    sheet = ('<worksheet><sheetData><row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1"><v>1.5</v></c>'
             '<c r="C1"><f>A1&amp;B1</f></c></row><row r="2"><c r="A2" t="inlineStr"><is><t>a_x0001_</t></is>'
             '</c></row></sheetData><mergeCells><mergeCell ref="A2:B2"/></mergeCells></worksheet>')
    write(os.path.join(out, "small.xlsx"), [
        ("[Content_Types].xml", TYPES), ("_rels/.rels", ROOT_RELS),
        ("xl/w.xml", book('<sheet name="Лист 1" sheetId="1" r:id="r1"/>',
                          "<definedNames><definedName name=\"D\">'Лист 1'!$A$1:$C$2</definedName>"
                          "</definedNames>")),
        ("xl/_rels/w.xml.rels", '<Relationships><Relationship Id="r1" Type="' + REL + 'worksheet" Target="s.xml"/>'
                                '<Relationship Id="r2" Type="' + REL + 'sharedStrings" Target="t.xml"/>'
                                "</Relationships>"),
        ("xl/s.xml", sheet), ("xl/t.xml", "<sst><si><t>x</t></si></sst>")])
    chart = ('<c:chartSpace xmlns:c="c"><c:chart><c:plotArea><c:lineChart><c:ser><c:cat><c:numRef>'
             "<c:f>'Лист 1'!$A$1:$A$3</c:f></c:numRef></c:cat><c:val><c:numRef><c:f>'Лист 1'!$B$1:$B$3</c:f>"
             "</c:numRef></c:val></c:ser></c:lineChart><c:catAx/></c:plotArea></c:chart></c:chartSpace>")
    write(os.path.join(out, "chart.xlsx"), [
        ("[Content_Types].xml", TYPES), ("_rels/.rels", ROOT_RELS),
        ("xl/w.xml", book('<sheet name="Лист 1" sheetId="1" r:id="r1"/><sheet name="График" sheetId="2" r:id="r2"/>')),
        ("xl/_rels/w.xml.rels", '<Relationships><Relationship Id="r1" Type="' + REL + 'worksheet" Target="s.xml"/>'
                                '<Relationship Id="r2" Type="' + REL + 'chartsheet" Target="g.xml"/>'
                                "</Relationships>"),
        ("xl/s.xml", sheet), ("xl/g.xml", "<chartsheet/>"),
        ("xl/_rels/g.xml.rels", '<Relationships><Relationship Id="r1" Type="' + REL + 'drawing" Target="d.xml"/>'
                                "</Relationships>"),
        ("xl/d.xml", "<d/>"),
        ("xl/_rels/d.xml.rels", '<Relationships><Relationship Id="r1" Type="' + REL + 'chart" Target="c.xml"/>'
                                "</Relationships>"),
        ("xl/c.xml", chart)])


if __name__ == "__main__":
    main()
