# run-control case
@ header label
obs.xk sim.xk report.txt
-1 -1 -1 -1 100
@t 24
@ a 2
@z
  @B
@ r
@a
0
@ q
