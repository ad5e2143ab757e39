#!/usr/bin/env python3
"""Writes dates.xlsx and dates-1904.xlsx, the date cells of a field book as spreadsheet programs store them:
serial numbers under a built-in date format (14), under custom date formats ("dd/mm/yyyy", a date and time
with a locale prefix), an ISO date cell (t="d", as some writers store dates), a time of day (format 20) and
a number under a format that quotes a "d" (which both stay numbers), and 29 February 2024. Sheet "Measured":
the date in column A, an above-ground biomass in column B. cellStyleXfs holds a date format that no cell
uses, so that only cellXfs is taken for the cells' formats.

dates-1904.xlsx holds the same dates in the 1904 date system (serials 1,462 days smaller). An uncompressed
dates.xlsx seeds the fuzz target's corpus, so that the fuzzer's changes reach the styles. Needs Python's
standard library only:
    python3 make_date_fixtures.py
"""
import datetime
import pathlib
import zipfile

HERE = pathlib.Path(__file__).resolve().parent
MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PKG = "http://schemas.openxmlformats.org/package/2006/relationships"


def serial(date, date1904, hours=0.0):
    origin = datetime.date(1904, 1, 1) if date1904 else datetime.date(1899, 12, 30)
    return repr((date - origin).days + hours / 24)


def write(path, date1904, compression=zipfile.ZIP_DEFLATED):
    d = datetime.date
    rows = [
        '<c r="A1" t="inlineStr"><is><t>Date</t></is></c><c r="B1" t="inlineStr"><is><t>AGB</t></is></c>',
        f'<c r="A2" s="1"><v>{serial(d(2026, 6, 29), date1904)}</v></c><c r="B2" s="0"><v>6.5</v></c>',
        f'<c r="A3" s="2"><v>{serial(d(2026, 7, 19), date1904)}</v></c><c r="B3" s="0"><v>9</v></c>',
        '<c r="A4" t="d"><v>2026-08-28T00:00:00</v></c><c r="B4" s="0"><v>15.5</v></c>',
        f'<c r="A5" s="3"><v>{serial(d(2026, 10, 5), date1904, 8.5)}</v></c><c r="B5" s="0"><v>12</v></c>',
        f'<c r="A6" s="1"><v>{serial(d(2024, 2, 29), date1904)}</v></c><c r="B6" s="0"><v>1</v></c>',
        '<c r="A7" s="4"><v>0.5</v></c><c r="B7" s="0"><v>3</v></c>',
        '<c r="A8" s="5"><v>46202</v></c><c r="B8" s="0"><v>2</v></c>',
    ]
    sheet = "".join(f'<row r="{i + 1}">{cells}</row>' for i, cells in enumerate(rows))
    parts = {
        "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
        'openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
        '</Types>',
        "_rels/.rels": f'<Relationships xmlns="{PKG}"><Relationship Id="rId1" Type="{REL}/officeDocument" '
        'Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": f'<workbook xmlns="{MAIN}" xmlns:r="{REL}">'
        f'<workbookPr date1904="{1 if date1904 else 0}"/><sheets>'
        '<sheet name="Measured" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": f'<Relationships xmlns="{PKG}">'
        f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/>'
        f'<Relationship Id="rId2" Type="{REL}/styles" Target="styles.xml"/></Relationships>',
        "xl/styles.xml": f'<styleSheet xmlns="{MAIN}"><numFmts count="3">'
        '<numFmt numFmtId="164" formatCode="dd/mm/yyyy"/>'
        '<numFmt numFmtId="165" formatCode="[$-409]yyyy\\-mm\\-dd\\ h:mm;@"/>'
        '<numFmt numFmtId="166" formatCode="0.00 &quot;d&quot;"/></numFmts>'
        '<cellStyleXfs count="1"><xf numFmtId="14"/></cellStyleXfs><cellXfs count="6">'
        '<xf numFmtId="0" xfId="0"/><xf numFmtId="14" xfId="0" applyNumberFormat="1"/>'
        '<xf numFmtId="164" xfId="0"/><xf numFmtId="165" xfId="0"><alignment horizontal="left"/></xf>'
        '<xf numFmtId="20" xfId="0"/><xf numFmtId="166" xfId="0"/></cellXfs>'
        '<dxfs count="1"><dxf><numFmt numFmtId="0" formatCode="yyyy"/></dxf></dxfs></styleSheet>',
        "xl/worksheets/sheet1.xml": f'<worksheet xmlns="{MAIN}"><sheetData>{sheet}</sheetData></worksheet>',
    }
    with zipfile.ZipFile(path, "w", compression) as package:
        for name, text in parts.items():
            package.writestr(name, text)


write(HERE / "dates.xlsx", False)
write(HERE / "dates-1904.xlsx", True)
write(HERE.parent.parent / "fuzz" / "corpus" / "fuzz_xlsx_ods" / "dates.xlsx", False, zipfile.ZIP_STORED)
