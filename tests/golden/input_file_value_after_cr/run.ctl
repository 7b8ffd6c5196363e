# test case
@ run
obs.xk sim.xk report.txt
-1 -1 -1 -1 618.93
@A 10
@Q
