#!/usr/bin/env bash
# The page of a hand-written summary with generated series, checked in the
# browser:  sample_test.sh PAGE_SAMPLE SUMMARY.json SCREENSHOT.png [TEXT ...]
set -u
sample=$1 summary=$2 shot=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$sample" "$summary" "$work/page.html" || { echo "page_sample failed"; exit 1; }
exec bash "$(dirname "$0")/browser_test.sh" "$work/page.html" "$summary" "$shot" "$@"
