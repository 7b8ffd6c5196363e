#!/usr/bin/env python3
"""Builds fuzz seeds for twinser-xk's CSV reading: every CSV file of the
twinser-xk cases under tests/xk and of the examples, cut to its first 60
lines, and a few short dialects, each behind the option byte the harness
reads first (see xk_harness.cpp)."""
import glob, os, sys

top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
dest = sys.argv[1] if len(sys.argv) > 1 else "xk_seeds"
os.makedirs(dest, exist_ok=True)

dialects = {
    "semicolon_crlf": b'# gauge\r\n"date";"x";"value"\r\n2000-01-01;a;"1,5"\r\n2000-01-02;"b;\nc";NA\r\n',
    "tab_date_col_2": b"A\t2000-01-01\t7\nA\t2000-01-02\t\nA\t2000-01-04\t-999\n",
    "hourly_z": b"t,value\n2010-10-01T00:00Z,1\n2010-10-01T01:00:00Z,2\n2010-10-01T03:00Z,x\n2010-10-01 24:00,3\n",
    "six_hourly": b"2001-01-01 06:00,1\n2001-01-01 12:00,2\n2001-01-02 06:00,3e-2\n",
    "leap_years": b"1900-02-28,1\n1900-03-01,2\n2000-02-29,3\n",
}
seeds = {name: (0, body) for name, body in dialects.items()}
seeds["tab_date_col_2"] = (16, dialects["tab_date_col_2"])
for path in sorted(glob.glob(os.path.join(top, "tests", "xk", "*", "*.csv")) +
                   glob.glob(os.path.join(top, "examples", "*", "*.csv"))):
    with open(path, "rb") as f:
        body = b"".join(f.readlines()[:60])
    name = os.path.basename(os.path.dirname(path)) + "_" + os.path.basename(path)[:-4]
    seeds[name] = (0, body)
flags = [0, 1 | 2, 4 | 8]
for i, (name, (flag, body)) in enumerate(sorted(seeds.items())):
    with open(os.path.join(dest, name), "wb") as f:
        f.write(bytes([flag or flags[i % len(flags)]]) + body)
