#!/usr/bin/env bash
# twinser-view against twinser on the same run: a century of hourly lines
# (bench/gen_series.py, as bench/page.sh runs it), timed in pairs, one run of
# each in turn, so that a change in the load of a shared machine falls on
# both alike. Prints the median wall time of each, the median of the pairs'
# ratios (bar 1.5), the ratio of the medians and the page's size.
#   bench/view.sh [build dir] [pairs]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
pairs=${2:-15}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$top/bench/century.sh"
ln -s "$(bench_series century_hourly 1 1901 2000)"/*.xk "$work"/
page_control > "$work/run.ctl"
python3 - "$work" "$build" "$pairs" <<'PY'
import os, statistics, subprocess, sys, time
work, build, pairs = sys.argv[1], sys.argv[2], int(sys.argv[3])
def once(tool):
    t = time.perf_counter()
    subprocess.run([os.path.join(build, tool), "run.ctl"], cwd=work, stdout=subprocess.DEVNULL, check=True)
    return time.perf_counter() - t
for _ in range(2):  # warm-up: files in the page cache
    once("twinser"); once("twinser-view")
core, view = [], []
for _ in range(pairs):
    core.append(once("twinser"))
    view.append(once("twinser-view"))
ratios = [v / c for c, v in zip(core, view)]
print("twinser      median %6.1f ms" % (1000 * statistics.median(core)))
print("twinser-view median %6.1f ms" % (1000 * statistics.median(view)))
print("ratio of the pairs: median %.2f (bar 1.50), quartiles %.2f to %.2f" %
      (statistics.median(ratios), *statistics.quantiles(ratios, n=4)[::2]))
# a pair's ratio swings with the moment's load (twinser reads on two threads
# and runs from about 50 to about 75 ms on a shared machine): the ratio of the
# medians beside it
print("ratio of the medians: %.2f" % (statistics.median(view) / statistics.median(core)))
print("page %d bytes, summary %d bytes" % (os.path.getsize(os.path.join(work, "report.html")),
                                          os.path.getsize(os.path.join(work, "report.json"))))
PY
