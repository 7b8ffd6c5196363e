#!/usr/bin/env python3
"""Checks a JSON summary against the report it was written beside: every
measure printed in the multi-year row, the best line fit and the yearly and
monthly rows must be the JSON value written at the report's precision (the
stream's general format with the decimal point shown, C's %#.<p>g), and a
null where the report prints nan or inf. Every date string has the one form
("YYYY-MM-DD" for daily steps, "YYYY-MM-DD HH:MM" otherwise), the dates of
the largest differences are the ends of the steps whose starts the report
prints (midnight as 24:00 of the day that ends), and the label is the text
after @ on the control file's header record. The summary must also
validate against the shipped schema (check_schema.py).

Usage: view_check.py REPORT JSON, or view_check.py DIR JSON for the report
the summary names, in DIR."""
import datetime
import json
import os
import re
import sys

import check_schema

# Each printed field: (text before it, width, JSON key, significant digits);
# digits 0 marks an integer. A field wider than its width pushes the rest on.
MULTI_YEAR = [("", 9, "percent_bias", 5), ("", 8, "abs_percent_bias", 5), ("", 8, "obs_mean", 4),
              ("", 8, "sim_mean", 4), ("", 8, "obs_std", 4), ("", 7, "sim_std", 4),
              ("", 7, "obs_cv", 4), ("", 7, "sim_cv", 4), ("", 7, "percent_rms", 4),
              ("", 7, "rms", 4), ("", 7, "r", 3), (" ", 7, "nash_r", 3), ("", 7, "rm", 3)]
YEARLY = [("", 5, "year", 0), ("", 9, "percent_bias", 4), ("", 9, "abs_percent_bias", 4),
          ("", 9, "abs_error", 4), ("", 9, "obs_mean", 4), ("", 9, "sim_mean", 4),
          ("", 10, "percent_rms", 4), ("", 9, "rms", 4), (" ", 7, "r", 3), (" ", 7, "nash_r", 3)]
MONTHLY = [("", 3, "month", 0), ("", 9, "percent_bias", 4), ("", 9, "abs_percent_bias", 4),
           ("", 10, "abs_error", 4), ("", 11, "obs_mean", 4), ("", 10, "sim_mean", 4),
           ("", 10, "percent_rms", 4), ("", 10, "rms", 4), ("", 7, "r", 3), ("", 8, "nash_r", 3)]
NOT_A_NUMBER = ["nan", "-nan", "inf", "-inf"]

failures = []


def texts(value, digits):
    """What the report may print for a JSON value at its precision."""
    if value is None:
        return NOT_A_NUMBER
    if digits == 0:
        return [str(value)]
    return ["%#.*g" % (digits, value)]


def check_line(where, line, layout, record):
    pos = 0
    for before, width, key, digits in layout:
        if not line.startswith(before, pos):
            failures.append(f"{where}: {line!r} lacks {before!r} before {key}")
            return
        pos += len(before)
        for text in texts(record[key], digits):
            field = text.rjust(width)
            if line.startswith(field, pos):
                pos += len(field)
                break
        else:
            failures.append(f"{where} {key}: report {line[pos:pos + width]!r}, JSON {record[key]!r}")
            return
    if line[pos:].strip():
        failures.append(f"{where}: {line[pos:]!r} left over")


def rows_after(lines, title, skip, count):
    start = next(i for i, line in enumerate(lines) if title in line)
    return lines[start + skip:start + skip + count]


def main():
    summary = json.load(open(sys.argv[2]))
    report_path = sys.argv[1]
    if os.path.isdir(report_path):
        report_path = os.path.join(report_path, summary["report_file"])
    report = open(report_path, encoding="latin-1").read().split("\n")
    if summary.get("schema") != "twinser-summary/1":
        failures.append("schema is not twinser-summary/1")
    failures.extend("schema: " + e for e in check_schema.errors(check_schema.validator(), summary))

    whole = summary["whole_period"]
    check_line("multi-year", rows_after(report, "MULTI-YEAR STATISTICS", 5, 1)[0], MULTI_YEAR, whole)
    fit = rows_after(report, "Best line fit:", 0, 1)[0].split()
    for key, mark in (("line_a", "A-->"), ("line_b", "B-->")):
        if fit[fit.index(mark) + 1] not in texts(whole[key], 3):
            failures.append(f"best line fit {key}: report {fit[fit.index(mark) + 1]!r}, JSON {whole[key]!r}")

    for title, layout, rows in (("YEARLY STATISTICS", YEARLY, summary["yearly"]),
                                ("MONTHLY STATISTICS", MONTHLY, summary["monthly"])):
        printed = rows_after(report, title, 5, len(rows))
        for line, record in zip(printed, rows):
            check_line(f"{layout[0][2]} {record[layout[0][2]]}", line, layout, record)

    step = summary["period"]["step_hours"]
    form = re.compile(r"^\d{4}-\d\d-\d\d$" if step >= 24 else r"^\d{4}-\d\d-\d\d \d\d:\d\d$")

    def walk(value, path):
        if isinstance(value, dict):
            for k, v in value.items():
                if (k == "date" or k.endswith("_date") or k == "start") and v is not None and not form.match(v):
                    failures.append(f"{path}.{k}: {v!r} is not in the date form of {step}-hour steps")
                walk(v, f"{path}.{k}")
        elif isinstance(value, list):
            for i, v in enumerate(value):
                walk(v, f"{path}[{i}]")
    walk(summary, "summary")

    largest = summary["largest_differences"]
    if largest:
        for line, record in zip(rows_after(report, "LARGEST", 4, len(largest)), largest):
            hm, mdy = line.split()[:2]
            h, mi = map(int, hm.split(":"))
            m, d, y = map(int, mdy.split("/"))
            end = datetime.datetime(y, m, d, h, mi) + datetime.timedelta(hours=step)
            if end.hour == 0 and end.minute == 0:  # midnight: 24:00 of the day that ends
                day, clock = end - datetime.timedelta(days=1), "24:00"
            else:
                day, clock = end, end.strftime("%H:%M")
            want = day.strftime("%Y-%m-%d") + ("" if step >= 24 else " " + clock)
            if record["date"] != want:
                failures.append(f"largest difference {record['rank']}: JSON date {record['date']!r}, "
                                f"the report's step {hm} {mdy} ends {want!r}")

    run_dir = sys.argv[1] if os.path.isdir(sys.argv[1]) else os.path.dirname(sys.argv[1])
    control = os.path.join(run_dir, summary["control_file"])
    if os.path.isfile(control):
        # the tool passes over a UTF-8 byte-order mark at the start of the file
        lines = open(control, encoding="latin-1").read().removeprefix("\xef\xbb\xbf").splitlines(True)
        header = next((l for l in lines if l.startswith("@")), None)
        if header is not None and summary.get("label") != header[1:].strip(" \t\r\n"):
            failures.append(f"label {summary.get('label')!r}, the header record reads {header.rstrip()!r}")

    for message in failures[:20]:
        print(message)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
