# test case
@ run
obs.xk sim.xk report.txt
5 1991 11 1992 50
@Q
