#!/usr/bin/env bash
# twinser-basins on the cases of tests/basins/gen.py full: basins of two models,
# one that stops, one that refuses a selection, a folder of one model, names
# with a tab, a line break, a byte that is not UTF-8, a formula and markup, a
# series file named like the runner's status file, two models writing one
# report, a report name too long for the runner's files. The command, the
# binary and the folder all sit under paths holding GNU parallel's replacement
# strings. Then, with those results in place: an interrupted campaign lists
# only what it ran; a campaign whose GNU parallel fails lists none of them;
# a runner meeting another one's lock is refused.
# usage: tests/basins/runner_test.sh BIN_DIR   (BIN_DIR holds twinser-view)
set -u
bin_dir=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
[ -x "$bin_dir/twinser-view" ] || { echo "no twinser-view in $bin_dir"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # message, then a command that must succeed
  local what=$1
  shift
  "$@" || { echo "FAILED: $what"; fail=1; }
}

# a checkout and a build folder whose paths GNU parallel would expand
co="$work/co {} {.}"
mkdir -p "$co/scripts" "$co/third_party" "$work/bin {#}"
cp "$src/scripts/twinser-basins" "$src/scripts/basins_page.js" "$src/scripts/basins_page.css" "$co/scripts/"
cp -r "$src/third_party/uplot" "$co/third_party/"
ln -s "$bin_dir/twinser-view" "$work/bin {#}/twinser-view"
b="$work/basins {} {/}"
python3 "$src/tests/basins/gen.py" "$b" full
cp "$b/collides/wet_report.status" "$work/collides.before"
run() { "$co/scripts/twinser-basins" --bin-dir "$work/bin {#}" "$@"; }

run -j 2 "$b" > "$work/out" 2> "$work/err"
status=$?
check "exit status 1 when a run stopped (got $status)" test "$status" = 1
check "the count line" grep -qx \
  "19 basins, 26 runs: 21 finished, 1 finished after a refusal, 1 stopped, 3 not run" "$work/out"
check "the stopped run with its status and last message" \
  grep -qx "  stops	wet	1	Cannot open observed file: missing.xk" "$work/out"
check "the refusing run listed apart" grep -qx "  refuses	wet	see refuses/wet_report.terminal.txt" "$work/out"
check "a series file named like the runner's file: not run, kept" \
  grep -qx "  collides	wet	not run: the runner's file wet_report.status is an input of this model" "$work/out"
check "the series file unchanged" cmp -s "$work/collides.before" "$b/collides/wet_report.status"
check "the second model writing the same report: not run" \
  grep -qx "  one_report	wet	not run: shared.txt is written as well by the model dry" "$work/out"
check "a report name too long: not run, and why" \
  grep -q "^  long_name	wet	not run: the report name is too long .* would be 257 bytes, the limit is 255$" "$work/out"
check "the line break named" grep -q "^Note: the name new\\\\nline/wet holds a line break" "$work/out"
check "each model's status beside its report" \
  test "$(cat "$b/basin_01/wet_report.status" "$b/basin_01/dry_report.status")" = "0
0"
check "each model's event.dat kept apart" test -f "$b/basin_01/dry_report.event.dat" -a ! -e "$b/basin_01/event.dat"
check "a job log" test "$(tail -n +2 "$b/twinser-basins.joblog" | wc -l)" -ge 1
check "the page written" grep -q '<script type="application/json" id="basins-data">' "$b/basins.html"

# basins.csv read back: one row per finished run, in bytewise folder order;
# names quoted where they hold a control character, formulas made text; the
# measures of the identical basin
check "basins.csv" python3 - "$b/basins.csv" <<'PY'
import csv, io, sys
raw = open(sys.argv[1], "rb").read()
text = raw.decode("utf-8")
rows = list(csv.DictReader(io.StringIO(text, newline="")))
names = [(r["basin"], r["model"]) for r in rows]
want = [("'-2+3", "wet"), ("<img src=x onerror=alert(1)>&amp;", "wet"), ("'=SUM(A1)", "wet")]
want += [("basin_%02d" % i, m) for i in range(1, 7) for m in ("dry", "wet")]
want += [("identical", "wet"), ("latin\\xe9", "wet"), ("new\nline", "wet"),
         ("one_report", "dry"), ("refuses", "wet"), ("solo", "b1"), ("tab\there", "wet")]
faults = []
if names != want:
    faults.append("rows %s" % names)
head = text.split("\n", 1)[0]
if not head.startswith("basin,model,control,label,n,percent_bias,abs_percent_bias,obs_mean,"):
    faults.append("header " + head)
for quoted in ('"new\nline"', '"tab\there"'):
    if quoted not in text:
        faults.append("not quoted: %r" % quoted)
r = {(x["basin"], x["model"]): x for x in rows}
one = r[("basin_01", "dry")]
if one["label"] != "Gauge 01 at the bridge" or one["control"] != "dry.ctl":
    faults.append("label and control of basin_01/dry: %r %r" % (one["label"], one["control"]))
same = r[("identical", "wet")]
if not (same["n"] == "31" and float(same["percent_bias"]) == 0 and float(same["nash_r"]) == 1):
    faults.append("the identical basin: %s" % same)
if r[("basin_03", "wet")]["nse"] == r[("basin_03", "dry")]["nse"]:
    faults.append("both models of basin_03 have one NSE")
for f in faults:
    print(" ", f)
sys.exit(1 if faults else 0)
PY

# The closing step alone on summaries that carry the newer measures: the
# label of the summary, nested measures and intervals as dotted columns, a
# measure's reason; rows of older summaries keep empty cells there
python3 - "$b/basin_01/wet_report.json" "$b/basin_02/wet_report.json" <<'PY'
import json, sys
s = json.load(open(sys.argv[1]))
# the label where a summary holds it, after "tool"; the duration curve last
s = dict([(k, v) for k, v in s.items() if k in ("schema", "tool")] + [("label", "From the summary")] +
         [(k, v) for k, v in s.items() if k not in ("schema", "tool")])
w = s["whole_period"]
w["low_flow"] = {"offset": 0.09, "log_nse": 0.5, "log_kge_2012": 0.25,
                 "inverse_nse": -1.5, "inverse_kge_2012": None}
w["uncertainty"] = {"method": "block bootstrap over whole years", "resamples": 1000, "seed": 7,
                    "years": 30, "nse": {"p05": 0.125, "median": 0.5, "p95": 0.875,
                                         "jackknife_se": 0.0625}}
s["duration_curve"] = {"n": 31, "high_volume_bias": {"from_percent": 0, "to_percent": 2,
                                                      "value": 12.5},
                       "low_volume_bias": {"from_percent": 70, "to_percent": 100, "value": None,
                                           "reason": "zero flows"}}
json.dump(s, open(sys.argv[1], "w"), indent=1)
s = json.load(open(sys.argv[2]))
s["whole_period"]["low_flow"] = {"reason": "no lines"}
json.dump(s, open(sys.argv[2], "w"))
PY
"$co/scripts/twinser-basins" --gather "$b" > /dev/null
check "newer measures in basins.csv" python3 - "$b/basins.csv" <<'PY'
import csv, sys
rows = {(r["basin"], r["model"]): r for r in csv.DictReader(open(sys.argv[1], newline=""))}
a, b, c = rows[("basin_01", "wet")], rows[("basin_02", "wet")], rows[("basin_01", "dry")]
want_a = {"label": "From the summary", "low_flow.offset": "0.09", "low_flow.log_nse": "0.5",
          "low_flow.inverse_kge_2012": "", "uncertainty.nse.p05": "0.125",
          "uncertainty.nse.p95": "0.875", "uncertainty.resamples": "1000",
          "uncertainty.method": "block bootstrap over whole years",
          "duration_curve.high_volume_bias": "12.5", "duration_curve.low_volume_bias": "",
          "duration_curve.low_volume_bias.reason": "zero flows"}
faults = ["basin_01/wet %s: %r" % (k, a.get(k)) for k, v in want_a.items() if a.get(k) != v]
if b.get("low_flow.reason") != "no lines" or b.get("low_flow.log_nse") != "":
    faults.append("basin_02/wet: %r %r" % (b.get("low_flow.reason"), b.get("low_flow.log_nse")))
if c.get("uncertainty.nse.p05") != "" or c["label"] != "Gauge 01 at the bridge":
    faults.append("basin_01/dry, an older summary: %r" % c)
print("\n".join(faults))
sys.exit(1 if faults else 0)
PY
check "the interval on the page" grep -q '"From the summary",[^]]*\[0.125,0.875\]' "$b/basins.html"

# An interrupted campaign, each run slowed to a fifth of a second, after the
# whole one: it lists as finished only the runs that ended after it began
slow="$work/slow"
mkdir "$slow"
printf '#!/bin/sh\nsleep 0.2\nexec "%s" "$@"\n' "$bin_dir/twinser-view" > "$slow/twinser-view"
chmod +x "$slow/twinser-view"
touch "$work/mark"
set -m
"$co/scripts/twinser-basins" --bin-dir "$slow" -j 1 "$b" > "$work/out4" 2> /dev/null &
pid=$!
set +m
for _ in $(seq 100); do   # until the first run of this campaign has ended
  [ -n "$(find "$b" -name '*.status' -newer "$work/mark" | head -n 1)" ] && break
  sleep 0.05
done
kill -INT -- -"$pid"
wait "$pid"
status=$?
ended=$(find "$b" -name '*.status' ! -path '*/collides/*' -newer "$work/mark" -exec cat {} + | grep -cx '[02]')
check "interrupted: exit status 130 (got $status)" test "$status" = 130
check "interrupted: said so" grep -q "^Interrupted" "$work/out4"
check "interrupted: not every run ended" test "$ended" -lt 22
check "interrupted: only the runs it ended counted" python3 - "$work/out4" "$ended" "$b/basins.csv" <<'PY'
import re, sys
out, ended, csv = open(sys.argv[1]).read(), int(sys.argv[2]), sys.argv[3]
m = re.search(r"(\d+) finished, (\d+) finished after a refusal", out)
rows = open(csv, encoding="utf-8").read().count("\n") - 1 - 1  # the name with a line break
sys.exit(not (m and int(m.group(1)) + int(m.group(2)) == ended and rows <= ended))
PY
check "interrupted: no plan left behind" test ! -e "$b/.twinser-basins.plan"

# A campaign whose GNU parallel fails, after the interrupted one: nothing of
# the earlier campaigns may pass for it
run -j abc "$b" > "$work/out2" 2> /dev/null
status=$?
check "parallel failing: exit status not 0 (got $status)" test "$status" != 0
check "parallel failing: nothing finished" grep -qx \
  "19 basins, 26 runs: 0 finished, 0 finished after a refusal, 0 stopped, 26 not run" "$work/out2"
check "parallel failing: a tab shown as an escape" \
  grep -qx "  tab\\\\there	wet	no exit status: the run did not end in this campaign" "$work/out2"
check "parallel failing: a byte not UTF-8 shown as an escape" \
  grep -qx "  latin\\\\xe9	wet	no exit status: the run did not end in this campaign" "$work/out2"
check "parallel failing: said so" grep -q "^GNU parallel failed (exit status 255" "$work/out2"
check "parallel failing: basins.csv without rows" test "$(wc -l < "$b/basins.csv")" = 1
check "parallel failing: no status left from earlier campaigns" \
  test -z "$(find "$b" -name '*.status' ! -path '*/collides/*')"

# Another runner holds the lock: refused, nothing touched
flock "$b/.twinser-basins.lock" "$co/scripts/twinser-basins" --gather "$b" > "$work/out3" 2>&1
status=$?
check "locked: exit status 1 (got $status)" test "$status" = 1
check "locked: the message" grep -q "^twinser-basins: another twinser-basins (process .*) works on " "$work/out3"

if [ $fail = 1 ]; then
  for f in out err out2 out4; do echo "--- $f:"; cat "$work/$f" 2> /dev/null; done
fi
exit $fail
