# Minam River near Minam, Oregon (USGS 13331500): observed daily flow against
# a Snow-17 + SAC-SMA simulation, water years 1982 to 1989, flows in CMS.
@ Minam River, daily
minam_obs.xk minam_sim.xk minam_report.txt
10 1981 9 1989 618.93
@T 24
# the first days of the period on the terminal, to check the reading
@A 5
@Q
