# whole-period statistics only
@ stats_flow
obs.xk sim.xk report.out
-1 -1 -1 -1 250.5
@Q
