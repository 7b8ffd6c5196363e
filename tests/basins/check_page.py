#!/usr/bin/env python3
"""Reads the DOM headless Chromium dumped after drawing DIR/basins.html with
#selfcheck and checks it against DIR/basins.csv:
  check_page.py DOM.html basins.csv PROBLEMS NAME...
- no script error was noted; the page's own check (#twinser-check) passed:
  every curve of every chart drew (hiding it changes pixels), sorting by NSE
  put the largest first, a filter kept its row;
- each distribution chart has one curve per model of basins.csv, and with
  two models or more a scatter was drawn;
- the table holds one row per row of basins.csv, PROBLEMS rows of stopped,
  refused or not run runs are listed;
- the page holds only its own four scripts and elements it makes, so no name
  became markup, and each NAME stands as text in a table cell."""
import csv
import json
import sys
from html.parser import HTMLParser

ALLOWED = {"html", "head", "meta", "title", "style", "script", "body", "pre", "main", "h1",
           "h2", "h3", "p", "div", "span", "table", "thead", "tbody", "tr", "th", "td", "a",
           "canvas", "input", "select", "option"}


class Dom(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.scripts, self.cells = set(), [], []
        self.check, self.errors = "", ""
        self.where = None   # which text is being read
        self.cell = None

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.add(tag)
        if tag == "script":
            self.scripts.append((a.get("type"), a.get("id")))
        if a.get("id") in ("twinser-check", "twinser-errors"):
            self.where = a["id"]
        if tag == "td" or (tag == "span" and "c" in a.get("class", "").split()):
            self.cell = ""

    def handle_endtag(self, tag):
        if tag == "pre":
            self.where = None
        if tag in ("td", "span") and self.cell is not None:
            self.cells.append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.where == "twinser-check":
            self.check += data
        elif self.where == "twinser-errors":
            self.errors += data
        if self.cell is not None:
            self.cell += data


def main():
    dom_file, csv_file, problems, names = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]
    d = Dom()
    d.feed(open(dom_file, encoding="utf-8", errors="replace").read())
    with open(csv_file, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    models = sorted({r["model"] for r in rows})
    faults = []
    if d.errors.strip():
        faults.append("script errors: " + d.errors.strip())
    try:
        check = json.loads(d.check)
    except ValueError:
        check = None
        faults.append("the page wrote no self-check")
    if check:
        if not check["ok"]:
            faults.append("the page's own check failed: %s" % json.dumps(check))
        if check["rows"] != len(rows):
            faults.append("%d rows in the table, %d in basins.csv" % (check["rows"], len(rows)))
        if check["problems"] != problems:
            faults.append("%d runs listed as stopped or not run, %d expected" %
                          (check["problems"], problems))
        charts = {c["title"]: c for c in check["charts"]}
        for t in ("NSE distribution", "KGE (2009) distribution"):
            curves = sorted(x["label"] for x in charts.get(t, {}).get("curves", []))
            if curves != models:
                faults.append("%s: curves of %s, models %s" % (t, curves, models))
        scatter = [t for t in charts if " against " in t]
        if (len(models) >= 2) != bool(scatter):
            faults.append("scatter charts %s for %d models" % (scatter, len(models)))
    expected = [(None, None), ("application/json", "basins-data"), (None, None), (None, None)]
    if d.scripts != expected:
        faults.append("scripts in the page: %s" % d.scripts)
    if d.tags - ALLOWED:
        faults.append("elements the page never makes: %s" % sorted(d.tags - ALLOWED))
    for n in names:
        if n not in d.cells:
            faults.append("no table cell holds the text %r" % n)
    for f in faults:
        print("FAIL:", f)
    if not faults:
        print("page checked: %d rows, %d models, %d charts" %
              (check["rows"], len(models), len(check["charts"])))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
