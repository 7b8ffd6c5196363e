@ events_two_selections_event_data
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
3
  0 1 1 1998   18 1 1 1998
 17 1 2 1998    7 1 4 1998
 12 1 31 1998   0 2 1 1998
@G
1
  6 1 4 1998    6 1 5 1998
@Q
