@
obs.xk sim.xk report.txt
-1 -1
