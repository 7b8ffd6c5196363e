#!/usr/bin/env bash
# Runs one end-to-end case that finishes with both twinser and twinser-view,
# each in a fresh directory, and checks that twinser-view leaves the same
# report, event.dat, terminal output (apart from its line naming the extra
# files, the JSON summary and the HTML page) and exit status, and that its
# JSON summary holds the printed values of the multi-year, yearly and monthly
# rows (tests/view_check.py).
# Usage: run_view.sh TWINSER TWINSER_VIEW CASE_DIR
set -u
plain=$1
view=$2
case_dir=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
for side in plain view; do
  mkdir "$work/$side"
  cp -r "$case_dir"/. "$work/$side"/
  rm -rf "$work/$side/expected"
done
run_side() { # side binary
  ( cd "$work/$1" || exit 2
    args=()
    [ -f args ] && read -r -a args < args
    input=/dev/null
    [ -f stdin ] && input=stdin
    timeout 20 "$2" "${args[@]}" < "$input" > ../$1.stdout 2> ../$1.stderr
    echo $? > ../$1.status )
}
run_side plain "$plain"
run_side view "$view"

if ! cmp -s "$work/plain.status" "$work/view.status"; then
  echo "exit status $(cat "$work/view.status"), twinser gave $(cat "$work/plain.status")"; fail=1
fi
# the one line after the finish message that names the extra files
last=$(tail -n 1 "$work/view.stdout")
case "$last" in
  "Summary written to: "*) ;;
  *) echo "no line naming the summary at the end of the terminal output"; fail=1 ;;
esac
head -n -1 "$work/view.stdout" > "$work/view.stdout.core"
if ! cmp -s "$work/plain.stdout" "$work/view.stdout.core"; then
  echo "--- terminal output differs:"; diff -u "$work/plain.stdout" "$work/view.stdout.core" | head -n 40; fail=1
fi
json=${last#Summary written to: }
page=${json##*, }
json=${json%%, *}
if [ ! -f "$work/view/$json" ]; then echo "summary $json was not written"; fail=1; fi
mv "$work/view/$json" "$work/summary.json" 2> /dev/null
case "$page" in
  *.html) [ -s "$work/view/$page" ] || { echo "page $page was not written"; fail=1; }
          rm -f "$work/view/$page" ;;
  *) echo "no page named at the end of the terminal output"; fail=1 ;;
esac
if ! diff -r "$work/plain" "$work/view" > "$work/files.diff"; then
  echo "--- files differ:"; head -n 40 "$work/files.diff"; fail=1
fi
if [ -s "$work/view.stderr" ]; then echo "--- standard error:"; head -n 20 "$work/view.stderr"; fail=1; fi
if [ -f "$work/summary.json" ]; then
  report=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["report_file"])' "$work/summary.json")
  python3 "$here/view_check.py" "$work/view/$report" "$work/summary.json" || fail=1
fi
exit $fail
