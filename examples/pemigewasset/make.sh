#!/usr/bin/env bash
# Rebuilds pemi_obs.xk and pemi_sim.xk from the hourly CSV pair: water years
# 2011 and 2012, flows in m3/s, stamps in UTC marking the end of each hour.
#   ./make.sh [REALDATA_DIR]   (default: ../shared/realdata beside the repository)
# twinser-xk is taken from ../../build, or from $TWINSER_XK.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
realdata=${1:-$here/../../../shared/realdata}
xk=${TWINSER_XK:-$here/../../build/twinser-xk}
src=$realdata/nwm_pemigewasset_01075000_hourly
cd "$here"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for k in obs sim; do
  # the source starts with the stamp 2010-10-01 00:00, the end of the last
  # hour of September; it ends the cut at 2012-10-01 00:00, the end of the
  # last hour of water year 2012
  awk -F, 'NR == 1 || $1 <= "2012-10-01 00:00"' "$src/$k.csv" > "$tmp/$k.csv"
  "$xk" --unit CMS --station PEMI "$tmp/$k.csv" "pemi_$k.xk"
done
