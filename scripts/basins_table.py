#!/usr/bin/env python3
"""Closing step of scripts/run-basins: sorts the basins by how their run ended,
lists the ones that stopped and the ones that refused part of their control
file, and writes the whole-period measures of every finished basin to a CSV
table.

usage: basins_table.py OUT.csv < LIST
LIST: one line per basin, tab-separated: folder name, terminal output file,
exit-status file, JSON summary file. Exit status 1 when any basin stopped.
"""
import csv
import json
import os
import sys

# The whole-period keys of the JSON summary, in its order; a key the summary
# adds later is appended after these.
MEASURES = ["n", "percent_bias", "abs_percent_bias", "obs_mean", "sim_mean",
            "obs_std", "sim_std", "obs_cv", "sim_cv", "percent_rms", "rms", "r",
            "nash_r", "rm", "line_a", "line_b", "nse", "kge_2009", "kge_2012", "mae"]

FINISHED = 0  # a whole run
REFUSED = 2   # the run finished, but a selection or an option was refused


def read_status(path):
    try:
        with open(path) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        return None  # the job never reached its end


def last_message(path):
    try:
        with open(path, errors="replace") as f:
            lines = [line.strip() for line in f if line.strip()]
    except OSError:
        return "(no terminal output)"
    return lines[-1] if lines else "(no terminal output)"


def read_summary(path):
    try:
        with open(path) as f:
            return json.load(f).get("whole_period")
    except (OSError, ValueError, AttributeError):
        return None


def cell(v):
    # repr of a float is the shortest text that reads back to the same double;
    # null (a nan or an infinity in the run) stays an empty cell
    if v is None:
        return ""
    if isinstance(v, float):
        return repr(v)
    return str(v)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out_csv = sys.argv[1]
    failed, refused, no_summary, rows = [], [], [], []
    total = 0
    for line in sys.stdin:
        name, terminal, status_file, summary = line.rstrip("\n").split("\t")
        total += 1
        status = read_status(status_file)
        if status not in (FINISHED, REFUSED):
            failed.append((name, status, last_message(terminal)))
            continue
        if status == REFUSED:
            refused.append((name, terminal))
        whole = read_summary(summary)
        if whole is None:
            no_summary.append(name)
        else:
            rows.append((name, whole))

    keys = list(MEASURES)
    for _, whole in rows:
        keys += [k for k in whole if k not in keys]
    tmp = out_csv + ".tmp"
    with open(tmp, "w", newline="") as f:
        w = csv.writer(f, lineterminator="\n")
        w.writerow(["basin"] + keys)
        for name, whole in rows:
            w.writerow([name] + [cell(whole.get(k)) for k in keys])
    os.replace(tmp, out_csv)

    print(f"{total} basins: {total - len(failed) - len(refused)} finished, "
          f"{len(refused)} finished after a refusal, {len(failed)} stopped")
    if failed:
        print("Stopped (exit status, last message):")
        for name, status, msg in failed:
            shown = "none" if status is None else status
            print(f"  {name}\t{shown}\t{msg}")
    if refused:
        print("Finished after refusing a selection or an option (exit status 2):")
        for name, terminal in refused:
            print(f"  {name}\tsee {terminal}")
    if no_summary:
        print("Finished without a JSON summary (run by twinser, not twinser-view?): "
              + " ".join(no_summary))
    print(f"{len(rows)} rows in {out_csv}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
