#!/usr/bin/env python3
"""Writes the two CSV files of the temperature example: a synthetic daily
mean air temperature, water years 2001 to 2003, as an "observed" series in
degrees Fahrenheit and a "simulated" one in degrees Celsius made from it.

Nothing here is measured. The temperature of day d (day of year doy) is

    T(d) = 6.0 - 10.5 * cos(2 pi (doy - 20) / 365.25) + a(d)      [deg C]
    a(d) = 0.7 * a(d-1) + 2.2 * z(d)

a seasonal cycle of a mid-latitude mountain valley (coldest about 20
January at -4.5 C, warmest about 21 July at 16.5 C) with day-to-day weather
as a first-order autoregressive anomaly (standard deviation about 3.1 C).

- Observed: T in deg F, 9/5 T + 32, rounded to 0.1 F, in a CSV with a
  station and a flag column; 10 January to 19 January 2002 are missing (NA,
  flag M), a sensor outage.
- Simulated: made from the observed series, converted to deg C, shifted by
  +0.8 C and given noise of standard deviation 1.2 C, rounded to 0.01 C
  (on the ten missing days from T itself), in a semicolon CSV with decimal
  commas whose time stamps mark the end of each day (00:00 of the next).

The noise z is deterministic: the sum of twelve uniform numbers minus 6
(mean 0, variance 1), the uniforms from a 64-bit linear congruential
generator (multiplier 6364136223846793005, increment 1442695040888963407),
seeded 2001 for the weather and 2003 for the simulation noise, so the files
are the same on every machine.

    python3 make_csv.py      (writes obs_degf.csv and sim_degc.csv here)
"""
import datetime
import math
import os


class Noise:
    def __init__(self, seed):
        self.x = seed

    def uniform(self):
        self.x = (6364136223846793005 * self.x + 1442695040888963407) % 2**64
        return (self.x >> 11) / 2**53

    def normal(self):
        return sum(self.uniform() for _ in range(12)) - 6


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    weather, model = Noise(2001), Noise(2003)
    first, last = datetime.date(2000, 10, 1), datetime.date(2003, 9, 30)
    outage = (datetime.date(2002, 1, 10), datetime.date(2002, 1, 19))
    a = 0.0
    obs = ["date,station,tmean_F,flag"]
    sim = ["time;tair_C"]
    day = first
    while day <= last:
        doy = day.timetuple().tm_yday
        a = 0.7 * a + 2.2 * weather.normal()
        t = 6.0 - 10.5 * math.cos(2 * math.pi * (doy - 20) / 365.25) + a
        f = round(t * 9 / 5 + 32, 1)
        missing = outage[0] <= day <= outage[1]
        obs.append(f"{day},SYN01,{'NA' if missing else f'{f:.1f}'},{'M' if missing else 'A'}")
        base = t if missing else (f - 32) * 5 / 9
        s = round(base + 0.8 + 1.2 * model.normal(), 2)
        end = day + datetime.timedelta(days=1)
        sim.append(f"{end} 00:00;{s:.2f}".replace(".", ","))
        day = end
    with open(os.path.join(here, "obs_degf.csv"), "w") as f:
        f.write("\n".join(obs) + "\n")
    with open(os.path.join(here, "sim_degc.csv"), "w") as f:
        f.write("\n".join(sim) + "\n")


if __name__ == "__main__":
    main()
