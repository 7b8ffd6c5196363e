# test case
@ run
obs.xk sim.xk report.txt
-1 -1 0 1992 50
@Q
