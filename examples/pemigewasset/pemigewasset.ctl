# Pemigewasset River at Woodstock, New Hampshire (USGS 01075000): observed
# hourly flow against the National Water Model v1.2 retrospective, water
# years 2011 and 2012, flows in CMS, hours in UTC.
@ Pemigewasset River, hourly
pemi_obs.xk pemi_sim.xk pemi_report.txt
10 2010 9 2012 504.288
# Five storms (hour month day year, begin then end, UTC): the rain of early
# October 2010, the rain on snow of early December 2010, the snowmelt and
# rain of late April 2011, Tropical Storm Irene (28 August 2011), and the
# spring 2012 window that rwrfhydro's event-timing code names one_event.
@G 5
1 10 1 2010 24 10 5 2010
0 12 1 2010 24 12 5 2010
0 4 26 2011 24 5 2 2011
0 8 27 2011 24 8 31 2011
8 3 1 2012 5 4 15 2012
# peaks above the flow at the NWS action stage, 83.8 CMS, in 72-hour windows
@H 83.8 72
@Q
