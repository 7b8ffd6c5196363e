# test case
@ run
obs.xk sim.xk report.txt
13 1993 -1 -1 50
@Q
