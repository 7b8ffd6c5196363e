#!/usr/bin/env bash
# Builds the tools and their tests and runs every test, each where it earns
# its time:
#   release build (as shipped): every end-to-end test (the expected reports,
#     summaries and pages are byte for byte those of the shipped binaries)
#     and the browser tests (the page's script in Chromium);
#   sanitizer build (AddressSanitizer and UndefinedBehaviorSanitizer): the
#     unit tests and every end-to-end test that runs our C++ code again, so
#     that a memory or undefined-behaviour fault anywhere fails the run.
# The unit tests run in the sanitizer build only: they check computations,
# which both builds carry out with the same floating-point flags and so to
# the same bits. The browser tests run in the release build only: the
# sanitizers do not see a page's script. Tests of scripts alone (manual
# pages, the schema's samples, the install) run once, in the release build.
# The sanitizer build compiles while the release tests run: those spend much
# of their time waiting on Chromium.
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
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTWINSER_TESTS=ON -DTWINSER_UNIT_TESTS=OFF \
  -DTWINSER_BROWSER_TESTS=ON
cmake --build build -j2
phase "release build"

# -O1 with line tables only: the sanitizers' reports keep file and line, and
# the build takes about half the time of -O2 with full debug information
sanitize_log=build/sanitizer-build.log
( cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DTWINSER_SANITIZE=ON -DTWINSER_TESTS=ON \
    -DTWINSER_UNIT_TESTS=ON -DTWINSER_BROWSER_TESTS=OFF &&
  nice cmake --build build-sanitize -j2 ) > "$sanitize_log" 2>&1 &
sanitize_build=$!
trap 'kill "$sanitize_build" 2> /dev/null || true' EXIT
# the release tests stop the run only once the sanitizer build is waited for
release_ok=0
ctest --test-dir build --output-on-failure -j2 --timeout 120 && release_ok=1
phase "release tests"
if ! wait "$sanitize_build"; then
  tail -n 60 "$sanitize_log"
  echo "== the sanitizer build failed (whole log: $sanitize_log)"
  exit 1
fi
trap - EXIT
phase "sanitizer build (the rest of it)"
[ "$release_ok" = 1 ] || { echo "== release tests failed"; exit 1; }

# The series store lives until the run ends by design: its allocation alone
# is kept out of the leak reports (tests/lsan.supp); any other leak or report
# fails the test that triggered it.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j2 --timeout 120 -LE script
phase "sanitizer tests"
echo "== all tests passed in $SECONDS s"
