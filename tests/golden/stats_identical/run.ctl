# whole-period statistics only
@ stats_identical
obs.xk sim.xk report.out
-1 -1 -1 -1 100
@Q
