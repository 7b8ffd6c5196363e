# test case
@ run
obs.xk sim.xk report.txt
10 1993 9 1999 100
@A 1
@Q
