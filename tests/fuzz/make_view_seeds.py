#!/usr/bin/env python3
"""Writes seeds for view_harness.cpp into a directory: names with markup,
quotes, line separators and bytes that are not UTF-8; measures and series with
nan, inf, huge, tiny and missing values. make_page_seeds.py DIR"""
import os, struct, sys

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
names = [
    [b"minam.ctl", b"minam_report.txt", b"minam_obs.xk", b"13331500 QME DAILY", b"CMS ",
     b"minam_sim.xk", b"13331500 QME DAILY", b"CMS "],
    [b"a</title><script>alert(2)</script>.ctl", b"r.txt",
     b"</script><script>alert(1)</o<b>x<b><!--<script>.xk", b"ST\xe2\x80\xa8A", b"<b>",
     b"sim <img src=x onerror=alert(3)>.xk", b"-->]]>", b"&amp;"],
    [b"\xff\xfe\x00", b"</SCRIPT", b"<!--", b"\xe2\x80\xa9", b"\"'", b"\xc3", b"\\u003c", b"</Style"],
]
series = [
    [1.5, 2.5, -999.0, 3.0, 0.0, 0.0, 7.25, -1.0],
    [float("nan"), float("inf"), -float("inf"), 1e308, -1e308, 5e-324, 3.4028235e38, 3.5e38],
]
measures = [0.5 * k - 3 for k in range(20)]
measures[3], measures[7], measures[11] = float("nan"), float("inf"), 1e300
for i, n in enumerate(names):
    for j, s in enumerate(series):
        vals = measures + s
        with open(os.path.join(out, "seed_%d_%d" % (i, j)), "wb") as f:
            f.write(b"\n".join(n) + b"\n%%\n" + struct.pack("<%dd" % len(vals), *vals))
