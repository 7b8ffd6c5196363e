#!/usr/bin/env bash
# twinser-view end to end, then its page in the browser: copies a case into an
# empty directory, runs `twinser-view -o CONTROL`, checks that the finish
# names the page beside the JSON summary, and opens the page.
#   view_test.sh VIEW CASE_DIR CONTROL SCREENSHOT.png [TEXT ...]
# Each TEXT must stand as text in the page's header.
set -u
view=$1 case_dir=$2 ctl=$3 shot=$4
shift 4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 1
timeout 120 "$view" -o "$ctl" > stdout 2> stderr
status=$?
if [ "$status" != 0 ]; then
  echo "twinser-view ended with status $status"; tail -n 20 stdout stderr; exit 1
fi
line=$(grep -a '^Summary written to: ' stdout | tail -n 1)
json=${line#Summary written to: }
json=${json%%, *}
html=${line##*, }
case "$json" in *.json) ;; *) echo "finish line names no JSON summary: $line"; exit 1 ;; esac
case "$html" in *.html) ;; *) echo "finish line names no page: $line"; exit 1 ;; esac
[ "${json%.json}" = "${html%.html}" ] || { echo "page and summary are not beside each other: $line"; exit 1; }
[ -s "$html" ] || { echo "no page at $html"; exit 1; }
python3 "$here/../check_schema.py" "$json" || { echo "the summary does not fit the schema"; exit 1; }
exec bash "$here/browser_test.sh" "$html" "$json" "$shot" "$@"
