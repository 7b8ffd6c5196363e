#!/usr/bin/env bash
# Runs one twinser-xk case: copies the case directory into an empty temporary
# directory, runs its `cmd` script there with twinser-xk and twinser on the
# PATH, and compares with the files under `expected/`:
#   expected/stdout   everything the script wrote to standard output, byte for byte
#   expected/status   the script's exit status
#   expected/<name>   any file the script must leave, byte for byte
# The script sends the commands' standard error to standard output where it
# expects messages; anything left on standard error (a sanitizer report) fails.
set -u
bindir=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 2
PATH="$bindir:$PATH" timeout 20 bash cmd > actual.stdout 2> actual.stderr
status=$?
fail=0
if [ "$status" = 124 ]; then echo "TIMEOUT: the script did not end within 20 s"; fail=1; fi
if [ -f expected/status ] && [ "$status" != "$(tr -d ' \n' < expected/status)" ]; then
  echo "exit status $status, expected $(cat expected/status)"; fail=1
fi
if ! cmp -s expected/stdout actual.stdout; then
  echo "--- output differs:"; diff -u expected/stdout actual.stdout | head -n 80; fail=1
fi
for f in expected/*; do
  name=$(basename "$f")
  case "$name" in stdout|status) continue ;; esac
  if [ ! -f "$name" ]; then echo "missing output file: $name"; fail=1; continue; fi
  if ! cmp -s "$f" "$name"; then
    echo "--- $name differs:"; diff -u "$f" "$name" | head -n 60; fail=1
  fi
done
if [ -s actual.stderr ]; then echo "--- standard error:"; head -n 40 actual.stderr; fail=1; fi
exit $fail
