@ events_third_event_bad_year
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
3
  0 1 1 1998   18 1 1 1998
 17 1 2 1998    7 1 4 1998
 12 1 31 2501   0 2 1 1998
@Q
