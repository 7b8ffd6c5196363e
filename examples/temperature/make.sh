#!/usr/bin/env bash
# Rebuilds the two CSV files (synthetic, see make_csv.py) and the series
# files made from them: the observed series in degrees Fahrenheit, the
# simulated one in degrees Celsius.
# twinser-xk is taken from ../../build, or from $TWINSER_XK.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
xk=${TWINSER_XK:-$here/../../build/twinser-xk}
cd "$here"
python3 make_csv.py
# the value column chosen by name; the NA days become -999
"$xk" --unit DEGF --value-col tmean_F --station SYN01 obs_degf.csv temp_obs.xk
# semicolons and decimal commas are recognised; each stamp closes its day
"$xk" --unit DEGC --station SYN01 sim_degc.csv temp_sim.xk
