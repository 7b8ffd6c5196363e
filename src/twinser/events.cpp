// Event analyses (selection G): the fit measures over user-given event windows
// (storms, floods), their centres of mass and maxima, the measures again with
// the simulated series moved so that both maxima fall on one line, and the
// window values in event.dat. Owns the event records and the per-event rows
// behind the mean lines.
//
// An event window is the run of lines line1 <= i < line2, where line1 is the
// line whose step ends at the begin date-time and line2 the one whose step
// ends at the end date-time. A begin at hour 0 of the period's first day puts
// line1 one line before the store; that line is never read and counts as
// missing (-999) everywhere, while it still counts in the window hours.
#include "twinser.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <new>
#include <string>

namespace twinser {

events_int* interval = nullptr;
events_flt* record_val = nullptr;
events_flt* record_val2 = nullptr;

// ------------------------------------------------- event windows and the store

// A window line that the series store holds.
static bool in_store(long long i) { return i >= 0 && i < LINES; }

// The value of a window line; a line outside the store is missing.
static double obs_at(long long i) { return in_store(i) ? Qobs[i] : MISSING; }
static double sim_at(long long i) { return in_store(i) ? Qsim[i] : MISSING; }

// One series' value takes part in a centre of mass: not negative (-999 is out).
static bool non_negative(double v) { return v >= 0; }

// The window of an event from its record: the lines whose steps end at the
// begin and at the end date-time, counted from the period's first step.
static void event_window(int event_num, int& line1, int& line2) {
  const events_int& ev = interval[event_num];
  line1 = hour_count(month_begin, year_begin, ev[1], ev[3], 1, time_step, ev[2], ev[0], time_step);
  line2 = hour_count(month_begin, year_begin, ev[5], ev[7], 1, time_step, ev[6], ev[4], time_step);
}

// Total of one series over an event window: depths (AREA <= 0 or not a number)
// are summed as they are; a flow in m3/s held for time_step hours and spread
// over AREA km2 is a runoff depth in mm.
static double event_total(double sum) {
  if (!(AREA > 0)) return sum;
  return time_step * 3600 * sum / (AREA * 1000);
}

// Hours from a fixed origin to hour h of day d of month m of year y on the
// Gregorian calendar. Hour 24 is hour 0 of the next day; day 0 and days past
// the end of a month run on into the neighbouring month; month 0 is December
// of the year before. Whole 400-year cycles are added so that the count of
// leap years below needs no negative division.
static std::int64_t instant(int y, int m, int d, int h) {
  if (m == 0) {
    m = 12;
    --y;
  }
  const std::int64_t cy = static_cast<std::int64_t>(y) + 400; // same leap years as y
  std::int64_t days = 365 * (cy - 1) + (cy - 1) / 4 - (cy - 1) / 100 + (cy - 1) / 400;
  for (int k = 1; k < m; ++k) days += days_of_month(k, y);
  days += d - 1;
  return days * 24 + h;
}

// ------------------------------------------------------------ date fields

// Event date-time as the statistics row and event.dat show it: month, day
// with '0' fill, year, hour; 6:00 of 5 March 1998 reads " 3/05/1998  6:00".
static void write_month_first(std::ostream& s, int hr, int mo, int dy, int yr) {
  s << std::setw(2) << mo << "/" << std::setfill('0') << std::setw(2) << dy << std::setfill(' ')
    << "/" << yr << std::setw(3) << hr << ":00";
}

// Start of a line's step as the centre of mass and maxima rows show it:
// hour, month and day with '0' fill, year; "  6:00 03/05/1998" for width 3.
static void write_line_date(int line, int hour_width) {
  int iy = 0, im = 0, id = 0, ih = 0;
  line_to_date(line, iy, im, id, ih);
  out << std::setw(hour_width) << ih << ":00 " << std::setfill('0') << std::setw(2) << im << "/"
      << std::setw(2) << id << "/" << std::setfill(' ') << iy;
}

// Event date-time of the peak-aligned row: hour first, only the day '0' filled.
static void write_hour_first(int hour_width, int hr, int mo, int dy, int yr) {
  out << std::setw(hour_width) << hr << ":00 " << std::setw(2) << mo << "/" << std::setfill('0')
      << std::setw(2) << dy << std::setfill(' ') << "/" << yr;
}

// ------------------------------------------------------ reading an event

// Reads hour, month, day and year of one date-time of an event; a field
// that is missing or not a number stops the run naming the field.
static void read_date_time(int event_num, const std::string& which, int* f) {
  const std::string of = " of event " + std::to_string(event_num + 1) + " of selection G";
  f[0] = read_int("the " + which + " hour" + of);
  f[1] = read_int("the " + which + " month" + of);
  f[2] = read_int("the " + which + " day" + of);
  f[3] = read_int("the " + which + " year" + of);
}

// The accepted ranges of hour, month, day and year. They do not make a real
// calendar date (month 0, day 31 of April pass); the instants are checked apart.
static bool fields_in_range(const int* f) {
  return f[0] >= 0 && f[0] <= 24 && f[1] >= 0 && f[1] <= 12 && f[2] >= 0 && f[2] <= 31 &&
         f[3] >= 0 && f[3] <= 2500;
}

// An event must lie inside the analysis period, from hour 0 of its first day
// to hour 24 of its last, on the real calendar. The line count alone cannot
// tell: it gives a positive line for a year before the period, and reading
// it would analyse the wrong data.
static bool inside_period(const int* b, const int* e) {
  const std::int64_t first = instant(year_begin, month_begin, 1, 0);
  const std::int64_t last =
      instant(year_end, month_end, days_of_month(month_end, year_end), 24);
  return instant(b[3], b[1], b[2], b[0]) >= first && instant(e[3], e[1], e[2], e[0]) <= last;
}

// ---------------------------------------------------- event statistics

// One event: reads and checks its date-times, snaps them outward to whole
// steps, stores its record, writes its row (and its event.dat block) and
// keeps its values for the mean line and the pooled summary.
//
// The measures are those of the whole-period table over the window's valid
// lines (both values >= 0); the RMS here is (sum o / n) x relative RMS.
// Ipcp = sum(o s) / sum o is the observed-weighted mean of the simulated
// series: with rainfall as the observed series and a rainfall location or
// variability index as the simulated one, the index weighted by rainfall.
// An event without a valid line gives nan throughout, as every table does.
void time_interval_bias(int event_num) {
  int b[4]; // begin hour, month, day, year
  int e[4]; // end hour, month, day, year
  read_date_time(event_num, "begin", b);
  if (!fields_in_range(b)) error_mess();
  read_date_time(event_num, "end", e);
  if (!fields_in_range(e)) error_mess();

  // widen to whole steps: the begin back, the end on
  while (b[0] % time_step != 0) --b[0];
  while (e[0] % time_step != 0) ++e[0];

  events_int& ev = interval[event_num];
  for (int j = 0; j < 4; ++j) {
    ev[j] = b[j];
    ev[4 + j] = e[j];
  }
  int line1 = 0, line2 = 0;
  event_window(event_num, line1, line2);
  if (!inside_period(b, e) || line2 <= line1) error_mess();

  const int hours = (line2 - line1) * time_step;
  out << std::setw(3) << event_num + 1 << ". ";
  write_month_first(out, b[0], b[1], b[2], b[3]);
  out << " ~ ";
  write_month_first(out, e[0], e[1], e[2], e[3]);

  if (OPTION_O == 1) {
    data_out << "\nEvent " << event_num + 1 << ":\n";
    write_month_first(data_out, b[0], b[1], b[2], b[3]);
    data_out << " ~ ";
    write_month_first(data_out, e[0], e[1], e[2], e[3]);
    data_out << "\n Observed    Simulated\n";
  }

  fit_sums f;
  for (int i = line1; i < line2; ++i) {
    const double o = obs_at(i);
    const double s = sim_at(i);
    if (OPTION_O == 1) data_out << std::setw(9) << o << std::setw(9) << s << "\n";
    if (both_non_negative(o, s)) f.add(o, s);
  }

  const double total_obs = event_total(f.Qobs_sum);
  const double total_sim = event_total(f.Qsim_sum);
  const double R = corr_r(f);
  const double rel = rel_rms(f);
  const double rms = rms_of_mean(f, rel);
  const double r = nash_r(rms, var_obs(f));
  const double Rm = R * spread_ratio(f);
  const double ipcp = f.Qobsxsim / f.Qobs_sum;
  const double pbias = percent_bias(f);
  const double abias = abs_percent_bias(f);

  out << std::setw(5) << hours << std::setprecision(4) << std::setw(9) << pbias << std::setw(8)
      << abias << std::setw(8) << 100 * rel << std::setprecision(3) << " " << std::setw(7) << R
      << " " << std::setw(7) << r << " " << std::setw(7) << Rm << std::setw(7) << total_obs
      << std::setw(7) << total_sim << std::setw(8) << ipcp << "\n";

  events_flt& row = record_val[event_num];
  row[0] = hours;
  row[1] = pbias;
  row[2] = abias;
  row[3] = 100 * rel;
  row[4] = R;
  row[5] = r;
  row[6] = Rm;
  row[7] = total_obs;
  row[8] = total_sim;
  events_flt& pool = record_val2[event_num];
  pool[0] = f.Qdiff_sum;
  pool[1] = f.Qobs_sum;
  pool[2] = rms;
  pool[3] = hours;
}

// --------------------------------------------------------- centre of mass

// Position (1-based, truncated) of a series' centre of mass in the window, or
// false when it has none: no value >= 0, or only zeros (0/0). The undefined
// quotient is never turned into an integer.
static bool centre_position(double moment, double mass, int& pos) {
  const double q = moment / mass;
  if (!std::isfinite(q)) return false;
  pos = static_cast<int>(q);
  return true;
}

// One event's centres of mass: the mean time of each series over the window,
// weighted by its values >= 0 (a line may count for one series and not the
// other). Sets diff to simulated minus observed centre, in hours, and to 0
// when either series has no centre.
void center_of_mass(int event_num, int& diff) {
  int line1 = 0, line2 = 0;
  event_window(event_num, line1, line2);
  // seconds of one step, and the time of the k-th window line in seconds:
  // 64 bits, since k x step x 3600 passes 2^31 for windows of ~24,855 days
  const std::int64_t step_seconds = static_cast<std::int64_t>(time_step) * 3600;
  double o_moment = 0, o_mass = 0, s_moment = 0, s_mass = 0;
  std::int64_t k = 0;
  for (int i = line1; i < line2; ++i) {
    ++k;
    const double at = static_cast<double>(k * step_seconds);
    const double o = obs_at(i);
    const double s = sim_at(i);
    if (non_negative(o)) {
      o_moment += at * o;
      o_mass += o;
    }
    if (non_negative(s)) {
      s_moment += at * s;
      s_mass += s;
    }
  }
  o_mass = o_mass * static_cast<double>(step_seconds);
  s_mass = s_mass * static_cast<double>(step_seconds);

  int ocom = 0, scom = 0;
  const bool has_o = centre_position(o_moment, o_mass, ocom);
  const bool has_s = centre_position(s_moment, s_mass, scom);
  diff = (has_o && has_s) ? (scom - ocom) * time_step : 0;

  out << std::setw(3) << event_num + 1 << ".";
  if (has_o)
    write_line_date(line1 + ocom - 1, 5);
  else
    out << std::setw(19) << "no mass";
  if (has_s)
    write_line_date(line1 + scom - 1, 6);
  else
    out << std::setw(20) << "no mass";
  if (has_o && has_s)
    out << std::setw(8) << diff;
  else
    out << std::setw(8) << "n/a";
  out << "\n";
}

// ------------------------------------------------------------------ maxima

// One event's maxima: the first line of the largest observed and of the
// largest simulated value in the window (a plateau peaks on its first line;
// -999 never beats a present value). The search starts at the first window
// line inside the store; a window wholly outside it keeps line1, missing.
// Stores the peak shift (simulated minus observed maximum line) in the event
// record, writes the row and returns simulated over observed maximum.
double max_flow(int event_num) {
  int line1 = 0, line2 = 0;
  event_window(event_num, line1, line2);
  int first = line1;
  while (first < line2 && !in_store(first)) ++first;
  if (first == line2) first = line1;
  int omax = first, smax = first;
  for (int i = first; i < line2; ++i) {
    if (obs_at(i) > obs_at(omax)) omax = i;
    if (sim_at(i) > sim_at(smax)) smax = i;
  }
  const int shift = smax - omax;
  interval[event_num][8] = shift;
  const double o_peak = obs_at(omax);
  const double s_peak = sim_at(smax);
  const double ratio = s_peak / o_peak;

  out << std::setw(3) << event_num + 1 << "." << std::setprecision(6) << std::setw(10) << o_peak
      << "   ";
  write_line_date(omax, 2);
  out << std::setw(10) << s_peak << "   ";
  write_line_date(smax, 2);
  out << std::setw(5) << shift * time_step << std::setprecision(3) << std::setw(9) << ratio << " "
      << std::setw(9) << ratio - 1 << "\n";
  out << std::setprecision(4);

  events_flt& pool = record_val2[event_num];
  pool[0] = o_peak;
  pool[1] = std::fabs(o_peak - s_peak);
  pool[2] = shift * time_step;
  return ratio;
}

// -------------------------------------------------- peak-aligned statistics

// One event with the simulated series moved by its peak shift, so that the
// simulated maximum meets the observed one: window line i pairs Qobs[i] with
// Qsim[i + shift]. What is left differs from the first table in volume and
// shape, not timing. A moved line outside the store is missing, so its pair
// is out. Measures as in the event statistics, without Rm and Ipcp.
void shifted_time_interval_bias(int event_num) {
  int line1 = 0, line2 = 0;
  event_window(event_num, line1, line2);
  const events_int& ev = interval[event_num];
  const long long shift = ev[8];

  fit_sums f;
  for (int i = line1; i < line2; ++i) {
    const double o = obs_at(i);
    const double s = sim_at(i + shift);
    if (both_non_negative(o, s)) f.add(o, s);
  }
  const int hours = (line2 - line1) * time_step;
  const double total_obs = event_total(f.Qobs_sum);
  const double total_sim = event_total(f.Qsim_sum);
  const double R = corr_r(f);
  const double rel = rel_rms(f);
  const double rms = rms_of_mean(f, rel);
  const double r = nash_r(rms, var_obs(f));
  const double pbias = percent_bias(f);
  const double abias = abs_percent_bias(f);

  out << std::setw(3) << event_num + 1 << ".";
  write_hour_first(4, ev[0], ev[1], ev[2], ev[3]);
  out << " ~ ";
  write_hour_first(2, ev[4], ev[5], ev[6], ev[7]);
  out << std::setw(8) << hours << std::setprecision(4) << std::setw(10) << pbias << std::setw(10)
      << abias << std::setw(10) << 100 * rel << std::setprecision(3) << std::setw(8) << R << " "
      << std::setw(7) << r << std::setw(9) << total_obs << std::setw(9) << total_sim << "\n";

  events_flt& row = record_val[event_num];
  row[0] = hours;
  row[1] = pbias;
  row[2] = abias;
  row[3] = 100 * rel;
  row[4] = R;
  row[5] = r;
  row[6] = total_obs;
  row[7] = total_sim;
}

// -------------------------------------------------------------- the driver

static void hyphens(int count) { out << std::string(static_cast<std::size_t>(count), '-') << "\n"; }

// N rows of a per-event array, zeroed; allocated once per G selection and
// kept to the end of the run.
template <typename Row>
static Row* event_rows(int count, const char* name) {
  Row* rows = new (std::nothrow) Row[static_cast<std::size_t>(count)]();
  if (rows == nullptr) stop(std::string("Memory allocation error for ") + name + "\n");
  return rows;
}

// Mean over the events of column j of record_val. N = 0 gives 0/0 = nan.
static double column_mean(int count, int j) {
  double sum = 0;
  for (int e = 0; e < count; ++e) sum += record_val[e][j];
  return sum / count;
}

static void statistics_heading() {
  out << "\n                                       STATISTICS FOR GIVEN EVENTS/TIME INTERVALS\n";
  out << "                                                         Abs.                       "
         "           Total  Total   Pcp Loc\n";
  if (AREA > 0) {
    out << " Event                                            %        %       %           "
           "Nash-S.  Modi.   Obs    Sim  or Pcp Var\n";
    out << "Number              Period                Hrs    Bias    Bias     RMS     R       "
           "r      Rm    Q (mm) Q (mm)   Index*\n";
  } else {
    out << " Event                                            %        %       %          "
           "Nash-S. Modi.   Obs    Sim  or Pcp Var\n";
    out << "Number              Period                Hrs    Bias    Bias     RMS     R      r  "
           "   Rm   Pcp(mm) Pcp(mm)  Index*\n";
  }
  hyphens(118);
}

// Means of the event rows, the pooled bias and RMS over all events, and the
// footnote on the Ipcp column. Pooled: B = 100 S0 / S1 and Bavg = 100 A0 / S1
// from the events' sums of s - o (S0, and A0 of their absolute values) and of
// o (S1); flood RMS = 100 S2 S3 / (N S1) from the sums of the event RMS (S2)
// and of the hours (S3). Bavg >= |B|, since it adds the absolute differences.
static void statistics_summary(int count) {
  out << "\n        Mean Values:  ------------->> " << std::setprecision(3);
  for (int j = 0; j <= 8; ++j) out << std::setw(8) << column_mean(count, j);

  double S0 = 0, S1 = 0, S2 = 0, S3 = 0, A0 = 0;
  for (int e = 0; e < count; ++e) {
    S0 += record_val2[e][0];
    S1 += record_val2[e][1];
    S2 += record_val2[e][2];
    S3 += record_val2[e][3];
    A0 += std::fabs(record_val2[e][0]);
  }
  const double B = 100 * S0 / S1;
  const double Bavg = 100 * A0 / S1;
  const double flood_rms = 100 * S2 * S3 / (count * S1);
  out << "\n\n       Overall bias, B, %     Flood bias, Bavg, %   Flood, RMS, %\n";
  out << "             " << B << "                   " << Bavg << "               " << flood_rms
      << "\n";

  out << "\n";
  out << "  *:  This is valid/meaningful only when your analyze precipitation location index\n";
  out << "      and precipitation variability index.\n";
  out << "       Ipcp_stats (Ipcp_loc) = SUM(Ipcp_t*pt)/SUM(pt)";
  out << "   Ipcp_stats (Ipcp_var) = SUM(STD*pt)/SUM(pt)\n";
  out << "\n\n";
}

// Centre of mass table and the mean signed and absolute time differences
// (hours; sums in double, so N = 0 gives nan).
static void centre_table(int count) {
  out << "\n\n            CENTER OF MASS FOR GIVEN EVENTS\n";
  hyphens(56);
  out << "           Observed           Simulated        Time\n";
  out << "Event   Center of Mass      Center of Mass  Diff. (Hr.)\n";
  hyphens(56);
  double sum = 0, abs_sum = 0;
  for (int e = 0; e < count; ++e) {
    int diff = 0;
    center_of_mass(e, diff);
    sum += diff;
    abs_sum += std::abs(diff);
  }
  out << std::setprecision(4);
  out << "\n";
  out << "Mean value of time difference for above events --> " << sum / count << " (hours)\n";
  out << "Mean value of absolute time difference for above events --> " << abs_sum / count
      << " (hours)\n\n";
  out << "\n\n";
}

// Maxima table, its mean line and the pooled peak statistics:
// Ep = 100 sum|Omax - Smax| / sum Omax (%), Bp = sum of the peak time
// differences (hours, a sum, not a mean), Bp,avg = mean absolute peak time
// difference (hours). The mean line shows the mean of |1 - ratio| where the
// rows show the signed ratio - 1.
static void maxima_table(int count) {
  if (AREA > 0) {
    out << "                           MAXIMUM VALUES OF FLOW FOR GIVEN EVENTS\n";
    out << "      -----------------------------------------------------------------------------"
           "-----\n";
    out << "       Observed                    Simulated                    Time  Max Flow  "
           "Relative\n";
    out << "Event    Max          Date            Max          Date         Diff.   Ratio  "
           "Peak Error\n";
  } else {
    out << "                        MAXIMUM VALUES OF RAINFALL FOR GIVEN PERIODS\n";
    out << "      -----------------------------------------------------------------------------"
           "-----\n";
    out << "       Observed                    Simulated                    Time  Max Rain  "
           "Relative\n";
    out << "Period   Max          Date            Max          Date         Diff.   Ratio  "
           "Peak Error\n";
  }
  hyphens(89);
  double ratio_sum = 0, deviation_sum = 0, time_sum = 0;
  for (int e = 0; e < count; ++e) {
    const double ratio = max_flow(e);
    ratio_sum += ratio;
    deviation_sum += std::fabs(1 - ratio);
    time_sum += static_cast<double>(interval[e][8]) * time_step;
  }
  out << std::setprecision(4);
  out << "\n                                 Mean value --------->>" << std::setw(12)
      << time_sum / count << std::setw(9) << ratio_sum / count << " " << std::setw(9)
      << deviation_sum / count << "\n";

  double P0 = 0, P1 = 0, P2 = 0, A2 = 0;
  std::cout << "\n\n\n";
  for (int e = 0; e < count; ++e) {
    P0 += record_val2[e][0];
    P1 += record_val2[e][1];
    P2 += record_val2[e][2];
    A2 += std::fabs(record_val2[e][2]);
  }
  const double Ep = 100 * P1 / P0;
  const double Bp = P2;
  const double Bp_avg = A2 / count;
  out << "\n Overall Peak Flow Statistics:" << " (for " << count << " events)" << "\n";
  out << " Peak Error, Ep, %  *   Overall Peak Time Bias, Bp, hrs   *   Peak Time Error, "
         "Bp,avg, hrs\n";
  out << std::setw(12) << Ep << std::setw(28) << Bp << std::setw(35) << Bp_avg << "\n";
  out << " Averaged observed peak flow for all events: " << P0 / count << " CMS\n";
  out << "\n\n\n";
}

// Peak-aligned table and the mean of its eight columns; ends the section
// without a newline.
static void shifted_table(int count) {
  out << "                          STATISTICS FOR GIVEN TIME INTERVAL/EVENT WITH SIMULATED\n";
  out << "                                   DATA SHIFTED TO ALIGN MAXIMUM VALUES\n";
  out << "                 ----------------------------------------------------------------------"
         "---\n";
  out << "                                                            Absolute                  "
         "  Nash-S.  Total     Total\n";
  out << "                                                   Percent   Percent    Percent       "
         "          Observed  Simulated\n";
  if (AREA > 0)
    out << "Event               Period                  Hours   Bias       Bias       RMS      R "
           "     r    Flow (mm)  Flow (mm)\n";
  else
    out << "Event               Period                  Hours   Bias       Bias       RMS      R "
           "     r     Pcp (mm)  Pcp (mm)\n";
  hyphens(115);
  for (int e = 0; e < count; ++e) shifted_time_interval_bias(e);
  static const int widths[8] = {10, 10, 10, 10, 8, 8, 10, 9};
  out << "\n          Mean Values:  ----------->>  " << std::setprecision(3);
  for (int j = 0; j < 8; ++j) out << std::setw(widths[j]) << column_mean(count, j);
}

// Selection G: reads the event count, then each event as its row is written
// (so the rows before a bad event stay in the report), and writes the four
// tables of the section. Each G selection has its own arrays.
void event() {
  divide();
  statistics_heading();

  const int count = read_int("the event count of selection G");
  if (count < 0 || count > 9999)
    stop("Invalid entry for an event (num=" + std::to_string(count) +
         ")\nPlease correct the control file \n");
  interval = event_rows<events_int>(count, "interval");
  record_val = event_rows<events_flt>(count, "record_val");
  record_val2 = event_rows<events_flt>(count, "record_val2");

  for (int e = 0; e < count; ++e) time_interval_bias(e);
  statistics_summary(count);
  centre_table(count);
  record_val2 = event_rows<events_flt>(count, "record_val2");
  maxima_table(count);
  shifted_table(count);
}

} // namespace twinser
