# whole-period statistics only
@ stats_depth
obs.xk sim.xk report.out
-1 -1 -1 -1 -5
@Q
