# test case
@ run
obs.xk sim.xk report.txt
10 1992 1 1993 50
@Q
