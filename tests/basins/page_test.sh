#!/usr/bin/env bash
# DIR/basins.html of a campaign in headless Chromium: six basins with two
# models, one of them named with markup, one of one model and one that stops.
# check_page.py reads the DOM the page leaves after its #selfcheck.
# usage: tests/basins/page_test.sh BIN_DIR SCREENSHOT.png
set -u
bin_dir=$1 shot=$2
src=$(cd "$(dirname "$0")/../.." && pwd)
browser=${CHROMIUM:-}
for b in chromium-headless-shell chromium chrome-headless-shell; do
  [ -n "$browser" ] && break
  command -v "$b" > /dev/null && browser=$b
done
[ -n "$browser" ] || { echo "no headless Chromium found: scripts/deps.sh test installs chromium-headless-shell"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
b=$work/campaign
python3 "$src/tests/basins/gen.py" "$b" plain 5
markup='</script><img src=x onerror=alert(1)><!--'
python3 - "$src/tests/basins" "$b" "$markup" <<'PY'
import sys
sys.path.insert(0, sys.argv[1])
import gen
gen.basin(sys.argv[2], sys.argv[3].replace("/", "\\"), {"wet": 1.5, "dry": 0.7},
          label="<b>bold</b> & \u2028 'quoted'")
gen.basin(sys.argv[2], "one_model", {"wet": 1.2})
gen.basin(sys.argv[2], "stops", {"wet": 1.1, "dry": 0.9}, obs_name="missing.xk")
PY
markup=${markup//\//\\}
"$src/scripts/twinser-basins" --bin-dir "$bin_dir" -j 2 "$b" > "$work/out" 2>&1
[ -s "$b/basins.html" ] || { echo "no basins.html"; cat "$work/out"; exit 1; }
profile=$work/profile
run_browser() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --disable-dev-shm-usage --hide-scrollbars --user-data-dir="$profile" \
    --window-size=1280,2200 --virtual-time-budget=30000 "$@" 2> "$work/stderr"
}
run_browser --dump-dom "file://$b/basins.html#selfcheck" > "$work/dom.html" ||
  { echo "Chromium failed"; tail -n 20 "$work/stderr"; exit 1; }
python3 "$src/tests/basins/check_page.py" "$work/dom.html" "$b/basins.csv" 2 \
  "$markup" "<b>bold</b> & "$'\u2028'" 'quoted'" || exit 1
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
run_browser --screenshot="$(realpath -m "$shot")" "file://$b/basins.html" > /dev/null
[ -s "$shot" ] || { echo "no screenshot written to $shot"; exit 1; }
echo "screenshot: $shot"
