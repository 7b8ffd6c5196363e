#!/usr/bin/env bash
# Rebuilds minam_depth_obs.xk and minam_depth_sim.xk from the CAMELS CSV pair
# as it stands: daily runoff depth in mm, 1980-10-01 to 2010-12-31.
#   ./make.sh [REALDATA_DIR]   (default: ../shared/realdata beside the repository)
# twinser-xk is taken from ../../build, or from $TWINSER_XK.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
realdata=${1:-$here/../../../shared/realdata}
xk=${TWINSER_XK:-$here/../../build/twinser-xk}
src=$realdata/camels_minam_13331500_daily
cd "$here"
for k in obs sim; do
  "$xk" --unit MM --station MINAM "$src/$k.csv" "minam_depth_$k.xk"
done
