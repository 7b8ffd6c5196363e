#!/usr/bin/env bash
# Opens a page in headless Chromium as the reader's browser would, with
# #selfcheck, where the page states whether every chart drew and every
# headline number is the summary's (the DOM is then read by check_dom.py).
# Only when TWINSER_PAGE_SCREENS is set (to anything but empty) is the page
# opened a second time, plain, for a screenshot to look at by eye.
#   browser_test.sh PAGE.html SUMMARY.json SCREENSHOT.png [TEXT ...]
# Each TEXT must stand as text in the page's header. Fails on a script error,
# a chart that drew nothing, a number that is not the summary's, or markup
# from the inputs that became elements.
set -u
page=$1 summary=$2 shot=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
browser=${CHROMIUM:-}
for b in chromium-headless-shell chromium chrome-headless-shell; do
  [ -n "$browser" ] && break
  command -v "$b" > /dev/null && browser=$b
done
if [ -z "$browser" ]; then
  echo "no headless Chromium found: scripts/deps.sh test installs the Debian package chromium-headless-shell"
  exit 1
fi
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
url=$(python3 -c 'import pathlib, sys; print(pathlib.Path(sys.argv[1]).resolve().as_uri())' "$page")
run_browser() {
  timeout 120 "$browser" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --disable-dev-shm-usage --hide-scrollbars --user-data-dir="$profile" \
    --window-size=1280,2200 --virtual-time-budget=30000 "$@" 2> "$profile/stderr"
}
run_browser --dump-dom "$url#selfcheck" > "$profile/dom.html" ||
  { echo "Chromium failed on $page"; tail -n 20 "$profile/stderr"; exit 1; }
python3 "$here/check_dom.py" "$profile/dom.html" "$summary" "$@" || exit 1
[ -n "${TWINSER_PAGE_SCREENS:-}" ] || exit 0
mkdir -p "$(dirname "$shot")"
rm -f "$shot"
run_browser --screenshot="$(realpath -m "$shot")" "$url" > /dev/null
[ -s "$shot" ] || { echo "no screenshot written to $shot"; tail -n 20 "$profile/stderr"; exit 1; }
echo "screenshot: $shot"
