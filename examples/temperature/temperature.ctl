# A synthetic daily mean air temperature (see README.md): the observed series
# in DEGF, the simulated one in DEGC, made from it with a shift of +0.8 C and
# noise; water years 2001 to 2003. The tool converts the DEGF series to DEGC.
# The area is not used by temperature statistics; 0 leaves it out.
@ Synthetic temperature, daily
temp_obs.xk temp_sim.xk temp_report.txt
10 2000 9 2003 0
# the first days on the terminal: observed values already in deg C
@A 3
# warm days: above 10 and above 15 deg C (observed)
@E 2 10 15
@Q
