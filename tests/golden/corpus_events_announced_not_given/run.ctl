# malformed input
@
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@G 9999
0 1 2 2000 0 1 3 2000
0 1 4 2000 0 1 5 2000
