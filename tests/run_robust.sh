#!/usr/bin/env bash
# Outputs that cannot be written, inputs without line ends, and files in the
# way of twinser-view, each run in a fresh copy of an end-to-end case:
#   run_robust.sh BIN_DIR CASE_DIR
# BIN_DIR holds twinser and twinser-view; CASE_DIR is
# tests/golden/events_two_selections_event_data (-o, two G sections, a
# 13154-byte report report.out, a 599-byte event.dat).
# Every failure must give status 1, a message naming the file and the
# system's reason, no finish message, and no summary or page.
set -u
bin=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
FINISH='THE PROGRAM FINISHED SUCCESSFULLY!!'

fresh() { # a clean copy of the case in $work/$1, made the working directory
  rm -rf "${work:?}/$1"
  mkdir "$work/$1"
  cp -r "$case_dir"/. "$work/$1"/
  cd "$work/$1" || exit 2
}
bad() { echo "$1: $2"; fail=1; }
expect() { # NAME STATUS WANTED_STATUS FILE TEXT: status and a line of FILE
  [ "$2" = "$3" ] || bad "$1" "status $2, expected $3"
  grep -qxF "$5" "$4" || { bad "$1" "no line '$5' in $4"; sed 's/^/    /' "$4" | tail -n 5; }
}
no_finish() { grep -qF "$FINISH" "$2" && bad "$1" "finish message after a failure"; }

# --- the report on a full device
fresh report_full
ln -s /dev/full report.out
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect report_full $? 1 stdout "Error: cannot write the report file report.out: No space left on device"
no_finish report_full stdout

# --- event.dat on a full device
fresh event_data_full
ln -s /dev/full event.dat
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect event_data_full $? 1 stdout "Error: cannot write the event data file event.dat: No space left on device"
no_finish event_data_full stdout

# --- the report beyond the file-size limit (8 KiB), no root needed
fresh report_size_limit
(ulimit -f 8; exec "$bin/twinser" -o run.ctl > "$work/limit.stdout" 2> stderr)
expect report_size_limit $? 1 "$work/limit.stdout" "Error: cannot write the report file report.out: File too large"
no_finish report_size_limit "$work/limit.stdout"

# --- standard output on a full device: told on standard error, as GNU tools do
fresh stdout_full
"$bin/twinser" -o run.ctl > /dev/full 2> stderr
expect stdout_full $? 1 stderr "Error: cannot write standard output: No space left on device"
fresh view_stdout_full
"$bin/twinser-view" -o run.ctl > /dev/full 2> stderr
expect view_stdout_full $? 1 stderr "Error: cannot write standard output: No space left on device"

# --- twinser-view: the report on a full device, nothing announced or left
fresh view_report_full
ln -s /dev/full report.out
"$bin/twinser-view" -o run.ctl > stdout 2> stderr
expect view_report_full $? 1 stdout "Error: cannot write the report file report.out: No space left on device"
no_finish view_report_full stdout
grep -q '^Summary written to' stdout && bad view_report_full "summary announced"
for f in report.json report.html; do [ -e "$f" ] && bad view_report_full "$f left"; done

# --- twinser-view: the page beyond the file-size limit. The report (13 KiB)
# and the summary (17 KiB) fit in 64 KiB, the page (108 KiB: the charting library inside)
# does not: neither file appears, nor a temporary one.
fresh view_page_size_limit
(ulimit -f 64; exec "$bin/twinser-view" -o run.ctl > "$work/page.stdout" 2> stderr)
status=$?
cp "$work/page.stdout" stdout
expect view_page_size_limit $status 1 stdout "Error: cannot write report.html: File too large"
grep -q '^Summary written to' stdout && bad view_page_size_limit "summary announced"
for f in report.json report.html .twinser-view.*; do [ -e "$f" ] && bad view_page_size_limit "$f left"; done

# --- twinser-view: a file it did not write stands where the summary goes
fresh view_foreign_summary
echo "notes of my own" > report.json
echo "events of the last run" > event.dat
"$bin/twinser-view" -o run.ctl > stdout 2> stderr
expect view_foreign_summary $? 1 stdout \
  "Error: report.json is in the way of the summary and was not written by twinser-view; nothing was written, to keep it intact"
[ "$(cat report.json)" = "notes of my own" ] || bad view_foreign_summary "report.json changed"
[ -e report.out ] && bad view_foreign_summary "the report was written"
[ "$(cat event.dat)" = "events of the last run" ] || bad view_foreign_summary "event.dat changed"
fresh view_foreign_page
mkdir report.html
"$bin/twinser-view" run.ctl > stdout 2> stderr
expect view_foreign_page $? 1 stdout \
  "Error: report.html is in the way of the page and was not written by twinser-view; nothing was written, to keep it intact"
[ -d report.html ] || bad view_foreign_page "the folder went"

# --- twinser-view: its own summary and page of an earlier run are replaced
fresh view_own_files
"$bin/twinser-view" -o run.ctl > first 2>&1 || bad view_own_files "first run failed"
cp report.json first.json
"$bin/twinser-view" -o run.ctl > stdout 2> stderr
expect view_own_files $? 0 stdout "Summary written to: report.json, report.html"
cmp -s first.json report.json || bad view_own_files "the summary differs between two runs"
ls -a | grep -q '^\.twinser-view\.' && bad view_own_files "a temporary file was left"

# --- inputs without line ends: a bounded line, never memory without bound
fresh control_dev_zero
timeout 20 "$bin/twinser" /dev/zero > stdout 2> stderr
expect control_dev_zero $? 1 stdout "Error: line 1 of the control file /dev/zero is longer than 65536 bytes"
fresh prompt_dev_zero
timeout 20 "$bin/twinser" < /dev/zero > stdout 2> stderr
expect prompt_dev_zero $? 1 stdout \
  "Please enter now: Error: the control file name given is longer than 65536 bytes"
fresh series_dev_zero
sed -i 's|^obs.xk |/dev/zero |' run.ctl
timeout 20 "$bin/twinser" run.ctl > stdout 2> stderr
expect series_dev_zero $? 1 stdout \
  "Error: observed file /dev/zero: line 1, before the first data line, is longer than 65536 bytes"
# the limit itself: a comment of 65536 bytes is read, one of 65537 stops
long=$(head -c 65535 /dev/zero | tr '\0' x)
fresh control_line_at_limit
{ echo "#$long"; cat "$case_dir/run.ctl"; } > run.ctl
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect control_line_at_limit $? 0 stdout "$FINISH"
cmp -s report.out expected/report.out || bad control_line_at_limit "report differs"
fresh control_line_over_limit
{ echo "#x$long"; cat "$case_dir/run.ctl"; } > run.ctl
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect control_line_over_limit $? 1 stdout "Error: line 1 of the control file run.ctl is longer than 65536 bytes"
fresh series_line_at_limit
{ echo "\$$long"; cat "$case_dir/sim.xk"; } > sim.xk
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect series_line_at_limit $? 0 stdout "$FINISH"
fresh series_line_over_limit
{ printf '$x%s\r\n' "$long"; cat "$case_dir/sim.xk"; } > sim.xk
"$bin/twinser" -o run.ctl > stdout 2> stderr
expect series_line_over_limit $? 1 stdout \
  "Error: simulated file sim.xk: line 1, before the first data line, is longer than 65536 bytes"
exit $fail
