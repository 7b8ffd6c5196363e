#!/usr/bin/env python3
"""Reads the DOM a headless browser dumped after drawing a page with #selfcheck
and checks it against the JSON summary the page was written from:
  check_dom.py DOM.html SUMMARY.json [TEXT ...]
- no script error and no dialog was noted in #twinser-errors;
- the page's own check (#twinser-check) passed: every chart has a canvas of
  non-zero size with pixels of its series' colours, the zoom kept the peaks;
- the headline numbers shown equal the summary's at the digits shown (read
  here again, apart from the page's own comparison);
- the log toggle, the overview brush and a click on an event did what they
  say (the page's own check, features);
- every number carries the unit docs/json-summary.md documents for its field;
- the page holds only its own eight scripts and only elements the page and its
  chart library make, so no name from the inputs became markup;
- each TEXT stands, as text, in the header."""
import json, sys
from html.parser import HTMLParser

ALLOWED = {"html", "head", "meta", "title", "script", "style", "body", "noscript", "pre",
           "main", "h1", "h2", "h3", "p", "dl", "dt", "dd", "div", "span", "table", "thead",
           "tbody", "tr", "th", "td", "canvas", "label", "input", "br"}
HEADLINES = ["percent_bias", "r", "nash_r", "nse", "kge_2009"]


class Dom(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.tags, self.scripts, self.keys = set(), [], []
        self.text = {"twinser-check": "", "twinser-errors": "", "header": "", "title": ""}
        self.stack = []  # (tag, where its text goes, data-key or None)
        self.units = []  # (data-field, data-unit) of every number

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        self.tags.add(tag)
        if tag == "script":
            self.scripts.append((a.get("type"), a.get("id")))
        where = self.stack[-1][1] if self.stack else None
        if a.get("id") in ("twinser-check", "twinser-errors"):
            where = a["id"]
        elif tag in ("h1", "dl") or tag == "title" or (tag == "p" and a.get("class") == "sub"):
            where = "header" if tag != "title" else "title"
        key = a.get("data-key")
        if a.get("data-field") is not None:
            self.units.append((a.get("data-field"), a.get("data-unit", "")))
        if key:
            self.keys.append([key, int(a.get("data-digits", "3")), ""])
        if tag not in ("meta",):
            self.stack.append((tag, where, key))

    def handle_endtag(self, tag):
        while self.stack:
            t, _, _ = self.stack.pop()
            if t == tag:
                break

    def handle_data(self, data):
        if not self.stack:
            return
        _, where, _ = self.stack[-1]
        if where:
            self.text[where] += data
        if any(k for _, _, k in self.stack):
            self.keys[-1][2] += data


def close_enough(shown, value, digits):
    if value is None:
        return not shown[:1].isdigit() and "n/a" not in shown
    try:
        v = float(shown.split(" ")[0])
    except ValueError:
        return False
    if "e" in shown:
        return abs(v - value) <= 5e-4 * abs(value)
    return abs(v - value) <= 0.5 * 10 ** -digits * (1 + 1e-9)


def documented_units():
    """field -> unit from the unit table of docs/json-summary.md: rows
    "| `field` | unit | meaning |"."""
    import os, re
    doc = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "json-summary.md")
    units = {}
    for line in open(doc, encoding="utf-8"):
        m = re.match(r"\|\s*`([a-z0-9_]+)`\s*\|\s*([^|]*?)\s*\|", line)
        if m:
            units[m.group(1)] = m.group(2)
    return units


def main():
    dom_file, summary_file, texts = sys.argv[1], sys.argv[2], sys.argv[3:]
    d = Dom()
    d.feed(open(dom_file, encoding="utf-8", errors="replace").read())
    summary = json.load(open(summary_file, encoding="utf-8", errors="replace"))
    faults = []
    if d.text["twinser-errors"].strip():
        faults.append("script errors: " + d.text["twinser-errors"].strip())
    try:
        check = json.loads(d.text["twinser-check"])
    except ValueError:
        check = None
        faults.append("the page wrote no self-check (it stopped before drawing everything)")
    if check is not None:
        for c in check["charts"]:
            if not c["ok"]:
                faults.append("chart '%s' drew nothing: %s" % (c["title"], c))
        # the charts a summary asks for are among those that drew
        titles = {c["title"] for c in check["charts"]}
        wanted = ["hydrograph", "residual", "overview", "scatter"]
        if summary.get("monthly"):
            wanted.append("seasonal cycle")
        dc = summary.get("duration_curve")
        if isinstance(dc, dict) and "reason" not in dc:
            wanted.append("duration curve")
        events = [e for s in summary.get("selections", []) if str(s.get("letter", "")).upper() == "G"
                  for e in s.get("events", [])]
        if events:
            wanted.append("event %s" % events[0]["number"])
        for t in wanted:
            if t not in titles:
                faults.append("no chart '%s' on the page" % t)
        if events and not any(f["feature"].startswith("a click on an event") for f in check.get("features", [])):
            faults.append("the event click was not tried")
        for f in check.get("features", []):
            if not f["ok"]:
                faults.append("feature: %s" % f)
        for z in check.get("zoom", []):
            if not z["ok"]:
                faults.append("zoom: %s" % z)
        for n in check["numbers"]:
            if not n["ok"]:
                faults.append("page's own number check: %s" % n)
        if not check["ok"] and not faults:
            faults.append("self-check failed: %s" % check)
    shown = {k: (digits, text) for k, digits, text in reversed(d.keys)}  # the first, the headline
    for k in HEADLINES:
        key = "whole_period." + k
        if key not in shown:
            faults.append("headline %s not shown" % key)
            continue
        digits, text = shown[key]
        value = summary["whole_period"].get(k)
        if not close_enough(text, value, digits):
            faults.append("headline %s shows %r, the summary holds %r" % (key, text, value))
    # the summary last before the page's own script: all before it is
    # written while the run goes on
    expected = [(None, None), ("application/octet-stream", "twinser-obs"),
                ("application/octet-stream", "twinser-sim"),
                ("application/octet-stream", "twinser-part"), ("application/json", "twinser-drawn"),
                (None, None), ("application/json", "twinser-summary"), (None, None)]
    if d.scripts != expected:
        faults.append("scripts in the page: %s" % d.scripts)
    if d.tags - ALLOWED:
        faults.append("elements the page never makes: %s" % sorted(d.tags - ALLOWED))
    for t in texts:
        if t not in d.text["header"]:
            faults.append("header lacks the text %r" % t)
    if summary.get("control_file") and summary["control_file"] not in d.text["title"]:
        faults.append("title %r lacks the control file" % d.text["title"])
    if summary.get("label") and summary["label"] not in d.text["title"]:
        faults.append("title %r lacks the label" % d.text["title"])
    documented = documented_units()
    series_unit = summary.get("series", {}).get("observed", {}).get("unit", "").strip()
    for field, unit in sorted(set(d.units)):
        want = documented.get(field)
        if want is None:
            faults.append("number of field %r on the page, a field docs/json-summary.md gives no unit" % field)
            continue
        want = series_unit if want == "series unit" else "" if want == "-" else want
        if unit != want:
            faults.append("field %r shown in %r, documented in %r" % (field, unit, want))
    for f in faults:
        print("FAIL:", f)
    if not faults:
        print("page checked: %d charts drew, %d headline numbers, %.0f ms to draw" %
              (len(check["charts"]), len(HEADLINES), check["draw_ms"]))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
