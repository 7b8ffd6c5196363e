# test case
@ run
obs.xk sim.xk no/dir/report.txt
-1 -1 -1 -1 10
@Q
