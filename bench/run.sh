#!/usr/bin/env bash
# Times whole runs on long synthetic series. Usage: bench/run.sh [build dir]
#
# First, a century of hourly data (1901-2000, 876,600 lines a file): the
# median wall time of the full run with every selection, the median of the
# parse floor (bench/parse_floor: both files read in 64 KiB chunks, every
# value parsed with from_chars into two arrays, nothing else), their ratio,
# the run that only reads, the peak memory of the full run against its bar
# (1.5 x 24 bytes a line + 16 MiB), and the full run on two centuries, which
# should take twice as long; all timed in turns in one call. The series are
# written once into bench/data/ (not kept in git) and reused while the
# generator is unchanged. Timed with hyperfine when installed, else a loop.
#
# Then the older cases: 100 years daily, 20 years hourly, and 3000 events.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
# absolute, since the runs below start in a scratch directory
build=$(cd "${1:-$top/build}" && pwd)
bin=$build/twinser
floor=$build/parse_floor
for b in "$bin" "$floor"; do
  [ -x "$b" ] || { echo "bench/run.sh: no $b; build first: cmake --build ${1:-build} -j2" >&2; exit 1; }
done
runs=${BENCH_RUNS:-11}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ------------------------------------------------------------ a century hourly

. "$top/bench/century.sh"
# gen_dir NAME FIRST_YEAR: hourly series from FIRST_YEAR to 2000 in
# bench/data/NAME, with every.ctl (every selection) and read.ctl (the series
# read, nothing else). The series are named by full path, so that every run
# can start in one directory (the report and event.dat land there).
gen_dir() {
  local dir
  dir=$(bench_series "$1" 1 "$2" 2000)
  every_selection_control "$dir/obs.xk" "$dir/sim.xk" "@T 1" > "$dir/every.ctl"
  printf '# benchmark run: read the series only\n@\n%s %s report.txt\n-1 -1 -1 -1 500\n@Q\n' \
    "$dir/obs.xk" "$dir/sim.xk" > "$dir/read.ctl"
  echo "$dir"
}

# median_times DIR NAME=COMMAND...: prints "NAME WALL CPU" per command, the
# median wall time of $runs runs after two warm-ups and the mean processor
# time (user + system) of a run, in seconds, all run in DIR. The commands
# take turns, one run each per round, so that a change in the load of a
# shared machine falls on all of them alike; the processor time shows what
# the wall time loses to other work.
median_times() {
  local dir=$1
  shift
  if command -v hyperfine > /dev/null; then
    local args=()
    for nc in "$@"; do args+=(-n "${nc%%=*}" "${nc#*=}"); done
    (cd "$dir" && hyperfine -N --warmup 2 --runs 1 "${args[@]}" > /dev/null 2>&1)
    for round in $(seq "$runs"); do
      (cd "$dir" && hyperfine -N --runs 1 --export-json "$work/round$round.json" "${args[@]}" \
        > /dev/null 2>&1)
    done
    python3 - "$work"/round*.json <<'PY'
import json, statistics, sys
wall, cpu = {}, {}
for name in sys.argv[1:]:
    for r in json.load(open(name))["results"]:
        wall.setdefault(r["command"], []).extend(r["times"])
        cpu.setdefault(r["command"], []).append(r["user"] + r["system"])
for c in wall:
    print(c, statistics.median(wall[c]), statistics.mean(cpu[c]))
PY
    rm -f "$work"/round*.json
  else
    python3 - "$dir" "$runs" "$@" <<'PY'
import resource, statistics, subprocess, sys, time
d, runs = sys.argv[1], int(sys.argv[2])
commands = [nc.split("=", 1) for nc in sys.argv[3:]]
wall = {name: [] for name, _ in commands}
cpu = {name: 0.0 for name, _ in commands}
for k in range(runs + 2):
    for name, cmd in commands:
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        t = time.perf_counter()
        subprocess.run(cmd.split(), cwd=d, stdout=subprocess.DEVNULL, check=False)
        t = time.perf_counter() - t
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if k >= 2:
            wall[name].append(t)
            cpu[name] += (after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) / runs
for name, _ in commands:
    print(name, statistics.median(wall[name]), cpu[name])
PY
  fi
}

# peak_kib DIR COMMAND...: peak resident memory of one run, KiB
peak_kib() {
  local dir=$1
  shift
  python3 - "$dir" "$@" <<'PY'
import resource, subprocess, sys
subprocess.run(sys.argv[2:], cwd=sys.argv[1], stdout=subprocess.DEVNULL, check=False)
print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)
PY
}

one=$(gen_dir century_hourly 1901)
two=$(gen_dir two_centuries_hourly 1801)
timer=$(command -v hyperfine > /dev/null && echo hyperfine || echo "a loop")
echo "A century of hourly data, 876,600 lines a file; median of $runs runs, in turns ($timer):"
mkdir "$work/run"
# one run that must finish, so that a failing command is not timed in silence
(cd "$work/run" && "$bin" -o "$one/every.ctl" > "$work/check.out") ||
  { echo "bench/run.sh: $bin -o $one/every.ctl failed:" >&2; tail -n 5 "$work/check.out" >&2; exit 1; }
median_times "$work/run" "full=$bin -o $one/every.ctl" "floor=$floor $one/obs.xk $one/sim.xk" \
  "read=$bin $one/read.ctl" "full2=$bin -o $two/every.ctl" > "$work/times.txt"
peak=$(peak_kib "$work/run" "$bin" -o "$one/every.ctl")
python3 - "$work/times.txt" "$peak" <<'PY'
import sys
one = {w[0]: (float(w[1]), float(w[2])) for w in (l.split() for l in open(sys.argv[1]))}
two = {"full": one["full2"]}
peak = int(sys.argv[2]) / 1024
bar = 1.5 * 24 * 876600 / 2**20 + 16
def row(text, t, note=""):
    print(f"  {text:<27}{t[0] * 1000:8.1f} ms  (cpu {t[1] * 1000:6.1f} ms){note}")
row("full run, every selection", one["full"])
row("parse floor", one["floor"])
print(f"  {'full run / parse floor':<27}{one['full'][0] / one['floor'][0]:8.2f}     (bar 1.30)")
row("run that only reads", one["read"], f"  {one['read'][0] / one['floor'][0]:.2f} x floor")
print(f"  {'peak memory, full run':<27}{peak:8.1f} MiB (bar {bar:.1f} MiB)")
row("full run, two centuries", two["full"], f"  {two['full'][0] / one['full'][0]:.2f} x one century")
PY
echo

# ------------------------------------------------------------ older cases

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
