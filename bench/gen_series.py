#!/usr/bin/env python3
"""Writes a synthetic observed/simulated pair of XK series files for timing:
gen_series.py STEP_HOURS FIRST_YEAR LAST_YEAR DIR. A seasonal flow with storms,
a simulation that is late, damped and biased, and a few missing stretches."""
import calendar, math, os, random, sys

step, y1, y2, out = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
os.makedirs(out, exist_ok=True)
random.seed(7)
per_day = 24 // step
lines = sum((366 if calendar.isleap(y) else 365) for y in range(y1, y2 + 1)) * per_day
flow, storm = [], 0.0
for i in range(lines):
    t = i / per_day
    storm = storm * 0.97 + (random.random() * 400 if random.random() < 0.01 / per_day else 0)
    flow.append(20 + 15 * math.sin(2 * math.pi * t / 365.25) + storm)
for name, lag, scale in (("obs", 0, 1.0), ("sim", 2, 0.9)):
    with open(os.path.join(out, name + ".xk"), "w") as f:
        f.write(f"{'BENCH ' + name.upper():<24}CMS  {step:>2}\n")
        f.write(f"1 {y1} 12 {y2} 1 F10.3\n")
        for i in range(lines):
            v = flow[max(i - lag, 0)] * scale
            if name == "obs" and (i // (30 * per_day)) % 50 == 7:
                v = -999
            f.write(f"{'BENCH':<21}{v:10.3f}\n")
