#!/usr/bin/env bash
# Runs twinser-view on a case in a fresh directory and checks its summary
# against the shipped schema, with the faults of check_schema.py --mutations
# put into it one at a time (each must fail); then again with --no-bootstrap,
# whose summary must fit too and say why the interval is left out.
# Usage: schema_faults.sh TWINSER_VIEW CASE_DIR
set -u
view=$1
case_dir=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 1
ctl=$(ls *.ctl | head -n 1)
fail=0
timeout 60 "$view" "$ctl" > stdout || { echo "twinser-view failed"; cat stdout; exit 1; }
json=$(grep -a '^Summary written to: ' stdout | sed 's/^Summary written to: //; s/, .*//')
python3 "$here/check_schema.py" --mutations "$json" || fail=1
cp "$json" with.json
timeout 60 "$view" --no-bootstrap "$ctl" > stdout || { echo "twinser-view --no-bootstrap failed"; exit 1; }
python3 "$here/check_schema.py" "$json" || fail=1
python3 - with.json "$json" <<'PY' || fail=1
import json, sys
a, b = (json.load(open(n)) for n in sys.argv[1:])
u = b["whole_period"]["uncertainty"]
if u != {"reason": "left out (--no-bootstrap)"}:
    sys.exit(f"--no-bootstrap gives {u!r}")
if "p05" not in a["whole_period"]["uncertainty"]["nse"]:
    sys.exit("no interval of NSE without --no-bootstrap")
# everything else is the same
for d in (a, b):
    d["whole_period"].pop("uncertainty")
if a != b:
    sys.exit("--no-bootstrap changed more than the uncertainty")
PY
exit $fail
