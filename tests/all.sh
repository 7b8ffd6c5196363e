#!/usr/bin/env bash
# Builds the tool and its tests and runs every test: once as shipped, once more
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -eu
cd "$(dirname "$0")/.."
scripts/deps.sh test
# TWINSER_TESTS named here: a build folder configured for the tools alone
# keeps that choice in its cache otherwise
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTWINSER_TESTS=ON
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

# The series store lives until the run ends by design: its allocation alone
# is kept out of the leak reports (tests/lsan.supp); any other leak or report
# fails the test that triggered it.
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTWINSER_SANITIZE=ON -DTWINSER_TESTS=ON
cmake --build build-sanitize -j2
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j2
