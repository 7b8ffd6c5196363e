#!/usr/bin/env bash
# Times the HTML page of a century of hourly lines (876,576 per series) in
# headless Chromium: the page notes with performance.now() when its script
# starts (the file read and parsed) and when every chart has drawn; both are
# read from the dumped DOM, with the time a zoom takes to redraw from the full
# data. Also gives the page's size.
#   bench/page.sh [build dir] [runs]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# a hand-made summary of the century: yearly rows, 300 events, 2000 peaks
python3 - "$top/tests/page/sample_daily.json" "$work/century.json" <<'PY'
import json, random, sys
s = json.load(open(sys.argv[1]))
random.seed(3)
lines = 876576  # 1901-01 to 2000-12, hourly
s["series"]["observed"].update(step_hours=1, first="1901-01", last="2000-12")
s["series"]["simulated"].update(step_hours=1, first="1901-01", last="2000-12")
s["period"].update(first="1901-01", last="2000-12", start="1901-01-01T00:00", step_hours=1,
                   lines=lines, good_hours=lines - 20000, missing_hours=20000)
row = s["yearly"][0]
s["yearly"] = [dict(row, year=y, percent_bias=random.uniform(-15, 15), nash_r=random.uniform(0.4, 0.9))
               for y in range(1901, 2001)]
sel = {x["letter"]: x for x in s["selections"]}
ev = sel["G"]["events"][0]
events = []
for k in range(300):
    a = random.randrange(0, lines - 3000)
    events.append(dict(ev, number=k + 1, first_line=a, end_line=a + 2000,
                       maxima=dict(ev["maxima"], obs_line=a + 100, sim_line=a + 102)))
sel["G"]["events"] = events
pk = sel["H"]["peaks"][0]
sel["H"]["peaks"] = [dict(pk, obs_line=l, sim_line=l + 2) for l in sorted(random.sample(range(lines - 3), 2000))]
json.dump(s, open(sys.argv[2], "w"))
PY
"$build/page_sample" "$work/century.json" "$work/century.html"
echo "century hourly page: $(du -m "$work/century.html" | cut -f1) MB ($(stat -c %s "$work/century.html") bytes)"
browser=${CHROMIUM:-chromium}
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
