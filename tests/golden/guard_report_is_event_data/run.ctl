@
obs.xk sim.xk event.dat
-1 -1 -1 -1 100
@Q
