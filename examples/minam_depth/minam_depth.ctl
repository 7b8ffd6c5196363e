# Minam River near Minam, Oregon (USGS 13331500): observed against simulated
# daily runoff depth in mm, water years 1981 to 2010. The area 0 makes the
# tool treat the values as depths (MM) and sum them as they are.
@ Minam River, daily runoff depth
minam_depth_obs.xk minam_depth_sim.xk minam_depth_report.txt
10 1980 9 2010 0
# days with more than 5 and more than 10 mm of runoff
@E 2 5 10
# the water balance, water year by water year, over thirty years
@I 12
@Q
