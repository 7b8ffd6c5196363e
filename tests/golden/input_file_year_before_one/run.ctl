# test case
@ run
obs.xk sim.xk report.txt
-1 -1 -1 -1 10
@Q
