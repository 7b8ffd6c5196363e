#!/usr/bin/env python3
"""Writes the end-to-end cases of the series reader (tests/golden/input_*).

Each case gets its control file, its two XK series files and its expected
terminal output, exit status and, for runs that stop while the series are
read, the expected report. Every expected text below is written out by hand
from the tool's documented messages; every count is worked out in the comment
beside it. Nothing here runs the tool.

Run it from anywhere; it rewrites the input_* directories beside it.
"""
import datetime
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))

# ------------------------------------------------------------------ texts

BANNER = ("\n\n"
          "       WELCOME TO USE THIS TOOL. IT IS USED TO CALCULATE\n"
          "             STATISTICS OF TWO TIME SERIES\n"
          "\n"
          "          -------------------------------------------\n"
          "\n"
          "   The time series must be in the XK format and the data must \n"
          "   be in one column. \n"
          "\n"
          "\n"
          "---------------------------------------------------------------------\n"
          "\n"
          "\n")

REPORT_HEAD = ("\n                       DATA INFORMATION \n"
               " ----------------------------------------------------------------- \n")

FINISH = ("\n\nTHE PROGRAM FINISHED SUCCESSFULLY!!\n"
          "\n(Note: To output data for selected events, use -o option)\n\n")

RULE55 = "-" * 55 + "\n"


def block(title, name, m1, y1, m2, y2, step, unit):
    return (f"{title}\n  file: {name}\n"
            f"  It covers the time period from {m1}/{y1} to {m2}/{y2} in {step} hr intervals\n"
            f"  Its unit: {unit}\n\n")


def period(between, hours, lo, ls, indent=""):
    return (f"{indent}Analysis will be conducted for data between {between}\n"
            f"\n{indent}Total hours of data have been read are {hours}\n"
            f"{indent}Total lines of data read from observed data {lo}\n"
            f"{indent}Total lines of data read from simulated data {ls}\n\n")


def summary(read, good, missing, maximum, area, step):
    """Terminal data summary; hours as integers, numbers as the terminal
    writes them (6 significant digits, no forced point), given as text."""
    text = (f"\n   There are {read} hours of data being read\n"
            f"   There are {good} hours of good data\n"
            f"   Total {missing} hours of were data missing\n\n")
    if area is not None:
        text += f" -----> Maximum value of flow: {maximum} (CMS)<-----\n\n"
        text += f" -----> BASIN AREA IS {area} KM^2 <-----\n"
    else:
        text += f" -----> Maximum rainfall value: {maximum} (mm) <-----\n\n"
        text += " -----> BASIN AREA IS NOT GIVEN. \nTHE PROGRAM ASSUMES YOU ARE DOING RAINFALL ANALYSIS\n"
    text += RULE55 + "\n"
    if step > 1:
        text += f"Analyses were based on time step of {step} hours\n\n"
    return text


def display(rows):
    text = "Following are few lines of data read by the program:\n"
    for k, (o, s) in enumerate(rows, 1):
        text += f"line {k}:   Qobs: {o}     Qsim: {s}\n"
    return text + "Are these data read correctly? \n\n"


# ------------------------------------------------------------------ files

def data_lines(tag, m1, y1, step, values):
    """One XK data line per value: 21 columns of station tag and date-time,
    then the value text right-aligned in 10 columns."""
    try:
        t = datetime.datetime(y1, m1, 1)
    except ValueError:  # a header made wrong on purpose: any dates will do
        t = datetime.datetime(2001, 2, 1)
    lines = []
    for v in values:
        t += datetime.timedelta(hours=step)
        lines.append(f"{tag:<8}{t.year:4d}{t.month:3d}{t.day:3d}{t.hour:3d}{v:>10}")
    return lines


def xk(unit, step, m1, y1, m2, y2, values=(), tag="GAUGE", comments=(), step_text=None):
    head = [f"$ {tag} series written for a test case"] + list(comments)
    step_text = f"{step:2d}" if step_text is None else step_text
    head.append(f"{tag + ' TEST SERIES':<24}{unit:4} {step_text}")
    head.append(f"{m1} {y1} {m2} {y2} 1 F10.3")
    return "\n".join(head + data_lines(tag, m1, y1, step, values)) + "\n"


def write_case(name, files, ctl, stdout, status, report=None, absent=()):
    d = os.path.join(HERE, name)
    shutil.rmtree(d, ignore_errors=True)
    os.makedirs(os.path.join(d, "expected"))
    with open(os.path.join(d, "args"), "w") as f:
        f.write("run.ctl\n")
    files = dict(files)
    files["run.ctl"] = ctl
    for fname, text in files.items():
        with open(os.path.join(d, fname), "w", newline="") as f:
            f.write(text)
    with open(os.path.join(d, "expected", "stdout"), "w") as f:
        f.write(stdout)
    with open(os.path.join(d, "expected", "status"), "w") as f:
        f.write(f"{status}\n")
    if report is not None:
        with open(os.path.join(d, "expected", "report.txt"), "w") as f:
            f.write(report)
    if absent:
        with open(os.path.join(d, "expected", "absent"), "w") as f:
            f.write("\n".join(absent) + "\n")


def control(period_items, records, obs="obs.xk", sim="sim.xk", report="report.txt"):
    return f"# test case\n@ run\n{obs} {sim} {report}\n{period_items}\n{records}"


FEB = dict(m1=2, y1=2001, m2=2, y2=2001)  # 28 days: 28 daily lines, 672 hours


def feb(unit, step, values=(), **kw):
    return xk(unit, step, 2, 2001, 2, 2001, values, **kw)


def blocks(obs_unit, obs_step, sim_unit, sim_step, period_=(2, 2001, 2, 2001),
           sim_period=None):
    m1, y1, m2, y2 = period_
    sm1, sy1, sm2, sy2 = sim_period or period_
    return (block("OBSERVED DATA:", "obs.xk", m1, y1, m2, y2, obs_step, obs_unit) +
            block("SIMULATED DATA:", "sim.xk", sm1, sy1, sm2, sy2, sim_step, sim_unit))


# ------------------------------------------------------------------ cases

def period_cases():
    # Observed daily 1/1990-12/1999 holds its day number 1..3652 (3652 = 10
    # years of 365 plus 1992 and 1996); simulated daily 10/1992-9/2000 holds
    # 5000 + its day number (2922 days: 92 + 7 * 365 + 2 leap days + 273).
    obs = xk("CMS ", 24, 1, 1990, 12, 1999, [str(i) for i in range(1, 3653)])
    sim = xk("CMS ", 24, 10, 1992, 9, 2000, [str(5000 + i) for i in range(1, 2923)])
    files = {"obs.xk": obs, "sim.xk": sim}
    heads = blocks("CMS ", 24, "CMS ", 24, (1, 1990, 12, 1999), (10, 1992, 9, 2000))

    # Common period 10/1992-12/1999. The observed file skips Jan 1990 - Sep
    # 1992: 365 + 365 + 274 = 1004 lines, so line 1 holds day 1005.
    # LINES = 92 (Oct-Dec 1992) + 6 * 365 (1993-1998) + 1 (1996) + 365 (1999)
    # = 2648; hours 2648 * 24 = 63552. Largest observed: day 3652.
    write_case("input_period_common", files,
               control("-1 -1 -1 -1 100", "@A 2\n@Q\n"),
               BANNER + "\n" + heads + period("10/1992 and 12/1999", 63552, 2648, 2648) +
               summary(63552, 63552, 0, "3652", "100", 24) +
               display([("1005", "5001"), ("1006", "5002")]) + FINISH, 0)

    # Requested 10/1993-9/1999: both files skip 10/1992-9/1993, 365 lines.
    # Observed day of 1 Oct 1993: 365 + 365 + 366 + 273 + 1 = 1370; simulated
    # 5000 + 366. LINES = 92 + 5 * 365 + 1 (1996) + 273 = 2191, hours 52584.
    # Largest observed: 30 Sep 1999 = 9 * 365 + 2 + 273 = 3560.
    write_case("input_period_requested", files,
               control("10 1993 9 1999 100", "@A 1\n@Q\n"),
               BANNER + "\n" + heads + period("10/1993 and 9/1999", 52584, 2191, 2191) +
               summary(52584, 52584, 0, "3560", "100", 24) +
               display([("1370", "5366")]) + FINISH, 0)

    # Checks of the requested period, on observed 9/1992-11/1992 (91 days)
    # and simulated 10/1992-1/1993 (123 days): common period 10/1992-11/1992.
    small = {"obs.xk": xk("CMS ", 24, 9, 1992, 11, 1992, ["1.0"] * 91),
             "sim.xk": xk("CMS ", 24, 10, 1992, 1, 1993, ["2.0"] * 123)}
    sheads = blocks("CMS ", 24, "CMS ", 24, (9, 1992, 11, 1992), (10, 1992, 1, 1993))
    early = "\nStarting analysis time error:\n  It is earlier than the time in available data "
    late = "\nEnding analysis time error:\n  It is later than the time in available data "
    checks = [
        ("input_period_start_month_early", "9 1992 11 1992", early + "(error in month)\n\n"),
        ("input_period_start_year_early", "5 1991 11 1992", early + "(error in year)\n\n"),
        ("input_period_start_month_13", "13 1992 11 1992", "Start month error\n"),
        ("input_period_start_month_13_earlier_year", "13 1991 11 1992", "Start month error\n"),
        ("input_period_end_month_late", "10 1992 12 1992", late + "(error in month)\n\n"),
        ("input_period_end_year_late", "10 1992 1 1993", late + "(error in year)\n\n"),
        ("input_period_end_month_13", "10 1992 13 1993", "End month error\n"),
        # not reached by the checks above: a later start year, an earlier end
        # month, and a start after the end
        ("input_period_start_month_unchecked", "13 1993 -1 -1",
         "Error: the first month of the analysis period, 13, is not a month from 1 to 12\n"),
        ("input_period_end_month_zero", "-1 -1 0 1992",
         "Error: the last month of the analysis period, 0, is not a month from 1 to 12\n"),
        ("input_period_start_after_end", "11 1992 10 1992",
         "Error: the analysis period would begin in 11/1992, after its end in 10/1992\n"),
    ]
    for name, items, message in checks:
        write_case(name, small, control(items + " 50", "@Q\n"),
                   BANNER + "\n" + sheads + message, 1, report=REPORT_HEAD + sheads)

    apart = {"obs.xk": xk("CMS ", 24, 1, 1990, 2, 1990), "sim.xk": xk("CMS ", 24, 1, 1991, 3, 1991)}
    aheads = blocks("CMS ", 24, "CMS ", 24, (1, 1990, 2, 1990), (1, 1991, 3, 1991))
    write_case("input_period_no_common_month", apart, control("-1 -1 -1 -1 50", "@Q\n"),
               BANNER + "\n" + aheads +
               "Error: the observed file (1/1990 to 2/1990) and the simulated file "
               "(1/1991 to 3/1991) have no month in common\n", 1, report=REPORT_HEAD + aheads)


def averaging_cases():
    # Observed hourly, simulated 6-hourly, no T record: the step is 6, each
    # line the mean of 6 hourly values whose negatives are missing.
    #   hours 1-6   1 2 -999 3 -999 6  -> 12 / 4 = 3
    #   hours 7-12  all -999           -> -999
    #   hours 13-18 -5 -999 -1 -2 -3 -4 -> all missing: the last, -4
    #   hours 19-24 1 2 3 4 5 7.25     -> 22.25 / 6 = 3.708333.. (3.70833)
    #   the rest 1.5
    obs = (["1", "2", "-999", "3", "-999", "6"] + ["-999"] * 6 +
           ["-5", "-999", "-1", "-2", "-3", "-4"] + ["1", "2", "3", "4", "5", "7.25"])
    obs += ["1.5"] * (672 - len(obs))
    sim = ["10", "20", "-999", "40"] + ["1.5"] * 108
    # 112 lines of 6 hours; line 2 (obs) and line 3 (sim) are -999: 110 good.
    # Area 0: depth wording. Largest observed 3.70833.
    write_case("input_average_hourly_to_6h",
               {"obs.xk": feb("MM  ", 1, obs), "sim.xk": feb("MM  ", 6, sim)},
               control("-1 -1 -1 -1 0", "@A 4\n@Q\n"),
               BANNER + "\n" + blocks("MM  ", 1, "MM  ", 6) + period("2/2001 and 2/2001", 672, 672, 112) +
               summary(672, 660, 12, "3.70833", None, 6) +
               display([("3", "10"), ("-999", "20"), ("-4", "-999"), ("3.70833", "40")]) + FINISH, 0)

    # Both 6-hourly, T record in lower case with 24: four values per line.
    # Observed all -999 -> every line -999, no good line, largest -999.
    # Simulated day 1: 1 2 3 4 -> 2.5; day 2: -1 5 -999 7 -> 12 / 2 = 6.
    sim = ["1", "2", "3", "4", "-1", "5", "-999", "7"] + ["0"] * 104
    write_case("input_tstep_t24_all_missing",
               {"obs.xk": feb("CMS ", 6, ["-999"] * 112), "sim.xk": feb("CMS ", 6, sim)},
               control("-1 -1 -1 -1 10", "@ t 24\n@A 3\n@Q\n"),
               BANNER + "\n" + blocks("CMS ", 6, "CMS ", 6) + period("2/2001 and 2/2001", 672, 112, 112) +
               summary(672, 0, 672, "-999", "10", 24) +
               display([("-999", "2.5"), ("-999", "6"), ("-999", "0")]) + FINISH, 0)


def temperature_cases():
    # Simulated 12-hourly in DEGF, observed daily in DEGC: the step is 24 (the
    # observed step, a multiple of 12). Inside a temperature mean only -999 is
    # missing:
    #   day 1: 212 212  -> 212 -> (212 - 32) * 5 / 9 = 100
    #   day 2: -999 -999 -> -999, left as it is
    #   day 3: -4 -999  -> -4 -> -36 * 5 / 9 = -20
    #   day 4: -22 50   -> 14 -> -18 * 5 / 9 = -10
    #   the rest 32 -> 0
    sim = ["212", "212", "-999", "-999", "-4", "-999", "-22", "50"] + ["32"] * 48
    obs = ["10", "-3.5", "-999"] + ["5"] * 25
    heads = blocks("DEGC", 24, "DEGF", 12)
    # day 2 (sim) and day 3 (obs) are missing: 26 good days, 624 hours.
    write_case("input_temperature_degf_converted",
               {"obs.xk": feb("DEGC", 24, obs), "sim.xk": feb("DEGF", 12, sim)},
               control("-1 -1 -1 -1 0", "@A 4\n@Q\n"),
               BANNER + "\n" + heads +
               "\n Warning: Units in the two time series are different\n"
               "  --> SIMULATED UNIT=DEGF  ||  OBSERVED UNIT=DEGC <--\n\n"
               " The unit for simulated time series DEGF has been converted as DEGC \n\n"
               "Your time series is temperature!\n\n" +
               period("2/2001 and 2/2001", 672, 28, 56) +
               "Doing conversion for simulated time series\n" +
               summary(672, 624, 48, "10", None, 24) +
               display([("10", "100"), ("-3.5", "-999"), ("-999", "-20"), ("5", "-10")]) + FINISH, 0)

    # Both DEGF: temperatures, nothing converted.
    write_case("input_temperature_both_degf",
               {"obs.xk": feb("DEGF", 24, ["212"] * 28), "sim.xk": feb("DEGF", 24, ["-40"] * 28)},
               control("-1 -1 -1 -1 0", "@A 1\n@Q\n"),
               BANNER + "\n" + blocks("DEGF", 24, "DEGF", 24) + "Your time series is temperature!\n\n" +
               period("2/2001 and 2/2001", 672, 28, 28) +
               summary(672, 672, 0, "212", None, 24) + display([("212", "-40")]) + FINISH, 0)

    heads = blocks("CMS ", 24, "MM  ", 24)
    warning = ("\n Warning: Units in the two time series are different\n"
               "  --> SIMULATED UNIT=MM    ||  OBSERVED UNIT=CMS  <--\n\n")
    error = "\n Error: Units in the two time series are different\n   They are not temperature time series\n\n"
    write_case("input_units_differ",
               {"obs.xk": feb("CMS ", 24), "sim.xk": feb("MM  ", 24)},
               control("-1 -1 -1 -1 10", "@Q\n"),
               BANNER + "\n" + heads + warning + error, 1,
               report=REPORT_HEAD + heads + warning + error)


def time_step_cases():
    above = ("given time step incompatible.\n"
             "must be greater than or equal to time steps found in data files,\n"
             "but not greater than 24hrs.\n"
             "please correct control file.\n\n")
    divisible = ("given time step incompatible.\n"
                 "must be devisible by time steps used in both data files.\n"
                 "please correct control file.\n\n")
    day = "can't compare time steps used in data files\ntime steps must be multiples of 24\n\n"
    each = "can't compare time steps used in data files\ntime steps must be multiples of each other\n\n"
    unread = ("Error: cannot read the time step of the T record from the control file run.ctl"
              " (missing or not a number)\n")
    cases = [
        ("input_tstep_t_below_file_step", 6, 24, "@T 12\n@Q\n", above),
        ("input_tstep_t_above_day", 6, 6, "@T 48\n@Q\n", above),
        ("input_tstep_t_not_multiple", 6, 12, "@T 18\n@Q\n", divisible),
        ("input_tstep_steps_not_multiples", 6, 4, "@Q\n", each),
        ("input_tstep_steps_not_dividing_day", 5, 5, "@Q\n", day),
        ("input_tstep_t_unreadable", 6, 6, "@T\n@Q\n", unread),
    ]
    for name, o, s, records, message in cases:
        heads = blocks("CMS ", o, "CMS ", s)
        write_case(name, {"obs.xk": feb("CMS ", o), "sim.xk": feb("CMS ", s)},
                   control("-1 -1 -1 -1 10", records),
                   BANNER + "\n" + heads + message, 1, report=REPORT_HEAD + heads)


def summary_cases():
    # Daily February 2001 with area 618.93 (flow). Observed day d holds d,
    # except days 3 and 7 (-999) and day 5 (-5, stored as read); simulated
    # holds 2 d except day 10 (-999). Good lines: 28 - 3 = 25: 600 hours good,
    # 72 missing. Largest observed: 28.
    obs = [str(d) for d in range(1, 29)]
    obs[2] = obs[6] = "-999"
    obs[4] = "-5"
    sim = [str(2 * d) for d in range(1, 29)]
    sim[9] = "-999"
    files = {"obs.xk": feb("CMS ", 24, obs), "sim.xk": feb("CMS ", 24, sim)}
    heads = blocks("CMS ", 24, "CMS ", 24)
    rows = list(zip(obs, sim))
    write_case("input_summary_flow_display_all", files,
               control("-1 -1 -1 -1 618.93", "@A 0\n@A 28\n@Q\n"),
               BANNER + "\n" + heads + period("2/2001 and 2/2001", 672, 28, 28) +
               summary(672, 600, 72, "28", "618.93", 24) + display([]) + display(rows) + FINISH, 0)
    lead = BANNER + "\n" + heads + period("2/2001 and 2/2001", 672, 28, 28) + summary(
        672, 600, 72, "28", "618.93", 24)
    write_case("input_display_beyond_lines", files, control("-1 -1 -1 -1 618.93", "@A 29\n@Q\n"),
               lead + "Invalid entry for lines display\nPlease correct the control file\n", 1)
    write_case("input_display_negative", files, control("-1 -1 -1 -1 618.93", "@A -1\n@Q\n"),
               lead + "Invalid entry for lines display\nPlease correct the control file\n", 1)
    write_case("input_display_unreadable", files, control("-1 -1 -1 -1 618.93", "@A\n@Q\n"),
               lead + "Error: cannot read the number of lines of selection A from the control file"
               " run.ctl (missing or not a number)\n", 1)

    # Hourly both, CRLF line ends, the observed file without a last line end,
    # long comment, header and data lines, a "$" in column 2, numbers with a
    # sign and an exponent; a negative area means depths. Step 1: no note.
    long_tail = "  " + "x" * 300
    obs = ["+1.5", "2.5e1"] + ["1"] * 670
    o_lines = data_lines("GAUGE", 2, 2001, 1, obs)
    o_lines[5] += long_tail
    o_text = "\r\n".join(["$" + "c" * 300, " $ second column", "GAUGE TEST SERIES       MM    1" + long_tail,
                          "2 2001 2 2001 1 F10.3" + long_tail] + o_lines)
    s_text = "\r\n".join(["GAUGE TEST SERIES       MM    1", "2 2001 2 2001 1 F10.3"] +
                         data_lines("GAUGE", 2, 2001, 1, ["2"] * 672)) + "\r\n"
    heads = blocks("MM  ", 1, "MM  ", 1)
    write_case("input_summary_depth_hourly_crlf", {"obs.xk": o_text, "sim.xk": s_text},
               control("-1 -1 -1 -1 -5", "@A 2\n@Q\n"),
               BANNER + "\n" + heads + period("2/2001 and 2/2001", 672, 672, 672) +
               summary(672, 672, 0, "25", None, 1) + display([("1.5", "2"), ("25", "2")]) + FINISH, 0)


def file_cases():
    daily_obs = ["1"] * 28
    daily_sim = ["2"] * 28
    heads = blocks("CMS ", 24, "CMS ", 24)
    obs_head = block("OBSERVED DATA:", "obs.xk", 2, 2001, 2, 2001, 24, "CMS ")
    counts = period("2/2001 and 2/2001", 672, 28, 28)
    rep_counts = period("2/2001 and 2/2001", 672, 28, 28, "   ")

    def case(name, obs, sim, message, shown, report, ctl_period="-1 -1 -1 -1 10"):
        write_case(name, {"obs.xk": obs, "sim.xk": sim}, control(ctl_period, "@Q\n"),
                   BANNER + "\n" + shown + message, 1, report=report)

    # Headers: the lines are numbered from 1, the "$" comment line included.
    short = "$ comment\n" + f"{'GAUGE TEST SERIES':<24}CMS  2" + "\n2 2001 2 2001 1 F10.3\n"  # 30 columns
    case("input_file_header_short", short, feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk: its first header line (line 2) is shorter than 31 columns\n",
         "", "")
    for name, text in [("blank", "  "), ("zero", " 0"), ("negative", "-6"), ("text", "ab")]:
        case(f"input_file_step_{name}", feb("CMS ", 24, daily_obs), feb("CMS ", 24, step_text=text),
             f"Error: simulated file sim.xk: the time step \"{text}\" in columns 30-31 of line 2"
             " is not a whole number of hours above 0\n",
             obs_head, REPORT_HEAD + obs_head)
    case("input_file_second_header_short",
         "$ c\nGAUGE TEST SERIES       CMS  24\n2 2001 2 2001 1\n" + "\n".join(
             data_lines("GAUGE", 2, 2001, 24, daily_obs)) + "\n",
         feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk: its second header line (line 3) does not give first month,"
         " first year, last month, last year, values per line and format\n", "", "")
    bad_month = xk("CMS ", 24, 13, 2001, 2, 2001, daily_obs)
    bad_head = block("OBSERVED DATA:", "obs.xk", 13, 2001, 2, 2001, 24, "CMS ")
    case("input_file_period_month", bad_month, feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk: the period 13/2001 to 2/2001 of its second header line (line 3)"
         " has a month outside 1 to 12\n", bad_head, REPORT_HEAD + bad_head)
    backwards = xk("CMS ", 24, 3, 2001, 2, 2001, daily_obs)
    back_head = block("OBSERVED DATA:", "obs.xk", 3, 2001, 2, 2001, 24, "CMS ")
    case("input_file_period_backwards", backwards, feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk: the period 3/2001 to 2/2001 of its second header line (line 3)"
         " ends before it begins\n", back_head, REPORT_HEAD + back_head)
    # years are 1 to 9999: a year far outside is named before its hours are
    # counted, and a negative year never reaches the analyses
    absurd = xk("CMS ", 24, 1, -2000000000, 2, 2001, daily_sim)
    absurd_head = obs_head + block("SIMULATED DATA:", "sim.xk", 1, -2000000000, 2, 2001, 24, "CMS ")
    case("input_file_period_absurd", feb("CMS ", 24, daily_obs), absurd,
         "Error: simulated file sim.xk: the period 1/-2000000000 to 2/2001 of its second header line"
         " (line 3) has a year outside 1 to 9999\n", absurd_head, REPORT_HEAD + absurd_head)
    # one month in the last year an int holds: its hours fit, but the month
    # arithmetic of the analyses would not
    huge = xk("CMS ", 24, 2, 2147483647, 2, 2147483647, daily_obs)
    huge_head = block("OBSERVED DATA:", "obs.xk", 2, 2147483647, 2, 2147483647, 24, "CMS ")
    case("input_file_year_too_large", huge, xk("CMS ", 24, 2, 2147483647, 2, 2147483647, daily_sim),
         "Error: observed file obs.xk: the period 2/2147483647 to 2/2147483647 of its second header line"
         " (line 3) has a year outside 1 to 9999\n", huge_head, REPORT_HEAD + huge_head,
         ctl_period="-1 -1 -1 -1 10\n@I 1")
    # year 0 and before, in the simulated file (the observed one is read first)
    early = xk("CMS ", 24, 2, -5, 2, 0, daily_sim)
    early_head = obs_head + block("SIMULATED DATA:", "sim.xk", 2, -5, 2, 0, 24, "CMS ")
    case("input_file_year_before_one", feb("CMS ", 24, daily_obs), early,
         "Error: simulated file sim.xk: the period 2/-5 to 2/0 of its second header line"
         " (line 3) has a year outside 1 to 9999\n", early_head, REPORT_HEAD + early_head)

    # Data: one comment line and two header lines, so day d is on line d + 3.
    # The simulated value of a line is read before the observed one.
    case("input_file_ends_early", feb("CMS ", 24, daily_obs[:27]), feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk ends after line 30, before the last line of the analysis period\n",
         heads + counts, REPORT_HEAD + heads + rep_counts)
    # observed from January with only 10 lines: it ends while skipping to February
    jan_heads = block("OBSERVED DATA:", "obs.xk", 1, 2001, 2, 2001, 24, "CMS ") + block(
        "SIMULATED DATA:", "sim.xk", 2, 2001, 2, 2001, 24, "CMS ")
    case("input_file_ends_in_skip", xk("CMS ", 24, 1, 2001, 2, 2001, ["1"] * 10), feb("CMS ", 24, daily_sim),
         "Error: observed file obs.xk ends after line 13, before the last line of the analysis period\n",
         jan_heads, REPORT_HEAD + jan_heads)
    sim = feb("CMS ", 24, daily_sim).split("\n")
    sim[8] = sim[8][:21]  # day 6, line 9, cut to 21 characters
    case("input_file_line_short", feb("CMS ", 24, daily_obs), "\n".join(sim),
         "Error: simulated file sim.xk: line 9 is shorter than 22 characters\n",
         heads + counts, REPORT_HEAD + heads + rep_counts)
    for name, value, what in [("unparsable", "abc", "line 11 holds no readable number after column 21"),
                              ("sign_only", "-", "line 11 holds no readable number after column 21"),
                              ("too_large", "1e999", "the value on line 11 is too large for a double"),
                              # cut short after its exponent letter: not read as 1
                              ("exponent_cut", "1e", "line 11 holds no readable number after column 21")]:
        obs = list(daily_obs)
        obs[7] = value  # day 8, line 11
        case(f"input_file_value_{name}", feb("CMS ", 24, obs), feb("CMS ", 24, daily_sim),
             f"Error: observed file obs.xk: {what}\n", heads + counts, REPORT_HEAD + heads + rep_counts)


def fault_order_cases():
    # Both files damaged: the run stops on the fault met first when each line
    # of the store takes its simulated value before its observed one. Day 8
    # is line 11 of either file, day 9 line 12.
    heads = blocks("CMS ", 24, "CMS ", 24)
    counts = period("2/2001 and 2/2001", 672, 28, 28)
    rep_counts = period("2/2001 and 2/2001", 672, 28, 28, "   ")
    obs, sim = ["1"] * 28, ["2"] * 28
    obs[7] = "abc"
    sim[7] = "-"
    write_case("input_file_faults_same_line", {"obs.xk": feb("CMS ", 24, obs), "sim.xk": feb("CMS ", 24, sim)},
               control("-1 -1 -1 -1 10", "@Q\n"),
               BANNER + "\n" + heads + counts +
               "Error: simulated file sim.xk: line 11 holds no readable number after column 21\n", 1,
               report=REPORT_HEAD + heads + rep_counts)
    sim = ["2"] * 28
    sim[8] = "1e+"
    write_case("input_file_faults_observed_first",
               {"obs.xk": feb("CMS ", 24, obs), "sim.xk": feb("CMS ", 24, sim)},
               control("-1 -1 -1 -1 10", "@Q\n"),
               BANNER + "\n" + heads + counts +
               "Error: observed file obs.xk: line 11 holds no readable number after column 21\n", 1,
               report=REPORT_HEAD + heads + rep_counts)


def carriage_return_cases():
    # White space before a value is skipped as stream extraction skips it, CR
    # included, up to the line end. Daily February 2001, area 618.93: observed
    # day d holds d, except day 8 (line 11) with a CR right after column 21
    # and day 9 (line 12) with a blank and a CR; simulated holds 2 d. Nothing
    # is missing: 672 hours good; the largest observed value is day 8's 65.5.
    obs = feb("CMS ", 24, [str(d) for d in range(1, 29)]).split("\n")
    obs[10] = obs[10][:21] + "\r65.50"
    obs[11] = obs[11][:21] + " \r9.5"
    sim = [str(2 * d) for d in range(1, 29)]
    rows = [(str(d), str(2 * d)) for d in range(1, 11)]
    rows[7] = ("65.5", "16")
    rows[8] = ("9.5", "18")
    write_case("input_file_value_after_cr", {"obs.xk": "\n".join(obs), "sim.xk": feb("CMS ", 24, sim)},
               control("-1 -1 -1 -1 618.93", "@A 10\n@Q\n"),
               BANNER + "\n" + blocks("CMS ", 24, "CMS ", 24) + period("2/2001 and 2/2001", 672, 28, 28) +
               summary(672, 672, 0, "65.5", "618.93", 24) + display(rows) + FINISH, 0)


def open_cases():
    files = {"obs.xk": feb("CMS ", 24, ["1"] * 28), "sim.xk": feb("CMS ", 24, ["2"] * 28)}
    write_case("input_open_observed", files, control("-1 -1 -1 -1 10", "@Q\n", obs="none.xk"),
               BANNER + "Cannot open observed file: none.xk\n\n", 1, absent=["report.txt"])
    write_case("input_open_simulated", files, control("-1 -1 -1 -1 10", "@Q\n", sim="none.xk"),
               BANNER + "Cannot open simulated file: none.xk\n\n", 1, absent=["report.txt"])
    write_case("input_open_report", files, control("-1 -1 -1 -1 10", "@Q\n", report="no/dir/report.txt"),
               BANNER + "Cannot open output file: no/dir/report.txt\n\n", 1)
    # a run stopped by a missing series leaves the event data of the last run whole
    files_with_events = dict(files, **{"event.dat": "events of the last run\n"})
    write_case("input_open_observed_keeps_event_data", files_with_events,
               control("-1 -1 -1 -1 10", "@Q\n", obs="none.xk"),
               BANNER + "EVENT DATA WILL BE OUTPUT\n" + "Cannot open observed file: none.xk\n\n", 1,
               absent=["report.txt"])
    d = os.path.join(HERE, "input_open_observed_keeps_event_data")
    with open(os.path.join(d, "args"), "w") as f:
        f.write("-o run.ctl\n")
    with open(os.path.join(d, "expected", "event.dat"), "w") as f:
        f.write("events of the last run\n")


def control_text_cases():
    # Daily February 2001, observed 1 and simulated 2 every day, area 10:
    # 672 hours, all good, largest observed value 1.
    files = {"obs.xk": feb("CMS ", 24, ["1"] * 28), "sim.xk": feb("CMS ", 24, ["2"] * 28)}
    whole = (BANNER + "\n" + blocks("CMS ", 24, "CMS ", 24) + period("2/2001 and 2/2001", 672, 28, 28) +
             summary(672, 672, 0, "1", "10", 24))
    # an editor's UTF-8 byte-order mark before the header record is passed over
    write_case("control_byte_order_mark", files, "\ufeff@ run\nobs.xk sim.xk report.txt\n-1 -1 -1 -1 10\n@A 2\n@Q\n",
               whole + display([("1", "2"), ("1", "2")]) + FINISH, 0)
    # lines ended by CR alone are one line to the reader: the message says so
    cr_note = "The control file run.ctl ends its lines with CR alone; save it with LF (or CR LF) line ends\n"
    write_case("control_cr_only_no_header", files,
               control("-1 -1 -1 -1 10", "@Q\n").replace("\n", "\r"),
               BANNER + "Error: the control file run.ctl has no header record (a line beginning with @)\n" +
               cr_note, 1, absent=["report.txt"])
    write_case("control_cr_only_header_first", files,
               "@ run\robs.xk sim.xk report.txt\r-1 -1 -1 -1 10\r@Q\r",
               BANNER + "Error: cannot read the observed file name of the header record from the control"
               " file run.ctl (missing or not a number)\n" + cr_note, 1, absent=["report.txt"])


if __name__ == "__main__":
    period_cases()
    averaging_cases()
    temperature_cases()
    time_step_cases()
    summary_cases()
    file_cases()
    fault_order_cases()
    carriage_return_cases()
    open_cases()
    control_text_cases()
