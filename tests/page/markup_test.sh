#!/usr/bin/env bash
# Names from the inputs that are markup show as text and run nothing: the
# sample summary with a series in a folder named `</script><script>alert(1)<`,
# a file named `o<b>x<b><!--<script>.xk`, markup in the control file, station
# and unit names and a line separator (U+2028), which ends a line in older
# script parsers.  markup_test.sh PAGE_SAMPLE SAMPLE.json SCREENSHOT.png
set -u
sample=$1 base=$2 shot=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 - "$base" "$work/summary.json" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
s["control_file"] = "run</title><script>alert(2)</script>.ctl"
s["series"]["observed"].update(file="</script><script>alert(1)</o<b>x<b><!--<script>.xk",
                               station="ST\u2028A<!--TION & 'x' \"y\"", unit="<b>")
s["series"]["simulated"].update(file="sim <img src=x onerror=alert(3)>.xk", station="-->]]>")
json.dump(s, open(sys.argv[2], "w"))
PY
"$sample" "$work/summary.json" "$work/page.html" || { echo "page_sample failed"; exit 1; }
exec bash "$(dirname "$0")/browser_test.sh" "$work/page.html" "$work/summary.json" "$shot" \
  "</script><script>alert(1)</o<b>x<b><!--<script>.xk" "ST"$'\u2028'"A<!--TION & 'x' \"y\"" \
  "unit <b>" "sim <img src=x onerror=alert(3)>.xk" "-->]]>" "run</title><script>alert(2)</script>.ctl"
