@ events_count_missing
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
@Q
