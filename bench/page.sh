#!/usr/bin/env bash
# Times the HTML page of a century of hourly lines (876,600 per series) in
# headless Chromium: the page notes with performance.now() when its script
# starts (the file read and parsed) and when every chart has drawn; both are
# read from the dumped DOM, with the time a zoom takes to redraw from the full
# data. Also gives the page's size.
#   bench/page.sh [build dir] [runs]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# the century case: bench/gen_series.py's hourly pair, 1901 to 2000, through
# twinser-view with events (the last spans the whole period), peaks, flow
# classes and yearly balances
. "$top/bench/century.sh"
ln -s "$(bench_series century_hourly 1 1901 2000)"/*.xk "$work"/
page_control > "$work/run.ctl"
(cd "$work" && "$build/twinser-view" run.ctl > /dev/null)
mv "$work/report.html" "$work/century.html"
lines=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["period"]["lines"])' "$work/report.json")
echo "century hourly page: $lines lines a series, $(stat -c %s "$work/century.html") bytes"
browser=${CHROMIUM:-$(command -v chromium-headless-shell || command -v chromium)}
for run in $(seq "$runs"); do
  rm -rf "$work/profile"
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --disable-dev-shm-usage --user-data-dir="$work/profile" --window-size=1280,2200 \
    --dump-dom "file://$work/century.html#bench" 2> /dev/null > "$work/dom.html"
  python3 - "$work/dom.html" "$run" <<'PY'
import html, re, sys
dom = open(sys.argv[1], encoding="utf-8").read()
body = re.search(r'<body([^>]*)>', dom)
a = dict(re.findall(r'data-([a-z-]+)="([^"]*)"', body.group(1) if body else ""))
if "zoom-ms" not in a:
    sys.exit("run %s: the page did not finish drawing before it loaded" % sys.argv[2])
print("run %s: script started at %.0f ms (file read and parsed), charts drawn %.0f ms later; "
      "a zoom into a tenth redrawn in %.0f ms (%.0f ms of it refining the data)\n       %s" %
      (sys.argv[2], float(a["load-ms"]), float(a["draw-ms"]), float(a["zoom-ms"]),
       float(a["refine-ms"]), html.unescape(a["marks"])))
PY
done
