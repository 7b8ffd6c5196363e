#!/usr/bin/env bash
# Times a whole run with every selection on long synthetic series and reports
# wall time and peak memory. Usage: bench/run.sh [build dir]
# Cases: 100 years daily, 20 years hourly.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
bin=${1:-$top/build}/twinser
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_case() { # name step first last
  local dir=$work/$1
  python3 "$top/bench/gen_series.py" "$2" "$3" "$4" "$dir"
  cat > "$dir/run.ctl" <<CTL
# benchmark run
@
obs.xk sim.xk report.txt
-1 -1 -1 -1 500
@T $2
@E 3 10 50 100
@D 10
@F 2 0 20 20 9999
@G 3 0 1 1 $(($3 + 1)) 0 1 1 $(($3 + 2)) 0 3 1 $3 0 6 1 $3 0 1 1 $3 24 12 31 $4
@H 40 72
@I 12
@Q
CTL
  ( cd "$dir" && /usr/bin/time -f "$1: %e s wall, %M KiB peak" "$bin" -o run.ctl > /dev/null )
}
run_case daily_100_years 24 1901 2000
run_case hourly_20_years 1 1981 2000

# 3000 one-day events and a low threshold on 20 hourly years: every row asks
# for dates of its lines
dir=$work/many_events
python3 "$top/bench/gen_series.py" 1 1981 2000 "$dir"
python3 - "$dir/run.ctl" <<'PY'
import random, sys
random.seed(1)
events = []
for _ in range(3000):
    y, m, d = random.randint(1981, 2000), random.randint(1, 12), random.randint(1, 27)
    events.append(f"0 {m} {d} {y} 24 {m} {d + 1} {y}")
open(sys.argv[1], "w").write("@\nobs.xk sim.xk report.txt\n-1 -1 -1 -1 500\n@G 3000\n" +
                             "\n".join(events) + "\n@H 25 24\n@Q\n")
PY
( cd "$dir" && /usr/bin/time -f "many_events: %e s wall, %M KiB peak" "$bin" -o run.ctl > /dev/null )
