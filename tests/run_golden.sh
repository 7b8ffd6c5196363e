#!/usr/bin/env bash
# Runs one end-to-end case: copies the case directory into an empty temporary
# directory (event.dat lands in the working directory), runs the binary there
# with the arguments in `args` and standard input from `stdin` (if present),
# and compares with the files under `expected/`:
#   expected/stdout   terminal output, byte for byte
#   expected/status   exit status
#   expected/absent   names of files the run must not leave behind (optional)
#   expected/<name>   any other file the run must leave, byte for byte
set -u
bin=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 2
args=()
[ -f args ] && read -r -a args < args
input=/dev/null
[ -f stdin ] && input=stdin
timeout 10 "$bin" "${args[@]}" < "$input" > actual.stdout 2> actual.stderr
status=$?
fail=0
if [ "$status" = 124 ]; then echo "TIMEOUT: the run did not end within 10 s"; fail=1; fi
if [ -f expected/status ] && [ "$status" != "$(tr -d ' \n' < expected/status)" ]; then
  echo "exit status $status, expected $(cat expected/status)"; fail=1
fi
if [ -f expected/stdout ] && ! cmp -s expected/stdout actual.stdout; then
  echo "--- terminal output differs:"; diff -u expected/stdout actual.stdout | head -n 60; fail=1
fi
for f in expected/*; do
  name=$(basename "$f")
  case "$name" in stdout|status|absent) continue ;; esac
  if [ ! -f "$name" ]; then echo "missing output file: $name"; fail=1; continue; fi
  if ! cmp -s "$f" "$name"; then
    echo "--- $name differs:"; diff -u "$f" "$name" | head -n 60; fail=1
  fi
done
if [ -f expected/absent ]; then
  while read -r name; do
    [ -n "$name" ] && [ -e "$name" ] && { echo "unexpected file: $name"; fail=1; }
  done < expected/absent
fi
# the tool never writes to standard error; a sanitizer report lands there
if [ -s actual.stderr ]; then echo "--- standard error:"; head -n 40 actual.stderr; fail=1; fi
exit $fail
