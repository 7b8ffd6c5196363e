# test case
@ run
obs.xk sim.xk report.txt
9 1992 11 1992 50
@Q
