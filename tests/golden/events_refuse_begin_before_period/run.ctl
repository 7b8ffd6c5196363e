@ events_refuse_begin_before_period
obs.xk sim.xk report.out
-1 -1 -1 -1 12
@G
1
  6 1 20 1997    6 1 21 1997
@Q
