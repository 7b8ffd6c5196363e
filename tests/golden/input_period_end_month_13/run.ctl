# test case
@ run
obs.xk sim.xk report.txt
10 1992 13 1993 50
@Q
