@
obs.xk sim.xk ./obs.xk
-1 -1 -1 -1 100
@Q
