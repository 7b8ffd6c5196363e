#!/usr/bin/env bash
# Builds the tool and its tests and runs every test: once as shipped, once more
# under AddressSanitizer and UndefinedBehaviorSanitizer. The browser tests
# (label `browser`) run in the first pass only: what they exercise is the page's
# script in Chromium, which the sanitizers do not see, and the binaries that
# write the page run under the sanitizers in the view.* and page.view_guarded
# tests all the same.
# Each phase prints its wall time; a test that hangs is stopped after the
# timeout its CMake registration gives it (ctest's default 120 s otherwise).
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh test
phase_start=$SECONDS
phase() { # name: the wall time of the phase that just ended
  echo "== $1: $((SECONDS - phase_start)) s"
  phase_start=$SECONDS
}
# TWINSER_TESTS named here: a build folder configured for the tools alone
# keeps that choice in its cache otherwise
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTWINSER_TESTS=ON
cmake --build build -j2
phase "release build"
ctest --test-dir build --output-on-failure -j2 --timeout 120
phase "release tests"

# -O1 with line tables only: the sanitizers' reports keep file and line, and
# the build takes about half the time of -O2 with full debug information
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DTWINSER_SANITIZE=ON -DTWINSER_TESTS=ON
cmake --build build-sanitize -j2
phase "sanitizer build"
# The series store lives until the run ends by design: its allocation alone
# is kept out of the leak reports (tests/lsan.supp); any other leak or report
# fails the test that triggered it.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 120 -LE browser
phase "sanitizer tests"
echo "== all tests passed in $SECONDS s"
