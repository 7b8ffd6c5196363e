@ events_count_out_of_range
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
10000
@Q
