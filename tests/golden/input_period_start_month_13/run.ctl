# test case
@ run
obs.xk sim.xk report.txt
13 1992 11 1992 50
@Q
