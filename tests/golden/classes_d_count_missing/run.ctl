# flow classes of the test basin, February 2001
@ test basin
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@D
