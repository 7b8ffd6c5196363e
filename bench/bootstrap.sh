#!/usr/bin/env bash
# What the block bootstrap of the whole-period measures costs twinser-view on
# a century of hourly data (1901-2000, 876,600 lines a file, the series of
# bench/run.sh): paired runs of `twinser-view -o every.ctl` with and without
# --no-bootstrap, taking turns so that a change in the load of a shared
# machine falls on both alike. Prints the median wall and processor time
# of each, the ratio of the medians and the median of the per-pair ratios,
# for wall and processor time (user + system, which a loaded machine
# disturbs less); the bar is 1.05.  Usage: bench/bootstrap.sh [build dir]   (BENCH_RUNS pairs, default 11)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
view=$build/twinser-view
runs=${BENCH_RUNS:-11}
. "$top/bench/century.sh"
dir=$(bench_series century_hourly 1 1901 2000)
# every selection, as bench/run.sh times twinser
every_selection_control "$dir/obs.xk" "$dir/sim.xk" "@T 1" > "$dir/view.ctl"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$work" "$runs" "$view" "$dir/view.ctl" <<'PY'
import json, resource, statistics, subprocess, sys, time
work, runs, view, ctl = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
sides = {"with": [view, "-o", ctl], "without": [view, "--no-bootstrap", "-o", ctl]}
wall = {k: [] for k in sides}
cpu = {k: [] for k in sides}
for k in range(runs + 1):  # the first pair warms the caches and is not counted
    order = list(sides) if k % 2 == 0 else list(sides)[::-1]
    for name in order:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t = time.perf_counter()
        subprocess.run(sides[name], cwd=work, stdout=subprocess.DEVNULL, check=True)
        t = time.perf_counter() - t
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if k > 0:
            wall[name].append(t)
            cpu[name].append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
years = json.load(open(f"{work}/report.json"))["whole_period"]["uncertainty"].get("years")
print(f"twinser-view on a century of hourly data ({years} whole years when bootstrapped),"
      f" {runs} pairs in turns:")
for name in sides:
    print(f"  {name + ' the bootstrap':<24}{statistics.median(wall[name]) * 1000:8.1f} ms"
          f"  (cpu median {statistics.median(cpu[name]) * 1000:7.1f} ms)")
ratio = statistics.median(wall["with"]) / statistics.median(wall["without"])
pairs = statistics.median(a / b for a, b in zip(wall["with"], wall["without"]))
print(f"  {'ratio of the medians':<24}{ratio:8.3f}     (bar 1.05)")
print(f"  {'median ratio of a pair':<24}{pairs:8.3f}")
print(f"  {'cpu, ratio of medians':<24}{statistics.median(cpu['with']) / statistics.median(cpu['without']):8.3f}")
print(f"  {'cpu, median pair ratio':<24}"
      f"{statistics.median(a / b for a, b in zip(cpu['with'], cpu['without'])):8.3f}")
PY
