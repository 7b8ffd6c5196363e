# whole-period statistics only
@ stats_temperature
obs.xk sim.xk report.out
-1 -1 -1 -1 0
@Q
