#!/usr/bin/env bash
# scripts/run-basins over twenty generated basins: one stops (its observed file
# is missing), one finishes after refusing a mistyped selection (status 2),
# one has identical series. Also a folder without a control file and one with
# two, which are no basins. Checks the reports, the job log, the lists of the
# closing step and DIR/basins.csv.
# usage: tests/run_basins_test.sh BIN_DIR   (BIN_DIR holds twinser-view)
set -u
bin_dir=$1
top=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$bin_dir/twinser-view" ] || { echo "no twinser-view in $bin_dir"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # message, then a command that must succeed
  local what=$1
  shift
  "$@" || { echo "FAILED: $what"; fail=1; }
}

python3 - "$work/basins" <<'PY'
import os, sys
top = sys.argv[1]

def xk(path, kind, values):
    with open(path, "w") as f:
        f.write("$ generated daily series\n")
        f.write(f"{kind:<24}CMS  24\n")
        f.write("1 2000 1 2000 1 F10.3\n")
        for d, v in enumerate(values, 1):
            f.write(f"TEST {d:02d} 2000 {v:14.3f}\n")

obs = [2 + (d * 7) % 11 + (20 if d in (5, 6, 18) else 0) for d in range(31)]
for i in range(1, 21):
    name = f"basin {i:02d}" if i == 7 else f"basin_{i:02d}"
    d = os.path.join(top, name)
    os.makedirs(d)
    sim = obs if i == 3 else [round(v * (1 + 0.01 * i) + (i % 3) * 0.5, 3) for v in obs]
    xk(os.path.join(d, "obs.xk"), "OBSERVED FLOW", obs)
    xk(os.path.join(d, "sim.xk"), "SIMULATED FLOW", sim)
    obs_name = "missing.xk" if i == 13 else "obs.xk"
    extra = "@J\n" if i == 9 else ""
    with open(os.path.join(d, f"b{i}.ctl"), "w") as f:
        f.write(f"# generated basin {i}\n@\n{obs_name} sim.xk b{i}_report.txt\n"
                f"-1 -1 -1 -1 86.4\n@H 10 48\n{extra}@I 1\n@Q\n")
os.makedirs(os.path.join(top, "notes"))
two = os.path.join(top, "two_controls")
os.makedirs(two)
for n in ("a.ctl", "b.ctl"):
    open(os.path.join(two, n), "w").write("@\nobs.xk sim.xk r.txt\n-1 -1 -1 -1 0\n@Q\n")
PY

"$top/scripts/run-basins" --bin-dir "$bin_dir" -j 2 "$work/basins" > "$work/out" 2> "$work/err"
status=$?
b=$work/basins
check "exit status 1 when a basin stopped (got $status)" test "$status" = 1
check "nineteen reports" test "$(find "$b" -mindepth 2 -maxdepth 2 -name "b*_report.txt" | wc -l)" = 19
check "no report for the stopped basin" test ! -e "$b/basin_13/b13_report.txt"
check "a JSON summary beside each report" test "$(find "$b" -mindepth 2 -maxdepth 2 -name "b*_report.json" | wc -l)" = 19
check "every summary fits the schema" find "$b" -mindepth 2 -maxdepth 2 -name "b*_report.json" \
  -exec python3 "$top/tests/check_schema.py" {} +
check "terminal output beside the report" \
  grep -q "THE PROGRAM FINISHED SUCCESSFULLY" "$b/basin 07/b7_report.terminal.txt"
check "status file of the refusing basin" test "$(cat "$b/basin_09/b9_report.status")" = 2
check "nothing run in the folder with two control files" test ! -e "$b/two_controls/r.txt"
check "the folder with two control files named" grep -q "skipped two_controls" "$work/err"
check "a job log of twenty jobs" test "$(tail -n +2 "$b/run-basins.joblog" | wc -l)" = 20

check "one stopped basin listed" \
  test "$(sed -n '/^Stopped/,/^[^ ]/p' "$work/out" | grep -c '^  ')" = 1
check "the stopped basin with its status and last message" \
  grep -qx "  basin_13	1	Cannot open observed file: missing.xk" "$work/out"
check "the refusing basin listed apart" \
  grep -q "^  basin_09	see .*b9_report.terminal.txt" "$work/out"
check "the count line" grep -qx "20 basins: 18 finished, 1 finished after a refusal, 1 stopped" "$work/out"

csv=$b/basins.csv
check "a header and nineteen rows" test "$(wc -l < "$csv")" = 20
check "folder name, then the whole-period measures" \
  grep -q "^basin,n,percent_bias,abs_percent_bias,obs_mean,sim_mean," "$csv"
check "rows in folder order (bytewise), the stopped basin absent" \
  test "$(cut -d, -f1 "$csv" | tail -n +2 | tr '\n' ' ')" = \
  "basin 07 basin_01 basin_02 basin_03 basin_04 basin_05 basin_06 basin_08 basin_09 basin_10 basin_11 basin_12 basin_14 basin_15 basin_16 basin_17 basin_18 basin_19 basin_20 "
# identical series: 31 lines, no bias, a perfect Nash-Sutcliffe r
check "the identical basin's measures" python3 - "$csv" <<'PY'
import csv, sys
rows = {r["basin"]: r for r in csv.DictReader(open(sys.argv[1]))}
r = rows["basin_03"]
sys.exit(not (int(r["n"]) == 31 and float(r["percent_bias"]) == 0 and float(r["nash_r"]) == 1))
PY

if [ $fail = 1 ]; then
  echo "--- run-basins output:"; cat "$work/out"; echo "--- standard error:"; cat "$work/err"
fi
exit $fail
