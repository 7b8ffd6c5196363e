@
obs.xk sim.xk report.txt
1 99999999999 9 2000 100
