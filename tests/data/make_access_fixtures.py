#!/usr/bin/env python3
"""Writes the Access-format test files under tests/data/access/ (small, the
fuzz seeds too), tests/data/access_large/ and bench/data/ (zlib-compressed in
Qt's qCompress layout: a 4-byte big-endian length, then the zlib stream).

Access files cannot be written by any Debian tool; this script describes the
tables and rows and hands them to a Jet 4 writer given on the command line
(a make_mdb.py with the JSON interface `make_mdb.py SPEC.json OUT.mdb`):

    python3 tests/data/make_access_fixtures.py /path/to/make_mdb.py

The output is deterministic; the tests use the committed files only.
tests/data/access/damaged_catalogue.mdb is other_program.mdb with the bytes at
offsets 8247 (0x00 -> 0x80) and 61474 (0x00 -> 0x01) changed: a file the
Access library crashes on. DateTestDatabase.mdb is a file written by Access
(a public test file of the mdbtools project).
"""
import json
import os
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WRITER = None

RTF_HEAD = ("{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang1033\\deflangfe2052"
            "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
            "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ")


def gbk_escaped(text):
    """Text as a rich edit control writes it: DBCS characters as \\'hh pairs."""
    out = []
    for ch in text:
        if ord(ch) < 0x80:
            out.append(ch)
        else:
            out.extend("\\'%02x" % b for b in ch.encode("gbk"))
    return "".join(out)


def rtf(text, raw=False, red=None):
    body = text if raw else gbk_escaped(text)
    if red:
        body += "\\cf1 " + (red if raw else gbk_escaped(red)) + "\\cf0 "
    return RTF_HEAD + body + "\\par\r\n}\r\n"


def hexed(b):
    return {"hex": b.hex()}


def col(name, type, **kw):
    c = {"name": name, "type": type}
    c.update(kw)
    return c


def table(name, columns, rows):
    return {"name": name, "columns": columns, "rows": rows}


def write(path, tables, compress=False):
    with tempfile.NamedTemporaryFile("w", suffix=".json", delete=False) as f:
        json.dump({"created": "2010-05-01T09:00:00", "tables": tables}, f, ensure_ascii=False)
        spec = f.name
    out = path if not compress else path + ".tmp"
    subprocess.run([sys.executable, WRITER, spec, out], check=True)
    os.unlink(spec)
    if compress:
        data = open(out, "rb").read()
        os.unlink(out)
        with open(path, "wb") as f:
            f.write(struct.pack(">I", len(data)) + zlib.compress(data, 9))
    print(path, os.path.getsize(path))


def notes_tables(desk, days, general, colors, rili, rili_colors, years, memo,
                 day_type="ole", extra=()):
    """The program's tables; rows given per table."""
    cells = [col("Cell%d" % i, "memo") for i in range(1, 43)]
    texts = [col("Text%d" % i, "text", size=100) for i in range(1, 43)]
    longs = [col("Color%d" % i, "long") for i in range(1, 43)]
    return [
        table("Taili", [col("YearMonth", "text", size=50), col("Content", "memo")],
              [["20101", "old"]]),
        table("TailiColor", [col("YearMonth", "text", size=50), col("Color", "long")],
              [["20101", 255]]),
        table("TailiNew", [col("YearMonth", "text", size=50)] + cells, desk),
        table("TailiNew_day", [col("daydate", "text", size=50), col("daycontent", day_type)],
              days),
        table("edtText", [col("edtYearMonth", "text", size=50)] + texts, general),
        table("edtTextColor", [col("edtYearMonth", "text", size=50)] + longs, colors),
        table("RiliJishi", [col("edtYearMonth", "text", size=50)] + texts, rili),
        table("RiliColor", [col("edtYearMonth", "text", size=50)] + longs, rili_colors),
        table("YearJishi", [col("year", "long")] + [col("Month%d" % i, "memo") for i in range(1, 13)],
              years),
        table("beiwanglu", [col("ID", "long")] + [col("Line%d" % i, "text", size=255) for i in range(1, 12)]
              + [col("memkey", "text", size=50)], memo),
    ] + list(extra)


def fixture_notes():
    """tests/data/access/notes.mdb: every table, keys in several date formats."""
    may = [None] * 42
    may[0] = rtf("四月二十五日 扫墓")                        # an extra day of April
    may[6] = rtf("五一劳动节", red="放假")
    may[9] = rtf("上午九点 部门例会", raw=True)              # raw Chinese in the stream
    may[36] = rtf("Pay the rent")
    may[41] = ""                                           # empty, not NULL
    desk = [["20105"] + may,
            ["201011"] + [rtf("十一月 第%d格" % (i + 1)) for i in range(42)],
            ["20111"] + [None] * 41 + [rtf("一月最后一格")]]
    gbk = lambda s: hexed(rtf(s).encode("gbk"))
    days = [["2010-5-3", gbk("五月三日 日安排")],
            ["2010/05/04", hexed(rtf("五月四日", raw=True).encode("gbk"))],
            ["2010.5.5", gbk("五月五日")],
            ["2010年5月6日", gbk("五月六日")],
            ["2010-05-07", hexed(b"")],
            ["some day", gbk("无法识别的日期")],
            ["2010/5/3", gbk("重复的五月三日")],
            ["2010-2-30", gbk("不存在的日期")]]
    general = [["20105", "买菜", "交电费"] + [""] * 39 + ["第四十二行"],
               ["201011"] + ["行%d" % i for i in range(1, 43)]]
    colors = [["20105", 255, 32768] + [0] * 39 + [16711680]]
    rili = [["rili2011", "元旦", "春节"] + [None] * 40]
    rili_colors = [["rili2011", 255, 0] + [None] * 40]
    years = [[2010] + [rtf("二〇一〇年%d月" % m) for m in range(1, 13)],
             [2011, rtf("二〇一一年一月")] + [None] * 11]
    memo = [[1, "第一行", "第二行", None, "", "第五行"] + [None] * 6 + ["bwl"],
            [2] + ["别的行"] * 11 + ["other"]]
    extra = [table("MyStuff", [col("a", "long")], [[1]])]
    tables = notes_tables(desk, days, general, colors, rili, rili_colors, years, memo,
                          extra=extra)
    # One column more than the page reads.
    for t in tables:
        if t["name"] == "edtText":
            t["columns"].append(col("Extra", "text", size=10))
            for r in t["rows"]:
                r.append("x")
    write(os.path.join(HERE, "access", "notes.mdb"), tables)


def fixture_odd_types():
    """tests/data/access/odd_types.mdb: known tables with unexpected column types,
    fewer columns than the pages read, key columns as numbers and dates."""
    tables = [
        # Key as a number, cells as text and OLE, only 3 cells.
        table("TailiNew", [col("YearMonth", "long"), col("c1", "text", size=255),
                           col("c2", "ole"), col("c3", "double")],
              [[20105, "纯文本格", hexed(b"{\\rtf1 ole}"), 2.5]]),
        # Day key as a date and time.
        table("TailiNew_day", [col("daydate", "datetime"), col("daycontent", "memo")],
              [["2010-05-03T00:00:00", rtf("日期型的键")]]),
        # Colours as text, one not a number; a colour as a double.
        table("edtTextColor", [col("edtYearMonth", "text", size=50), col("c1", "text", size=20),
                               col("c2", "text", size=20), col("c3", "double"), col("c4", "bool")],
              [["20105", "255", "红", 32768.0, True]]),
        # Year as text; month columns in another order, named as the page names them.
        table("YearJishi", [col("ID", "long"), col("Month2", "memo"), col("year", "text", size=10),
                            col("Month1", "memo")] + [col("Month%d" % i, "memo") for i in range(3, 13)],
              [[7, rtf("二月"), "2010", rtf("一月")] + [None] * 10]),
        # The memo key first.
        table("beiwanglu", [col("memkey", "text", size=10), col("L1", "text", size=50),
                            col("L2", "long")],
              [["bwl", "唯一一行", 42]]),
    ]
    write(os.path.join(HERE, "access", "odd_types.mdb"), tables)


def fixture_other_program():
    """tests/data/access/other_program.mdb: an Access file without our tables."""
    tables = [
        table("Customers", [col("ID", "long"), col("Name", "text", size=50), col("Notes", "memo")],
              [[1, "Alice", "first"], [2, "Bob", None]]),
        table("Orders", [col("ID", "long"), col("Customer", "long"), col("When", "datetime")],
              [[1, 1, "2010-05-03T10:30:00"]]),
    ]
    write(os.path.join(HERE, "access", "other_program.mdb"), tables)


def fixture_values():
    """tests/data/access/values.mdb: every column type, NULL against empty."""
    tables = [table("Values", [
        col("t", "text", size=255), col("m", "memo"), col("o", "ole"), col("l", "long"),
        col("i", "int"), col("b", "byte"), col("f", "bool"), col("d", "double"),
        col("dt", "datetime")], [
        ["中文 text", "备忘 memo", hexed(b"\x00\x01\xff"), -123456, -2, 250, True, 0.1,
         "2010-05-03T13:45:30"],
        ["", "", hexed(b""), 0, 0, 0, False, 0.0, "1900-01-01T06:00:00"],
        [None, None, None, None, None, None, False, None, None],
        ["x" * 255, "长" * 1500, hexed(bytes(range(256)) * 40), 2147483647, 32767, 0, True,
         -1.5e300, "2099-12-31T23:59:59"],
    ])]
    write(os.path.join(HERE, "access", "values.mdb"), tables)


def fixture_large():
    """tests/data/access_large/: values of several hundred kilobytes and of 10 MB."""
    big_rtf = RTF_HEAD + "".join("第%d行 很长的笔记 long note\\par\r\n" % i for i in range(14000)) + "}"
    big_ole = bytes((i * 7 + i // 256) & 0xff for i in range(400 * 1024))
    days = [["2010-5-3", hexed(big_ole)]]
    desk = [["20105", big_rtf] + [None] * 41]
    tables = notes_tables(desk, days, [], [], [], [], [], [])
    write(os.path.join(HERE, "access_large", "large_values.mdb.z"), tables, compress=True)
    # 10 MB stored each: a memo of 5 M characters (two bytes each) and an OLE value.
    ten_mb = RTF_HEAD + ("0123456789abcdef" * 64 + "\\par\r\n") * 5080 + "}"
    desk = [["20105", ten_mb] + [None] * 41]
    days = [["2010-5-3", hexed(bytes(i & 0xff for i in range(10 * 1024 * 1024)))]]
    tables = notes_tables(desk, days, [], [], [], [], [], [])
    write(os.path.join(HERE, "access_large", "value_10mb.mdb.z"), tables, compress=True)


def fixture_ten_years():
    """bench/data/ten_years.mdb.z: 2017-2026, every day a day note, every desk
    cell of every month filled, general notes, years and the memo list."""
    import datetime
    desk, days, general, colors, years = [], [], [], [], []
    for y in range(2017, 2027):
        for m in range(1, 13):
            key = "%d%d" % (y, m)
            desk.append([key] + [rtf("%d年%d月 第%d格 会议、约会和待办" % (y, m, c),
                                     red="重要" if c % 7 == 0 else None, raw=c % 3 == 0)
                                 for c in range(1, 43)])
            general.append([key] + ["%d月第%d行" % (m, c) for c in range(1, 43)])
            colors.append([key] + [255 if c % 5 == 0 else 0 for c in range(1, 43)])
        years.append([y] + [rtf("%d年%d月的计划" % (y, m)) for m in range(1, 13)])
    d = datetime.date(2017, 1, 1)
    while d.year < 2027:
        days.append(["%d-%d-%d" % (d.year, d.month, d.day),
                     rtf("%d月%d日 日安排：上午开会，下午写报告" % (d.month, d.day))])
        d += datetime.timedelta(days=1)
    memo = [[1] + ["备忘第%d行" % i for i in range(1, 12)] + ["bwl"]]
    rili = [["rili2011"] + ["日历记事%d" % i for i in range(1, 43)]]
    rili_colors = [["rili2011"] + [0] * 42]
    tables = notes_tables(desk, days, general, colors, rili, rili_colors, years, memo,
                          day_type="memo")
    write(os.path.join(ROOT, "bench", "data", "ten_years.mdb.z"), tables, compress=True)


def main():
    global WRITER
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    WRITER = sys.argv[1]
    for d in (os.path.join(HERE, "access"), os.path.join(HERE, "access_large"),
              os.path.join(ROOT, "bench", "data")):
        os.makedirs(d, exist_ok=True)
    fixture_notes()
    fixture_odd_types()
    fixture_other_program()
    fixture_values()
    fixture_large()
    fixture_ten_years()


if __name__ == "__main__":
    main()
