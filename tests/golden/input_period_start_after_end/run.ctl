# test case
@ run
obs.xk sim.xk report.txt
11 1992 10 1992 50
@Q
