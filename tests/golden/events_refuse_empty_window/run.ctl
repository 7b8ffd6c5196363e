@ events_refuse_empty_window
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
1
 24 1 5 1998    0 1 6 1998
@Q
