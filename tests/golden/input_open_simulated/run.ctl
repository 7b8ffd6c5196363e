# test case
@ run
obs.xk none.xk report.txt
-1 -1 -1 -1 10
@Q
