#!/usr/bin/env bash
# Runs one bundled example as its README says: copies its folder into an
# empty temporary directory and runs the tool there on the control file, with
# -o when the control file asks for events (a G record). The run must finish
# with the finish message and status 0, and leave its report (and event.dat).
set -u
bin=$1
ctl=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$(dirname "$ctl")"/. "$work"/
cd "$work" || exit 2
name=$(basename "$ctl")
args=("$name")
grep -qiE '^@ *G' "$name" && args=(-o "$name")
timeout 60 "$bin" "${args[@]}" < /dev/null > terminal.txt 2> stderr.txt
status=$?
fail=0
[ "$status" = 0 ] || { echo "exit status $status, expected 0"; fail=1; }
grep -q "THE PROGRAM FINISHED SUCCESSFULLY!!" terminal.txt || { echo "no finish message"; fail=1; }
report=$(awk '/^@/ { getline; print $3; exit }' "$name")
[ -s "$report" ] || { echo "no report $report"; fail=1; }
[ "${args[0]}" != -o ] || [ -s event.dat ] || { echo "no event.dat"; fail=1; }
if [ -s stderr.txt ]; then echo "--- standard error:"; head -n 40 stderr.txt; fail=1; fi
[ $fail = 0 ] || { echo "--- last lines of the terminal:"; tail -n 15 terminal.txt; }
exit $fail
