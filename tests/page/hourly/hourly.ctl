# Three months of hourly flow with four storms: the simulation is five hours
# late and 15 % low; 30 observed hours are missing in February.
@ hourly storms
obs.xk sim.xk hourly_report.txt
-1 -1 -1 -1 250
@E 2 20 50
@G 2
0 1 8 1990 24 1 14 1990
0 1 29 1990 12 2 4 1990
@H 30 24
@I 1
@Q
