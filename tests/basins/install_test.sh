#!/usr/bin/env bash
# cmake --install puts twinser-basins, its manual page and the page's files in
# place; the installed command names the project's version, finds the
# twinser-view installed beside it and writes a campaign's table and page.
# usage: tests/basins/install_test.sh BUILD_DIR VERSION
set -u
build=$1 version=$2
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() {
  local what=$1
  shift
  "$@" || { echo "FAILED: $what"; fail=1; }
}
cmake --install "$build" --prefix "$work/p" > /dev/null || { echo "cmake --install failed"; exit 1; }
p=$work/p
check "the command installed" test -x "$p/bin/twinser-basins"
check "its manual page installed" test -f "$p/share/man/man1/twinser-basins.1"
check "the page's files installed" test -f "$p/share/twinser/basins/basins_page.js" -a \
  -f "$p/share/twinser/basins/uPlot.iife.min.js"
check "--version names the project version" \
  test "$("$p/bin/twinser-basins" --version)" = "twinser-basins $version"
check "scripts/run-basins from the checkout names it too" \
  test "$("$src/scripts/run-basins" --version)" = "twinser-basins $version"
check "--help" grep -q "^usage: twinser-basins" <("$p/bin/twinser-basins" --help)
python3 "$src/tests/basins/gen.py" "$work/c" plain 2
# no checkout, no build folder, no TWINSER_BIN_DIR: the installed view and
# the installed page files
(cd / && env -u TWINSER_BIN_DIR PATH=/usr/bin:/bin "$p/bin/twinser-basins" -j 2 "$work/c") \
  > "$work/out" 2>&1
check "the installed command runs a campaign" \
  grep -qx "2 basins, 4 runs: 4 finished, 0 finished after a refusal, 0 stopped" "$work/out"
check "with the installed twinser-view" grep -q "runs with $p/bin/twinser-view$" "$work/out"
check "and its page" grep -q 'id="basins-data"' "$work/c/basins.html"
[ $fail = 1 ] && cat "$work/out"
exit $fail
