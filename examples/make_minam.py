#!/usr/bin/env python3
"""Converts the CAMELS daily runoff of the Minam River near Minam, Oregon
(USGS 13331500) into the two XK series files of the bundled example.

The source gives runoff depth in mm/day for the observed and the simulated
series; the example is a flow run, so each value becomes a discharge in m3/s:
    Q [CMS] = R [mm/day] * 618.93 km2 * 1000 / 86400
(1 mm over 1 km2 is 1000 m3, spread over the 86400 s of the day).

    python3 make_minam.py [SOURCE_DIR]

SOURCE_DIR holds obs.csv and sim.csv (columns date,value); by default the
copy kept beside the repository, ../shared/realdata/camels_minam_13331500_daily.
The files are written beside this script: minam_obs.xk and minam_sim.xk.
"""
import csv
import datetime
import os
import sys

AREA_KM2 = 618.93
FIRST = datetime.date(1980, 10, 1)  # water years 1981 to 1990
LAST = datetime.date(1990, 9, 30)

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_SOURCE = os.path.join(HERE, "..", "..", "shared", "realdata", "camels_minam_13331500_daily")


def read_depths(path):
    """Daily runoff depths (mm/day) from FIRST to LAST, checked to be whole days in order."""
    values = []
    expect = FIRST
    with open(path, newline="") as f:
        for row in csv.DictReader(f):
            day = datetime.date.fromisoformat(row["date"])
            if day < FIRST or day > LAST:
                continue
            if day != expect:
                sys.exit(f"{path}: expected {expect}, found {day}")
            values.append(float(row["value"]))
            expect += datetime.timedelta(days=1)
    if expect != LAST + datetime.timedelta(days=1):
        sys.exit(f"{path}: ends before {LAST}")
    return values


def write_xk(path, title, depths):
    with open(path, "w") as f:
        f.write(f"$ {title}\n")
        f.write("$ Minam River near Minam, Oregon, USGS 13331500, basin area 618.93 km2\n")
        f.write("$ CAMELS daily runoff converted from mm/day to CMS; see README.md\n")
        f.write(f"{'13331500 QME DAILY':<24}CMS  24\n")  # unit in 25-28, step in 30-31
        f.write(f"{FIRST.month} {FIRST.year} {LAST.month} {LAST.year} 1 F10.3\n")
        day = FIRST
        for r in depths:
            q = -999.0 if r <= -999 else r * AREA_KM2 * 1000 / 86400
            # columns 1-21: station, year, month, day; then the value
            f.write(f"{'13331500':<8}{day.year:5d}{day.month:3d}{day.day:3d}  {q:10.3f}\n")
            day += datetime.timedelta(days=1)


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_SOURCE
    write_xk(os.path.join(HERE, "minam_obs.xk"), "observed daily flow (USGS gauge record)",
             read_depths(os.path.join(source, "obs.csv")))
    write_xk(os.path.join(HERE, "minam_sim.xk"), "simulated daily flow (Snow-17 + SAC-SMA, CAMELS)",
             read_depths(os.path.join(source, "sim.csv")))


if __name__ == "__main__":
    main()
