#!/usr/bin/env bash
# Old against new: runs twinser and twinser-view of a BASE build folder and of
# a NEW one over every end-to-end case (tests/golden), every bundled example
# (examples/*/*.ctl) and the benchmark series (bench/gen_series.py, a century
# hourly with every selection and a century daily), each in a fresh directory
# at the same path, and compares terminal output, exit status and every file
# the run leaves (report, event.dat, JSON summary, page) byte for byte.
# Usage: scripts/compare-builds.sh BASE_BUILD NEW_BUILD
#   e.g. scripts/compare-builds.sh /work/baseline-build build
# Prints one line per difference and a count; status 0 when all agree.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
base=$(cd "$1" && pwd) || exit 2
new=$(cd "$2" && pwd) || exit 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cases=0
diffs=0

# run_one BUILD TOOL SRC_DIR OUT_DIR: copies SRC_DIR (without expected/) to
# $work/run, runs TOOL there with the words of `args` and standard input
# from `stdin` (if present), and moves the result to OUT_DIR.
run_one() {
  rm -rf "$work/run"
  mkdir "$work/run"
  cp -r "$3"/. "$work/run"/
  rm -rf "$work/run/expected"
  ( cd "$work/run" || exit 2
    args=()
    [ -f args ] && read -r -a args < args
    input=/dev/null
    [ -f stdin ] && input=stdin
    timeout 120 "$1/$2" "${args[@]}" < "$input" > .stdout 2> .stderr
    echo $? > .status )
  mv "$work/run" "$4"
}

# compare NAME SRC_DIR: both builds, both tools
compare() {
  local tool
  for tool in twinser twinser-view; do
    cases=$((cases + 1))
    rm -rf "$work/base" "$work/new"
    run_one "$base" "$tool" "$2" "$work/base"
    run_one "$new" "$tool" "$2" "$work/new"
    if ! diff -r "$work/base" "$work/new" > "$work/diff.txt"; then
      diffs=$((diffs + 1))
      echo "DIFFERS: $tool $1"
      head -n 20 "$work/diff.txt"
    fi
  done
}

for dir in "$top"/tests/golden/*/; do
  compare "golden/$(basename "$dir")" "$dir"
done

# examples, run as their READMEs say: -o when there are events
for ctl in "$top"/examples/*/*.ctl; do
  dir=$work/example
  rm -rf "$dir"
  cp -r "$(dirname "$ctl")" "$dir"
  name=$(basename "$ctl")
  if grep -qiE '^@ *G' "$ctl"; then echo "-o $name" > "$dir/args"; else echo "$name" > "$dir/args"; fi
  compare "example/$name" "$dir"
done

# benchmark series, generated once into bench/data/ (not kept in git)
. "$top/bench/century.sh"
hourly=$(bench_series compare_hourly 1 1901 2000) || exit 2
daily=$(bench_series compare_daily 24 1901 2000) || exit 2
dir=$work/bench
for pair in "hourly:$hourly" "daily:$daily"; do
  rm -rf "$dir"
  mkdir "$dir"
  d=${pair#*:}
  ln -s "$d/obs.xk" "$dir/obs.xk"
  ln -s "$d/sim.xk" "$dir/sim.xk"
  every_selection_control obs.xk sim.xk > "$dir/every.ctl"
  echo "-o every.ctl" > "$dir/args"
  compare "bench/${pair%%:*}" "$dir"
done

echo "$cases runs compared, $diffs differ"
[ "$diffs" = 0 ]
