# malformed input
@
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@G 1
0 1 2 2000 0 1
