@ events_unreadable_day
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
1
 6 1 x 1998  6 1 5 1998
@Q
