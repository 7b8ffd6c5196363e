# test case
@ run
obs.xk sim.xk report.txt
-1 -1 -1 -1 10
@ t 24
@A 3
@Q
