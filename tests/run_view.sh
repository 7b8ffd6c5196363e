#!/usr/bin/env bash
# Runs one end-to-end case that finishes through twinser-view in a fresh
# directory and checks it against the case's expected files, the same ones
# golden.<case> holds twinser to: the exit status, the terminal output (apart
# from the one last line naming the JSON summary and the page), the report,
# event.dat and every other expected file byte for byte, and no file left
# that twinser would not leave but those two. Then the JSON summary must hold
# the printed values of the multi-year, yearly and monthly rows
# (tests/view_check.py), unless --files-only: the sanitizer build runs the
# case for its memory checks, and its summary holds the release build's bits.
# Usage: run_view.sh TWINSER_VIEW CASE_DIR [--files-only]
set -u
view=$1
case_dir=$2
files_only=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
mkdir "$work/run"
cp -r "$case_dir"/. "$work/run"/
rm -rf "$work/run/expected"
cd "$work/run" || exit 2
args=()
[ -f args ] && read -r -a args < args
input=/dev/null
[ -f stdin ] && input=stdin
timeout 20 "$view" "${args[@]}" < "$input" > ../stdout 2> ../stderr
status=$?
cd "$work" || exit 2
expected=$case_dir/expected

if [ "$status" = 124 ]; then echo "TIMEOUT: the run did not end within 20 s"; fail=1; fi
if [ "$status" != "$(tr -d ' \n' < "$expected/status")" ]; then
  echo "exit status $status, expected $(cat "$expected/status")"; fail=1
fi
# the one line after the finish message that names the extra files
last=$(tail -n 1 stdout)
case "$last" in
  "Summary written to: "*) ;;
  *) echo "no line naming the summary at the end of the terminal output"; fail=1 ;;
esac
head -n -1 stdout > stdout.core
if [ -f "$expected/stdout" ] && ! cmp -s "$expected/stdout" stdout.core; then
  echo "--- terminal output differs:"; diff -u "$expected/stdout" stdout.core | head -n 40; fail=1
fi
json=${last#Summary written to: }
page=${json##*, }
json=${json%%, *}
if [ ! -f "run/$json" ]; then echo "summary $json was not written"; fail=1; fi
mv "run/$json" summary.json 2> /dev/null
case "$page" in
  *.html) [ -s "run/$page" ] || { echo "page $page was not written"; fail=1; }
          rm -f "run/$page" ;;
  *) echo "no page named at the end of the terminal output"; fail=1 ;;
esac
# every file twinser must leave, byte for byte; the inputs as they were;
# nothing else but the report and event.dat, which a case that does not hold
# them among its expected files leaves unchecked, as golden.<case> does
report=
[ -f summary.json ] && report=$(sed -n 's/^ "report_file": "\(.*\)",$/\1/p' summary.json)
for f in "$expected"/*; do
  name=$(basename "$f")
  case "$name" in stdout|status|absent) continue ;; esac
  if [ ! -f "run/$name" ]; then echo "missing output file: $name"; fail=1; continue; fi
  if ! cmp -s "$f" "run/$name"; then
    echo "--- $name differs:"; diff -u "$f" "run/$name" | head -n 40; fail=1
  fi
done
while IFS= read -r -d '' f; do
  f=${f#run/}
  if [ -e "$case_dir/$f" ]; then
    cmp -s "$case_dir/$f" "run/$f" || { echo "input $f was changed"; fail=1; }
  elif [ ! -e "$expected/$f" ] && [ "$f" != event.dat ] && [ "./$f" != "./${report#./}" ]; then
    echo "unexpected file: $f"; fail=1
  fi
done < <(find run -type f -print0)
while IFS= read -r -d '' f; do
  f=${f#"$case_dir"/}
  case "$f" in expected/*) continue ;; esac
  [ -e "run/$f" ] || { echo "input $f was removed"; fail=1; }
done < <(find "$case_dir" -type f -print0)
if [ -s stderr ]; then echo "--- standard error:"; head -n 20 stderr; fail=1; fi
# not -S: the summary is also validated against the shipped schema, and
# jsonschema is a site package
if [ -f summary.json ] && [ "$files_only" != --files-only ]; then
  python3 "$here/view_check.py" run summary.json || fail=1
fi
exit $fail
