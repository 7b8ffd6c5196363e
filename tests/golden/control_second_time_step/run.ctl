# run-control case
@ header label
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@T 24
@T 24
@Q
