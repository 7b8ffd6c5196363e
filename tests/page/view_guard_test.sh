#!/usr/bin/env bash
# The page is an output like the report: twinser-view refuses to write it
# over an input, and a run that stops removes the page an earlier run left
# (only a page and summary of its own: see tests/run_robust.sh).
#   view_guard_test.sh VIEW CASE_DIR   (CASE_DIR: tests/page/hourly)
set -u
view=$1 case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
# the observed series is where the page would go
mkdir "$work/over"
cp -r "$case_dir"/. "$work/over"/
cd "$work/over" || exit 1
mv obs.xk hourly_report.html
cp hourly_report.html kept
sed -i 's/^obs.xk/hourly_report.html/' hourly.ctl
timeout 60 "$view" hourly.ctl > stdout 2>&1
status=$?
[ "$status" = 1 ] || { echo "over an input: status $status, expected 1"; fail=1; }
grep -q '^Error: the output file hourly_report.html is the observed file' stdout ||
  { echo "over an input: no refusal"; cat stdout; fail=1; }
cmp -s kept hourly_report.html || { echo "the observed series was overwritten"; fail=1; }
[ -e hourly_report.json ] && { echo "a refused run left a summary"; fail=1; }
# a run that stops: the page and summary of an earlier run go
mkdir "$work/stale"
cp -r "$case_dir"/. "$work/stale"/
cd "$work/stale" || exit 1
timeout 60 "$view" hourly.ctl > first.stdout 2>&1 || { echo "the earlier run failed"; fail=1; }
for f in hourly_report.html hourly_report.json; do
  [ -e "$f" ] || { echo "the earlier run left no $f"; fail=1; }
done
sed -i 's/^@H 30 24/@H x 24/' hourly.ctl
timeout 60 "$view" hourly.ctl > stdout 2>&1
status=$?
[ "$status" = 1 ] || { echo "stopping run: status $status, expected 1"; fail=1; }
for f in hourly_report.html hourly_report.json; do
  [ -e "$f" ] && { echo "a run that stopped left $f"; fail=1; }
done
# nor the page it had begun while the analyses ran
left=$(find . -name '.twinser-view.*')
[ -z "$left" ] || { echo "a run that stopped left its temporary files: $left"; fail=1; }
exit $fail
