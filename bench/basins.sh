#!/usr/bin/env bash
# Times twinser-basins on a continental-size campaign: 671 generated basins of
# 30 daily years, two models each (1,342 twinser-view runs), side by side with
# a bare `xargs -P 2` loop of the same runs, the closing step alone, and the
# sorting of the 1,342-row page in headless Chromium.
#   bench/basins.sh [build dir] [basins] [jobs]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
n=${2:-671}
jobs=${3:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Eight pairs of series (1981-2010, daily) from bench/gen_series.py, scaled
# apart; each basin folder holds hard links to one of them, so the campaign
# reads 2,013 series files without writing 700 MB.
python3 - "$top/bench/gen_series.py" "$work" "$n" <<'PY'
import os, subprocess, sys
gen, work, n = sys.argv[1], sys.argv[2], int(sys.argv[3])
src = os.path.join(work, "src")
subprocess.run([sys.executable, gen, "24", "1981", "2010", src], check=True)
obs = open(os.path.join(src, "obs.xk")).read().splitlines(True)
sim = open(os.path.join(src, "sim.xk")).read().splitlines(True)
def scaled(lines, k):
    out = lines[:2]
    for line in lines[2:]:
        v = float(line[21:31])
        out.append(line[:21] + ("%10.3f" % (v if v == -999 else v * k)) + "\n")
    return "".join(out)
for v in range(8):
    d = os.path.join(work, "variants", str(v))
    os.makedirs(d)
    open(os.path.join(d, "obs.xk"), "w").write(scaled(obs, 1 + 0.05 * v))
    open(os.path.join(d, "wet.xk"), "w").write(scaled(sim, 1.1 + 0.04 * v))
    open(os.path.join(d, "dry.xk"), "w").write(scaled(sim, 0.8 + 0.03 * v))
for i in range(n):
    d = os.path.join(work, "basins", "%05d" % (i + 1))
    os.makedirs(d)
    v = os.path.join(work, "variants", str(i % 8))
    for f in ("obs.xk", "wet.xk", "dry.xk"):
        os.link(os.path.join(v, f), os.path.join(d, f))
    for model in ("wet", "dry"):
        open(os.path.join(d, model + ".ctl"), "w").write(
            "# generated basin %d, model %s\n@ gauge %05d\nobs.xk %s.xk %s_report.txt\n"
            "-1 -1 -1 -1 %d\n@Q\n" % (i + 1, model, i + 1, model, model, 100 + i))
PY
dir=$work/basins
echo "$n basins x 2 models, 30 daily years, $jobs at a time ($(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg))"

now() { date +%s.%N; }
# The bare loop: every twinser-view run, two at a time, nothing kept
t0=$(now)
find "$dir" -name '*.ctl' -print0 |
  xargs -0 -P "$jobs" -n 1 sh -c 'cd "${1%/*}" && exec "$0" -o "${1##*/}" > /dev/null' \
    "$build/twinser-view" || true
t1=$(now)
"$top/scripts/twinser-basins" --bin-dir "$build" -j "$jobs" "$dir" > "$work/out" 2> /dev/null || true
t2=$(now)
"$top/scripts/twinser-basins" --gather "$dir" > /dev/null || true
t3=$(now)
head -n 1 "$work/out"
python3 - "$t0" "$t1" "$t2" "$t3" <<'PY'
import sys
t0, t1, t2, t3 = map(float, sys.argv[1:])
bare, whole, gather = t1 - t0, t2 - t1, t3 - t2
print("bare xargs loop      %7.2f s" % bare)
print("twinser-basins       %7.2f s  (%.2f times the bare loop)" % (whole, whole / bare))
print("closing step alone   %7.2f s  (--gather: lists, basins.csv, basins.html)" % gather)
PY
echo "basins.csv: $(($(wc -l < "$dir/basins.csv") - 1)) rows; basins.html: $(stat -c %s "$dir/basins.html") bytes"

# Sorting the page by each column twice, layout included, in headless Chromium
browser=${CHROMIUM:-$(command -v chromium-headless-shell || command -v chromium)}
"$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --disable-dev-shm-usage --user-data-dir="$work/profile" --window-size=1280,2200 \
  --dump-dom "file://$dir/basins.html#bench" 2> /dev/null > "$work/dom.html"
python3 - "$work/dom.html" <<'PY'
import re, sys
dom = open(sys.argv[1], encoding="utf-8").read()
body = re.search(r'<body([^>]*)>', dom)
a = dict(re.findall(r'data-([a-z-]+)="([^"]*)"', body.group(1) if body else ""))
if "sort-max-ms" not in a:
    sys.exit("the page did not time its sorting")
print("page of %s rows, 22 sorts: median %s ms, mean %s ms, fastest %s ms, slowest %s ms" %
      (a["rows"], a["sort-median-ms"], a["sort-mean-ms"], a["sort-min-ms"], a["sort-max-ms"]))
PY
