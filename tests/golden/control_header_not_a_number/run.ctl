@
obs.xk sim.xk report.txt
Oct 1999 9 2000 100
