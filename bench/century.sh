# Sourced by the benchmarks and scripts/compare-builds.sh (needs $top, the
# project's folder): the generated series they run on and the control files
# they run.

# bench_series NAME STEP FIRST LAST: bench/gen_series.py's pair of STEP-hour
# series from FIRST to LAST in bench/data/NAME (not kept in git), written
# again only when the generator is newer; prints the folder
bench_series() {
  local dir=$top/bench/data/$1
  if [ ! -f "$dir/sim.xk" ] || [ "$top/bench/gen_series.py" -nt "$dir/sim.xk" ]; then
    python3 "$top/bench/gen_series.py" "$2" "$3" "$4" "$dir" >&2 || return 1
  fi
  echo "$dir"
}

# every_selection_control OBS SIM [STEP_RECORD]: every selection: 10 lines
# shown, E with 5 values, D 10 intervals, F two intervals, G a month, a
# season and a year, H and I; the report in report.txt of the folder the run
# starts in. STEP_RECORD (say "@T 1") goes before the selections.
every_selection_control() {
  printf '# every selection\n@\n%s %s report.txt\n-1 -1 -1 -1 500\n' "$1" "$2"
  [ -z "${3:-}" ] || printf '%s\n' "$3"
  cat <<'CTL'
@A 10
@E 5 10 30 50 100 200
@D 10
@F 2 0 20 20 9999
@G 3 0 3 1 1950 0 4 1 1950 0 6 1 1975 0 9 1 1975 0 1 1 1999 24 12 31 1999
@H 40 72
@I 12
@Q
CTL
}

# page_control: the run whose page bench/page.sh and bench/view.sh time, on
# obs.xk and sim.xk beside it: flow classes, events (the last over the whole
# century), peaks and yearly balances
page_control() {
  cat <<'CTL'
# a century of hourly lines
@ A century of hourly lines
obs.xk sim.xk report.txt
-1 -1 -1 -1 500
@E 3 10 50 100
@D 10
@G 3
0 1 1 1902 0 1 1 1903
0 3 1 1950 0 6 1 1950
0 1 1 1901 24 12 31 2000
@H 40 72
@I 12
@Q
CTL
}
