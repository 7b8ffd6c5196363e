#!/usr/bin/env bash
# Renews docs/page.png, the screenshot of the bundled example's page that
# docs/page.md shows: runs twinser-view on the example in a scratch directory and
# photographs the top of its page (header, hydrograph, scatter) in headless
# Chromium.  scripts/page_screenshot.sh [build dir]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
example=$top/examples
[ -f "$example/minam/minam.ctl" ] && example=$example/minam
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$example"/. "$work"/
(cd "$work" && "$build/twinser-view" -o minam.ctl > /dev/null)
"${CHROMIUM:-chromium}" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --force-device-scale-factor=0.8 \
  --window-size=1100,1640 --virtual-time-budget=10000 \
  --screenshot="$top/docs/page.png" "file://$work/minam_report.html" 2> /dev/null
echo "docs/page.png: $(stat -c %s "$top/docs/page.png") bytes"
