#!/usr/bin/env python3
"""Writes the workbooks the reader tests open, the way the programs our users work with write them.

- weather.xlsx: openpyxl (as pandas writes through it): absolute relationship targets, texts as inline
  strings, a formula without a cached value. Sheet "Weather": a title row and 365 days of 7 columns of
  made-up numbers; sheet "Notes": a few texts, the formula =1+2, a date and a text of 10,800 characters.
- weather.ods, weather.xls: LibreOffice's conversions of weather.xlsx (it computes the formula and stores
  its value; the .xls is BIFF8).
- cells.xlsx: LibreOffice's conversion of an openpyxl workbook holding 3.0, 2.5, 70000, a text, an empty
  cell, =1+2 (cached as 3 by LibreOffice), 1E+20 and two equal rows of three 5s; afterwards the text in B2
  is rewritten as an inline string, as openpyxl writes texts, so that one file carries both kinds of
  strings. cells.ods, cells.xls: LibreOffice's conversions of cells.xlsx (the .ods writes the equal cells
  as one repeated cell; the .xls is small enough for its workbook stream to sit in the mini stream).
- decimal-comma.csv: Python's csv module with a semicolon separator, decimal commas, a byte-order mark and
  CRLF line ends (what Excel's "CSV UTF-8" writes in a decimal-comma locale).
- variants.xlsx: written part by part, as other programs write packages: prefixed element names (the
  OpenXML SDK's x:), a sheet target with "..", rich-text and phonetic runs, _x000D_ escapes, cells and rows
  without references, formulas with cached texts, truth values and errors.
- variants.ods: content.xml written by hand the way LibreOffice writes it: repeated rows and cells, several
  paragraphs with spaces and spans, a comment, truth value, date and time (on the 1904 null date),
  percentage, an error result, a covered cell, a formula without its value and an empty second sheet.
- beyond-sheet.xlsx: variants.xlsx with a cell in column XFE, one past the last column of a sheet.
- repeated-cells.ods: weather.ods with a value repeated over 16,384 columns of 2,000 rows (32 million cells
  from a few kilobytes).
- locked.xls: cells.xlsx saved by LibreOffice as .xls with the password "secret" (through its UNO bridge).
- corrupt.xlsx: weather.xlsx cut to half its length. not-a-workbook.xlsx: random bytes.

It also seeds the fuzz targets' corpora (tests/fuzz/corpus/<target>/): small packages repacked without
compression, so that the fuzzer's changes reach the XML, a small .xls and a few CSV files.

Needs python3-openpyxl, LibreOffice (soffice) on the PATH and its Python bridge (python3-uno). The conversions it runs are
    soffice --headless --convert-to xlsx --outdir TMP/converted TMP/cells-source.xlsx
    soffice --headless --convert-to ods --outdir . weather.xlsx
    soffice --headless --convert-to xls --outdir . weather.xlsx
    soffice --headless --convert-to ods --outdir . cells.xlsx
    soffice --headless --convert-to xls --outdir . cells.xlsx
"""
import csv
import datetime
import io
import pathlib
import random
import subprocess
import tempfile
import time
import zipfile

import openpyxl

HERE = pathlib.Path(__file__).resolve().parent
TITLES = ["DOY", "Rain(mm)", "Tmax(C)", "Tmin(C)", "Rad(MJ/m2)", "RHmax(%)", "RHmin(%)"]


def weather_rows():
    rng = random.Random(366)
    rows = []
    for doy in range(1, 366):
        rain = round(rng.expovariate(1 / 8.0), 1) if rng.random() < 0.25 else 0
        tmax = round(20 + 10 * rng.random(), 1)
        tmin = round(tmax - 5 - 5 * rng.random(), 1)
        rad = round(5 + 20 * rng.random(), 2)
        rows.append([doy, rain, tmax, tmin, rad, rng.randint(80, 100), rng.randint(30, 79)])
    return rows


def write_weather(path):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Weather"
    sheet.append(TITLES)
    for row in weather_rows():
        sheet.append(row)
    notes = book.create_sheet("Notes")
    notes.append(["Made-up weather for the reader tests"])
    notes.append(["Site", "Vercelli (45.3° N)"])
    notes.append(["Formula", "=1+2"])
    notes.append(["Sown", datetime.date(2026, 5, 1)])
    notes.append(["Long", "Ränge €1 " * 1200])  # longer than an .xls record: continued in the next ones
    book.save(path)


def soffice(fmt, source, outdir):
    subprocess.run(["soffice", "--headless", "--convert-to", fmt, "--outdir", str(outdir), str(source)],
                   check=True, capture_output=True)


def write_cells(path, tmp):
    book = openpyxl.Workbook()
    sheet = book.active
    sheet.title = "Cells"
    sheet.append([3.0, 2.5, 70000])
    sheet.append(["a text", "inline text", None, "=1+2", 1e20])
    sheet.append([5, 5, 5])  # in .ods: one row repeated twice, one cell repeated three times
    sheet.append([5, 5, 5])
    source = tmp / "cells-source.xlsx"
    book.save(source)
    soffice("xlsx", source, tmp / "converted")
    converted = tmp / "converted" / "cells-source.xlsx"
    with zipfile.ZipFile(converted) as package:
        parts = {name: package.read(name) for name in package.namelist()}
    strings = parts["xl/sharedStrings.xml"].decode()
    index = strings.count("<si>", 0, strings.index("inline text")) - 1
    sheet_xml = parts["xl/worksheets/sheet1.xml"].decode()
    shared = f'<c r="B2" s="0" t="s"><v>{index}</v></c>'
    assert shared in sheet_xml, sheet_xml
    parts["xl/worksheets/sheet1.xml"] = sheet_xml.replace(
        shared, '<c r="B2" s="0" t="inlineStr"><is><t>inline text</t></is></c>').encode()
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, data in parts.items():
            package.writestr(name, data)


def write_variants(path, far_column=False):
    main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
    pkg = "http://schemas.openxmlformats.org/package/2006/relationships"
    far = '<x:c r="XFE3"><x:v>1</x:v></x:c>' if far_column else ""
    parts = {
        "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
        'openxmlformats.org/package/2006/content-types"><Default Extension="xml" ContentType="application/xml"/>'
        '</Types>',
        "_rels/.rels": f'<Relationships xmlns="{pkg}"><Relationship Id="rId1" Type="{rel}/officeDocument" '
        'Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": f'<x:workbook xmlns:x="{main}" xmlns:r="{rel}"><x:sheets>'
        '<x:sheet name="Data &amp; notes" sheetId="1" r:id="rId1"/></x:sheets></x:workbook>',
        "xl/_rels/workbook.xml.rels": f'<Relationships xmlns="{pkg}">'
        f'<Relationship Id="rId1" Type="{rel}/worksheet" Target="../xl/./worksheets/data.xml"/>'
        f'<Relationship Id="rId2" Type="{rel}/sharedStrings" Target="strings.xml"/></Relationships>',
        "xl/strings.xml": f'<x:sst xmlns:x="{main}"><x:si><x:r><x:rPr><x:b/></x:rPr><x:t>R&amp;D</x:t></x:r>'
        '<x:r><x:t xml:space="preserve"> plot</x:t></x:r><x:rPh sb="0" eb="1"><x:t>ignored</x:t></x:rPh></x:si>'
        '<x:si><x:t>line_x000D_break</x:t></x:si></x:sst>',
        "xl/worksheets/data.xml": f'<x:worksheet xmlns:x="{main}"><x:sheetData>'
        '<x:row r="2"><x:c r="B2" t="s"><x:v>0</x:v></x:c><x:c t="str"><x:f>"a"&amp;"b"</x:f><x:v>ab</x:v></x:c>'
        '<x:c t="b"><x:v>1</x:v></x:c><x:c t="e"><x:f>1/0</x:f><x:v>#DIV/0!</x:v></x:c></x:row>'
        '<x:row><x:c><x:v>4</x:v></x:c><x:c r="C3" t="s"><x:v>1</x:v></x:c><x:c r="D3"><x:v>0.1</x:v></x:c>'
        f'<x:c r="E3"><x:v>-0</x:v></x:c>{far}</x:row></x:sheetData></x:worksheet>',
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, text in parts.items():
            package.writestr(name, text)


def write_ods_variants(path):
    content = (
        '<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
        'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
        'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
        'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" office:version="1.3">'
        '<office:body><office:spreadsheet><table:calculation-settings>'
        '<table:null-date table:date-value="1904-01-01"/></table:calculation-settings>'
        '<table:table table:name="Mixed"><table:table-row table:number-rows-repeated="2">'
        '<table:table-cell office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell>'
        '<table:table-cell table:number-columns-repeated="2"/>'
        '<table:table-cell office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p>'
        '</table:table-cell></table:table-row><table:table-row>'
        '<table:table-cell office:value-type="string"><text:p>two<text:s text:c="2"/>spaces</text:p>'
        '<text:p>and a <text:span>second</text:span> line</text:p></table:table-cell>'
        '<table:table-cell office:value-type="date" office:date-value="1904-01-03T12:00:00"><text:p>03/01/04'
        '</text:p></table:table-cell><table:table-cell office:value-type="time" office:time-value="PT06H00M00S">'
        '<text:p>06:00</text:p></table:table-cell><table:table-cell office:value-type="percentage" '
        'office:value="0.25"><text:p>25%</text:p></table:table-cell></table:table-row><table:table-row>'
        '<table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0" '
        'calcext:value-type="error"><text:p>#DIV/0!</text:p></table:table-cell><table:covered-table-cell/>'
        '<table:table-cell><office:annotation><text:p>a comment</text:p></office:annotation><text:p>noted'
        '</text:p></table:table-cell><table:table-cell table:formula="of:=[.A1]*2"/></table:table-row>'
        '</table:table><table:table table:name="Empty"/></office:spreadsheet></office:body>'
        '</office:document-content>')
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        package.writestr("mimetype", "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
        package.writestr("content.xml", content)


def write_repeated(path):
    with zipfile.ZipFile(HERE / "weather.ods") as source:
        parts = {name: source.read(name) for name in source.namelist()}
    content = parts["content.xml"].decode()
    notes = content.index('<table:table table:name="Notes"')
    row = ('<table:table-row table:number-rows-repeated="2000"><table:table-cell table:number-columns-'
           'repeated="16384" office:value-type="float" office:value="7"><text:p>7</text:p></table:table-cell>'
           '</table:table-row>')
    filler = content.index("table:number-rows-repeated=", notes)  # the empty rows to the sheet's end
    filler = content.rindex("<table:table-row", notes, filler)
    parts["content.xml"] = (content[:filler] + row + content[filler:]).encode()
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as package:
        for name, data in parts.items():
            package.writestr(name, data)


def write_locked(path):
    import uno
    from com.sun.star.beans import PropertyValue

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    office = subprocess.Popen(["soffice", "--headless", "--norestore", "--accept=socket,host=localhost,port=2202;urp;"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(150):
            try:
                remote = resolver.resolve("uno:socket,host=localhost,port=2202;urp;StarOffice.ComponentContext")
                break
            except Exception:
                time.sleep(0.2)
        desktop = remote.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", remote)
        book = desktop.loadComponentFromURL((HERE / "cells.xlsx").as_uri(), "_blank", 0, (prop("Hidden", True),))
        book.storeToURL(path.as_uri(), (prop("FilterName", "MS Excel 97"), prop("Password", "secret")))
        book.close(True)
        desktop.terminate()
    finally:
        office.wait(timeout=60)


def repack_stored(source, target):
    with zipfile.ZipFile(source) as package:
        parts = {name: package.read(name) for name in package.namelist()
                 if not name.startswith(("Thumbnails/", "Configurations2/"))}
    with zipfile.ZipFile(target, "w", zipfile.ZIP_STORED) as package:
        for name, data in parts.items():
            package.writestr(name, data)


def write_corpus():
    corpus = HERE.parent.parent / "fuzz" / "corpus"
    for target in ("fuzz_xlsx_ods", "fuzz_xls", "fuzz_csv"):
        (corpus / target).mkdir(parents=True, exist_ok=True)
    for name in ("cells.xlsx", "variants.xlsx", "cells.ods", "variants.ods"):
        repack_stored(HERE / name, corpus / "fuzz_xlsx_ods" / name)
    (corpus / "fuzz_xls" / "cells.xls").write_bytes((HERE / "cells.xls").read_bytes())
    (corpus / "fuzz_xls" / "locked.xls").write_bytes((HERE / "locked.xls").read_bytes())
    (corpus / "fuzz_csv" / "decimal-comma.csv").write_bytes((HERE / "decimal-comma.csv").read_bytes())
    (corpus / "fuzz_csv" / "quoted.csv").write_bytes(b'a,"b ""c"", d"\r\n"two\nlines",2,\r\n')
    (corpus / "fuzz_csv" / "tabs.csv").write_bytes(b"DOY\tTmax\n1\t12,5\n")


def write_csv(path):
    text = io.StringIO()
    writer = csv.writer(text, delimiter=";", lineterminator="\r\n")
    writer.writerow(["DOY", "Tmax(C)", "Note"])
    writer.writerow([1, "12,5", 'said "dry"; windy'])
    writer.writerow([2, "13", ""])
    path.write_bytes(b"\xef\xbb\xbf" + text.getvalue().encode())


def main():
    with tempfile.TemporaryDirectory() as name:
        tmp = pathlib.Path(name)
        write_weather(HERE / "weather.xlsx")
        soffice("ods", HERE / "weather.xlsx", HERE)
        soffice("xls", HERE / "weather.xlsx", HERE)
        write_cells(HERE / "cells.xlsx", tmp)
        soffice("ods", HERE / "cells.xlsx", HERE)
        soffice("xls", HERE / "cells.xlsx", HERE)
    write_variants(HERE / "variants.xlsx")
    write_variants(HERE / "beyond-sheet.xlsx", far_column=True)
    write_ods_variants(HERE / "variants.ods")
    write_repeated(HERE / "repeated-cells.ods")
    write_locked(HERE / "locked.xls")
    write_csv(HERE / "decimal-comma.csv")
    write_corpus()
    whole = (HERE / "weather.xlsx").read_bytes()
    (HERE / "corrupt.xlsx").write_bytes(whole[: len(whole) // 2])
    (HERE / "not-a-workbook.xlsx").write_bytes(random.Random(7).randbytes(2000))
    for path in sorted(HERE.iterdir()):
        print(f"{path.name}: {path.stat().st_size} bytes")


if __name__ == "__main__":
    main()
