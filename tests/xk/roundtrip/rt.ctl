# round trip: both series made from CSV files
@
obs.xk sim.xk report.txt
-1 -1 -1 -1 10
@A 34
@Q
