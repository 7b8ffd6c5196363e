# malformed input
@
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@Q
