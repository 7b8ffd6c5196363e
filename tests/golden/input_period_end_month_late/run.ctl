# test case
@ run
obs.xk sim.xk report.txt
10 1992 12 1992 50
@Q
