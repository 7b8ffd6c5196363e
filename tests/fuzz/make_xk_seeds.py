#!/usr/bin/env python3
"""Builds fuzz seeds for twinser-xk's readers: every CSV file of the
twinser-xk cases under tests/xk and of the examples, cut to its first 60
lines, a few short dialects and layouts, and the NetCDF files made with
ncgen from the CDL files of the cases (classic and netCDF-4), each behind the
option byte the harness reads first (see xk_harness.cpp)."""
import glob, os, subprocess, sys, tempfile

top = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
dest = sys.argv[1] if len(sys.argv) > 1 else "xk_seeds"
os.makedirs(dest, exist_ok=True)

dialects = {
    "semicolon_crlf": b'# gauge\r\n"date";"x";"value"\r\n2000-01-01;a;"1,5"\r\n2000-01-02;"b;\nc";NA\r\n',
    "tab_date_col_2": b"A\t2000-01-01\t7\nA\t2000-01-02\t\nA\t2000-01-04\t-999\n",
    "hourly_z": b"t,value\n2010-10-01T00:00Z,1\n2010-10-01T01:00:00Z,2\n2010-10-01T03:00Z,x\n2010-10-01 24:00,3\n",
    "six_hourly": b"2001-01-01 06:00,1\n2001-01-01 12:00,2\n2001-01-02 06:00,3e-2\n",
    "leap_years": b"1900-02-28,1\n1900-03-01,2\n2000-02-29,3\n",
    "date_and_hour": b"date,hour,q\n2002-10-02,00:00:00.00,1\n2002-10-03,24:00,2\n2002-10-05,00:00,3\n",
    "gauge_rdb": b"# comment \"x\"\nagency\tsite\tdatetime\tq\tq_cd\n5s\t15s\t20d\t14n\t10s\n"
                 b"USGS\t1\t2002-10-01\t10\tA\nUSGS\t1\t2002-10-02\t\tE\n",
    "title_flags": b"skip me\nDaily Discharge (m3/s)\n ID,PARAM,Date,Value,SYM \n05BB001,1,1913/07/01,100,B\n"
                   b"05BB001,1,1913/07/02,110,\n05BB001,1,19130703,120,E\n",
}
seeds = {name: (0, body) for name, body in dialects.items()}
seeds["date_and_hour"] = (64, dialects["date_and_hour"])
seeds["title_flags"] = (128 | 1, dialects["title_flags"])
for cdl in sorted(glob.glob(os.path.join(top, "tests", "xk", "*", "*.cdl"))):
    for kind in ("classic", "nc4"):
        with tempfile.TemporaryDirectory() as tmp:
            nc = os.path.join(tmp, "x.nc")
            if subprocess.run(["ncgen", "-k", kind, "-o", nc, cdl]).returncode != 0:
                continue
            with open(nc, "rb") as f:
                body = f.read()
        base = "nc_" + kind + "_" + os.path.basename(cdl)[:-4]
        for flag in (32, 32 | 64, 32 | 128):
            seeds[base + "_" + str(flag)] = (flag, body)
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
