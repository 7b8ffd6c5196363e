#!/usr/bin/env bash
# Rebuilds minam_obs.xk and minam_sim.xk from the CAMELS CSV pair: water years
# 1981 to 1990, runoff depth in mm/day turned into flow in m3/s over the
# 618.93 km2 of the basin.
#   ./make.sh [REALDATA_DIR]   (default: ../shared/realdata beside the repository)
# twinser-xk is taken from ../../build, or from $TWINSER_XK.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
realdata=${1:-$here/../../../shared/realdata}
xk=${TWINSER_XK:-$here/../../build/twinser-xk}
src=$realdata/camels_minam_13331500_daily
cd "$here"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for k in obs sim; do
  awk -F, 'NR == 1 || ($1 >= "1980-10-01" && $1 <= "1990-09-30")' "$src/$k.csv" > "$tmp/$k.csv"
  "$xk" --unit CMS --mm-to-cms 618.93 --station MINAM "$tmp/$k.csv" "minam_$k.xk"
done
