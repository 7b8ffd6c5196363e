# whole-period statistics only
@ stats_six_hour
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@Q
