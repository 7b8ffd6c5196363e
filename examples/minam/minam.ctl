# Minam River near Minam, Oregon (USGS 13331500): observed daily flow against
# a Snow-17 + SAC-SMA simulation, water years 1982 to 1989, flows in CMS.
@ Minam River, daily
minam_obs.xk minam_sim.xk minam_report.txt
10 1981 9 1989 618.93
@T 24
# the first days of the period on the terminal, to check the reading
@A 5
# high flows: the fit above 20, 40 and 60 CMS
@E 3 20 40 60
# the fit in ten equal flow classes up to the largest observed flow
@D 10
# low flows and the snowmelt range
@F 2 0 5 30 120
# three snowmelt floods (hour month day year, begin then end)
@G 3
0 4 15 1982 24 7 15 1982
0 4 15 1984 24 7 15 1984
0 4 15 1986 24 7 15 1986
# snowmelt peaks above 50 CMS, sought in 30-day windows
@H 50 720
# the water balance, water year by water year
@I 12
@Q
