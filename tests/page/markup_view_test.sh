#!/usr/bin/env bash
# twinser-view on a case whose names are markup: the observed series in a
# folder named `</script><script>alert(1)<` as a file named
# `o<b>x<b><!--<script>.xk`, the simulated one named with a byte that is not
# UTF-8 and a tag, a station name that closes a script and opens a comment.
# The page must show them as text and run nothing.
#   markup_view_test.sh VIEW CASE_DIR SCREENSHOT.png   (CASE_DIR: tests/page/hourly)
set -u
view=$1 case_dir=$2 shot=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$case_dir"/. "$work"/
cd "$work" || exit 1
folder='</script><script>alert(1)<'
obs="$folder/o<b>x<b><!--<script>.xk"
sim=$'sim\xe9<img>.xk'
mkdir -p "$folder"
# the station: columns 1-24 of the first header line
{ printf '%-24s' '</script><!--x'; tail -c +25 obs.xk; } > "$obs"
mv sim.xk "$sim"
rm obs.xk
python3 - hourly.ctl "$obs" "$sim" <<'PY'
import sys
ctl, obs, sim = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode("utf-8", "surrogateescape")
text = open(ctl, "rb").read().replace(b"obs.xk sim.xk", obs + b" " + sim)
open(ctl, "wb").write(text)
PY
exec bash "$here/view_test.sh" "$view" "$work" hourly.ctl "$shot" \
  "$obs" $'sim\xef\xbf\xbd<img>.xk' 'station </script><!--x'
