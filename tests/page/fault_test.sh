#!/usr/bin/env bash
# The browser test must catch what it is there to catch: the sample page is
# broken in five ways (a script error, a chart that draws nothing, a headline
# number that is not the summary's, a number with another unit than its
# field's, a log toggle that does nothing) and each must fail it with its
# reason.
#   fault_test.sh PAGE_SAMPLE SAMPLE.json
set -u
sample=$1 summary=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$sample" "$summary" "$work/good.html" || { echo "page_sample failed"; exit 1; }
# Each broken page is opened by a browser of its own, all at once: a browser
# spends most of its few seconds waiting, so side by side they take little
# longer than one. Each case writes its verdict to NAME.verdict, a first line
# "caught" when it did what it should.
expect_failure() { # name, expected reason, sed expression on the page
  sed -e "$3" "$work/good.html" > "$work/$1.html"
  if cmp -s "$work/good.html" "$work/$1.html"; then echo "$1: the page did not change" > "$work/$1.verdict"; return; fi
  ( out=$(bash "$here/browser_test.sh" "$work/$1.html" "$summary" "$work/$1.png" 2>&1)
    if [ $? = 0 ]; then echo "$1: passed the browser test"
    elif ! grep -q -- "$2" <<< "$out"; then printf '%s\n%s\n' "$1: failed for another reason:" "$out"
    else echo "caught"; fi > "$work/$1.verdict" ) &
}
expect_failure script_error "script errors" "s/timed('bars', tables);/timed('bars', tables); null.boom();/"
expect_failure blank_chart "chart 'hydrograph' drew nothing" \
  "s/spanGaps: false}/spanGaps: false, points: {show: false}, paths: () => null}/g"
expect_failure wrong_number "headline whole_period.nse shows" \
  "s/v.classList.add('value');/v.classList.add('value'); if (k === 'nse') v.textContent = '0.123';/"
# a number written with a unit other than its field's documented one
expect_failure wrong_unit "field 'mean_peak_diff' shown in '%'" \
  "s/sd_peak_diff: 'unit',/sd_peak_diff: 'unit', mean_peak_diff: '%',/"
# the log toggle that leaves the axis linear
expect_failure dead_toggle "feature: .*log toggle turns the hydrograph axis to log" \
  "s/y: log ? {distr: 3} : {}},/y: {}},/"
# the summary the page is compared with differs from the one inside it
python3 -c 'import json, sys; s = json.load(open(sys.argv[1])); s["whole_period"]["r"] = 0.5; json.dump(s, open(sys.argv[2], "w"))' \
  "$summary" "$work/other.json"
( out=$(bash "$here/browser_test.sh" "$work/good.html" "$work/other.json" "$work/other.png" 2>&1)
  if [ $? = 0 ] || ! grep -q "headline whole_period.r shows" <<< "$out"; then
    printf '%s\n%s\n' "other_summary: not caught:" "$out"
  else echo "caught"; fi > "$work/other_summary.verdict" ) &
wait
fail=0
for name in script_error blank_chart wrong_number wrong_unit dead_toggle other_summary; do
  if [ "$(head -n 1 "$work/$name.verdict" 2> /dev/null)" = caught ]; then
    echo "$name: caught"
  else
    cat "$work/$name.verdict" 2> /dev/null || echo "$name: no verdict"
    fail=1
  fi
done
exit $fail
