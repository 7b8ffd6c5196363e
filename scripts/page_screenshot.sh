#!/usr/bin/env bash
# Renews the screenshots docs/page.md shows: docs/page.png, the page of the
# bundled daily example, and docs/page_hourly.png, a long hourly record (20
# generated years): runs twinser-view in a scratch directory and photographs
# the top of each page in headless Chromium. Run on request, not by the tests.
#   scripts/page_screenshot.sh [build dir]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
example=$top/examples
[ -f "$example/minam/minam.ctl" ] && example=$example/minam
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$example"/. "$work"/
(cd "$work" && "$build/twinser-view" -o minam.ctl > /dev/null)
browser=${CHROMIUM:-$(command -v chromium-headless-shell || command -v chromium)}
shoot() { # PAGE.html HEIGHT NAME: the top HEIGHT pixels of the page into docs/NAME
  "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars --force-device-scale-factor=0.8 \
    --window-size="1100,$2" --virtual-time-budget=10000 \
    --screenshot="$top/docs/$3" "file://$1" 2> /dev/null
  echo "docs/$3: $(stat -c %s "$top/docs/$3") bytes"
}
shoot "$work/minam_report.html" 1640 page.png

# a long hourly record: twenty years of bench/gen_series.py's hourly pair,
# with events and peaks, photographed down to the event grid
mkdir "$work/long"
python3 "$top/bench/gen_series.py" 1 1981 2000 "$work/long"
cat > "$work/long/long.ctl" <<'CTL'
@ Twenty years of hourly lines (generated)
obs.xk sim.xk long_report.txt
-1 -1 -1 -1 500
@G 4
0 3 1 1985 0 4 1 1985
0 10 1 1990 0 11 15 1990
0 5 1 1996 0 6 1 1996
0 1 1 1999 0 3 1 1999
@H 300 72
@Q
CTL
(cd "$work/long" && "$build/twinser-view" long.ctl > /dev/null)
shoot "$work/long/long_report.html" 1900 page_hourly.png
