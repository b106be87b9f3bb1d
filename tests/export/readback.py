#!/usr/bin/env python3
"""Reads the exported documents of a folder back with outside readers and compares each value
with expected.txt (one row per line, values as hexadecimal cp1252 bytes, "-" for empty).

CSV and tab-separated text go through Python's csv module, HTML through html.parser, and HTML,
DIF, SYLK, RTF and Word through LibreOffice headless (converted to CSV or to HTML). Exits 1 and
names every difference when a value does not come back equal."""

import csv
import html.parser
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile

folder = sys.argv[1]
failures = []


def expected_rows():
    rows = []
    with open(os.path.join(folder, "expected.txt")) as f:
        for line in f.read().splitlines():
            rows.append(["" if v == "-" else bytes.fromhex(v).decode("cp1252") for v in line.split(" ")])
    return rows


EXPECTED = expected_rows()


def compare(name, rows, transform=lambda v: v):
    want = [[transform(v) for v in row] for row in EXPECTED]
    got = [[transform(v) for v in row] for row in rows]
    if got != want:
        failures.append("%s:\n  expected %r\n  read     %r" % (name, want, got))


def read(name, encoding="cp1252"):
    with open(os.path.join(folder, name), "rb") as f:
        return f.read().decode(encoding)


def collapse(value):
    """Whitespace as a browser or a spreadsheet shows it: runs become one blank."""
    return re.sub(r"\s+", " ", value.replace("\xa0", " ")).strip()


def lines_as_lf(value):
    return value.replace("\r\n", "\n").replace("\r", "\n")


class TableCells(html.parser.HTMLParser):
    """The text of each cell of each table row."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows = []
        self.cell = None

    def handle_starttag(self, tag, attrs):
        if tag == "tr":
            self.rows.append([])
        elif tag in ("td", "th"):
            self.cell = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th") and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def html_rows(text):
    parser = TableCells()
    parser.feed(text)
    parser.close()
    return [row for row in parser.rows if row]


# ---- Python's own readers
compare("CSV (csv module)", list(csv.reader(io.StringIO(read("awkward.csv"), newline=""))))
compare("tab (csv module)", list(csv.reader(io.StringIO(read("awkward-tab.txt"), newline=""), delimiter="\t",
                                            quoting=csv.QUOTE_NONE)),
        lambda v: v.replace("\t", " ").replace("\r", " ").replace("\n", " "))
compare("HTML (html.parser)", html_rows(read("awkward.html")))

# ---- LibreOffice: three calls, each for the files that convert the same way
work = tempfile.mkdtemp(prefix="zv-readback-")
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76"  # comma, double quote, UTF-8


def office(arguments, environment=None):
    command = ["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
               "--norestore"] + arguments
    env = dict(os.environ, **(environment or {}))
    done = subprocess.run(command, cwd=work, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if done.returncode != 0:
        failures.append("soffice %s failed: %s" % (arguments, done.stdout.decode(errors="replace")))


def converted(name):
    path = os.path.join(work, "out", name)
    if not os.path.exists(path):
        failures.append("LibreOffice wrote no %s" % name)
        return None
    with open(path, encoding="utf-8", errors="replace", newline="") as f:
        return f.read()


try:
    out = os.path.join(work, "out")
    source = lambda name: os.path.join(folder, name)
    # SYLK names no code page: LibreOffice reads it in the locale's 8-bit one, which under the C
    # locale passes every byte through as Latin-1 (so the bytes are compared).
    office(["--convert-to", CSV_FILTER, "--outdir", out, source("awkward-dif.dif"), source("awkward-sylk.slk")],
           {"LC_ALL": "C", "LANG": "C"})
    office(["--infilter=HTML (StarCalc)", "--convert-to", CSV_FILTER, "--outdir", out, source("awkward.html")])
    office(["--convert-to", "html", "--outdir", out, source("awkward-rtf.rtf"), source("awkward-word.doc")])
    latin1_as_ansi = lambda v: lines_as_lf(v.encode("latin-1", errors="replace").decode("cp1252", errors="replace"))
    for name, label, transform in (("awkward-dif.csv", "DIF", lines_as_lf), ("awkward-sylk.csv", "SYLK", None)):
        text = converted(name)
        if text is not None:
            rows = list(csv.reader(io.StringIO(text, newline="")))
            if transform is None:
                rows = [[latin1_as_ansi(v) for v in row] for row in rows]
                transform = lines_as_lf
            compare(label + " (LibreOffice)", rows, transform)
    text = converted("awkward.csv")
    if text is not None:
        compare("HTML (LibreOffice)", list(csv.reader(io.StringIO(text, newline=""))), collapse)
    for name, label in (("awkward-rtf.html", "RTF"), ("awkward-word.html", "Word")):
        text = converted(name)
        if text is not None:
            compare(label + " (LibreOffice)", html_rows(text), collapse)
finally:
    if os.environ.get("ZV_KEEP_READBACK"):
        print("kept", work)
    else:
        shutil.rmtree(work, ignore_errors=True)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("every value came back equal")
