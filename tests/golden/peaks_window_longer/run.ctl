# peaks above a threshold and accumulated depth
@ header
obs.xk sim.xk report.out
-1 -1 -1 -1 86.4
@H 10 768
@Q
