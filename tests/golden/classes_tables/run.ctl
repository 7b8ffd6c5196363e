# flow classes of the test basin, February 2001
@ test basin
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@E 4 20 0 10 100 7
@D 3
@F 3
10 40
40 10
0 9999999.0
5 6
@Q
