# only comments
obs.xk sim.xk report.txt
