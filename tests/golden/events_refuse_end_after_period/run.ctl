@ events_refuse_end_after_period
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
2
 12 1 31 1998   0 2 1 1998
 12 1 31 1998   6 2 1 1998
@Q
