#!/usr/bin/env python3
"""Writes the corpus_* end-to-end cases: malformed control files and series
files that must end promptly with a message and exit status 1 (or, for line
ends of other systems, run normally). Each expected terminal text is written
out below from the tool's messages; none is taken from a run.

Base pair: daily flows of January 2000, observed 10 .. 40, simulated 11 .. 41,
basin area 100 km2. Rerun this script after changing a case."""
import os, shutil

root = os.path.dirname(os.path.abspath(__file__))
obs = [10.0 + i for i in range(31)]
sim = [11.0 + i for i in range(31)]

def xk(name, vals, period="1 2000 1 2000", step=24, eol="\n", final=True):
    lines = [f"{'$ comment line':<30}", f"{'TEST '+name:<24}CMS  {step:>2}", f"{period} 1 F10.3"]
    for d, v in enumerate(vals, 1):
        lines.append(f"{name:<10}01/{d:02d}/2000 {v:10.3f}")
    return eol.join(lines) + (eol if final else "")

BANNER = ("\n\n"
 "       WELCOME TO USE THIS TOOL. IT IS USED TO CALCULATE\n"
 "             STATISTICS OF TWO TIME SERIES\n\n"
 "          -------------------------------------------\n\n"
 "   The time series must be in the XK format and the data must \n"
 "   be in one column. \n\n\n"
 "---------------------------------------------------------------------\n\n\n")
OBS_BLOCK = "OBSERVED DATA:\n  file: obs.xk\n  It covers the time period from 1/2000 to 1/2000 in 24 hr intervals\n  Its unit: CMS \n\n"
SIM_BLOCK = OBS_BLOCK.replace("OBSERVED", "SIMULATED").replace("obs.xk", "sim.xk")
HEADS = "\n" + OBS_BLOCK + SIM_BLOCK
PERIOD = ("Analysis will be conducted for data between 1/2000 and 1/2000\n"
 "\nTotal hours of data have been read are 744\n"
 "Total lines of data read from observed data 31\n"
 "Total lines of data read from simulated data 31\n\n")
SUMMARY = ("\n   There are 744 hours of data being read\n"
 "   There are 744 hours of good data\n"
 "   Total 0 hours of were data missing\n\n"
 " -----> Maximum value of flow: 40 (CMS)<-----\n\n"
 " -----> BASIN AREA IS 100 KM^2 <-----\n"
 "-------------------------------------------------------\n\n"
 "Analyses were based on time step of 24 hours\n\n")
RUN = BANNER + HEADS + PERIOD + SUMMARY
FINISH = "\n\nTHE PROGRAM FINISHED SUCCESSFULLY!!\n\n(Note: To output data for selected events, use -o option)\n\n"
HEADER = "# malformed input\n@\nobs.xk sim.xk report.txt\n-1 -1 -1 -1 100\n"

def unreadable(what):
    return f"Error: cannot read {what} from the control file run.ctl (missing or not a number)\n"

def case(name, ctl, stdout, status=1, obs_text=None, sim_text=None):
    d = os.path.join(root, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(d + "/expected")
    open(d + "/args", "w").write("run.ctl\n")
    open(d + "/run.ctl", "wb").write(ctl if isinstance(ctl, bytes) else ctl.encode())
    open(d + "/obs.xk", "w", newline="").write(obs_text if obs_text is not None else xk("OBS", obs))
    open(d + "/sim.xk", "w", newline="").write(sim_text if sim_text is not None else xk("SIM", sim))
    open(d + "/expected/stdout", "w").write(stdout)
    open(d + "/expected/status", "w").write(f"{status}\n")

NO_HEADER = BANNER + "Error: the control file run.ctl has no header record (a line beginning with @)\n"

# control files that hold no header record at all
case("corpus_control_empty", "", NO_HEADER)
case("corpus_control_binary", bytes(range(256)).replace(b"\n@", b"\n.") * 3, NO_HEADER)

# every parameter missing at the end of the file, or not a number
case("corpus_time_step_missing", HEADER + "@T", BANNER + HEADS + unreadable("the time step of the T record"))
case("corpus_display_missing", HEADER + "@A\n", RUN + unreadable("the number of lines of selection A"))
case("corpus_values_count_missing", HEADER + "@E\n", RUN + unreadable("the number of values of selection E"))
case("corpus_values_count_too_large", HEADER + "@E 99999999999 20\n",
     RUN + unreadable("the number of values of selection E"))
# 20, 30 and 35 are reached (by 21, 11 and 6 lines); the fourth value is not there
case("corpus_values_announced_not_given", HEADER + "@E 9999999 20 30 35\n",
     RUN + unreadable("the next value of selection E"))
case("corpus_intervals_not_a_number", HEADER + "@D many\n", RUN + unreadable("the number of intervals of selection D"))
case("corpus_given_intervals_count_missing", HEADER + "@F", RUN + unreadable("the number of intervals of selection F"))
case("corpus_given_interval_bound_missing", HEADER + "@F 1 10\n",
     RUN + unreadable("the upper bound of interval 1 of selection F"))
case("corpus_event_count_too_large", HEADER + "@G 99999999999\n", RUN + unreadable("the event count of selection G"))
case("corpus_events_announced_not_given", HEADER + "@G 9999\n0 1 2 2000 0 1 3 2000\n0 1 4 2000 0 1 5 2000\n",
     RUN + unreadable("the begin hour of event 3 of selection G"))
case("corpus_event_year_too_large", HEADER + "@G 1\n0 1 2 99999999999 0 1 3 2000\n",
     RUN + unreadable("the begin year of event 1 of selection G"))
case("corpus_event_end_missing", HEADER + "@G 1\n0 1 2 2000 0 1\n",
     RUN + unreadable("the end day of event 1 of selection G"))
case("corpus_threshold_missing", HEADER + "@H", RUN + unreadable("the threshold of selection H"))
case("corpus_window_not_a_number", HEADER + "@H 10 wide\n", RUN + unreadable("the window (hours) of selection H"))
case("corpus_months_not_a_number", HEADER + "@I twelve\n", RUN + unreadable("the number of months of selection I"))

# series files that cannot be used
case("corpus_series_observed_empty", HEADER + "@Q\n",
     BANNER + "\nError: observed file obs.xk ends before its first header line\n", obs_text="")
case("corpus_series_simulated_ends_in_header", HEADER + "@Q\n",
     BANNER + "\n" + OBS_BLOCK + "Error: simulated file sim.xk ends before its second header line\n",
     sim_text=f"{'TEST SIM':<24}CMS  24\n")
# comment, two header lines and 20 data lines: line 23 is the last one there is
case("corpus_series_observed_ends_in_data", HEADER + "@Q\n",
     BANNER + HEADS + PERIOD +
     "Error: observed file obs.xk ends after line 23, before the last line of the analysis period\n",
     obs_text=xk("OBS", obs[:20]))
# a header period of two thousand years at a one-hour step: the store is
# allocated, then the file runs out after its single data line.
# 1000..2999: 2000 x 365 days + 485 leap days (500 fourth years, less 20
# centuries, plus 5 of 1200 1600 2000 2400 2800) = 730485 days = 17531640 h
case("corpus_series_centuries_hourly", HEADER + "@Q\n",
     BANNER + "\n" +
     OBS_BLOCK.replace("1/2000 to 1/2000 in 24", "1/1000 to 12/2999 in 1") +
     SIM_BLOCK.replace("1/2000 to 1/2000 in 24", "1/1000 to 12/2999 in 1") +
     "Analysis will be conducted for data between 1/1000 and 12/2999\n"
     "\nTotal hours of data have been read are 17531640\n"
     "Total lines of data read from observed data 17531640\n"
     "Total lines of data read from simulated data 17531640\n\n"
     "Error: simulated file sim.xk ends after line 4, before the last line of the analysis period\n",
     obs_text=xk("OBS", obs[:1], period="1 1000 12 2999", step=1),
     sim_text=xk("SIM", sim[:1], period="1 1000 12 2999", step=1))

# line ends of other systems and a last line without its end: a normal run
case("corpus_series_crlf_without_final_line_end", HEADER.replace("\n", "\r\n") + "@A 1\r\n@Q",
     RUN + "Following are few lines of data read by the program:\nline 1:   Qobs: 10     Qsim: 11\n"
     "Are these data read correctly? \n\n" + FINISH, status=0,
     obs_text=xk("OBS", obs, eol="\r\n", final=False), sim_text=xk("SIM", sim, final=False))
