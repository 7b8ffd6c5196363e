# three refusals in one run: an ignored option, a mistyped letter, months
# outside 1 to 12; the analyses around them still run and the report is whole
@ header
obs.xk sim.xk report.out
-1 -1 -1 -1 86.4
@H 10 48
@J
@I 0
@I 1
@Q
