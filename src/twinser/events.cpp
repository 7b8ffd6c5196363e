// Event analyses (selection G): the fit measures over user-given event windows
// (storms, floods), their centres of mass and maxima, the measures again with
// the simulated series moved so that both maxima fall on one line, and the
// window values in event.dat. Owns the event records; the rows behind the
// mean lines are those of the selection's record.
//
// An event window is the run of lines line1 <= i < line2, where line1 is the
// line whose step ends at the begin date-time and line2 the one whose step
// ends at the end date-time. A begin at hour 0 of the period's first day puts
// line1 one line before the store; that line is never read and counts as
// missing (-999) everywhere, while it still counts in the window hours.
#include "twinser.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <variant>

namespace twinser {

events_int* interval = nullptr;

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
// over AREA km2 is a runoff depth in mm. The accumulated depth (depth_mm in
// peaks.cpp) does the same conversion in its own order, which its report has
// always shown; keep each order as it is, or the last digits move.
static double event_total(double sum) {
  if (!is_flow()) return sum;
  return time_step * 3600 * sum / (AREA * 1000);
}

// Hours from the calendar's origin to hour h of day d of month m of year y.
// Hour 24 is hour 0 of the next day; day 0 and days past the end of a month
// run on into the neighbouring month; month 0 is December of the year before.
static std::int64_t instant(int y, int m, int d, int h) {
  if (m == 0) {
    m = 12;
    --y;
  }
  return common::days_from_civil(y, m, d) * 24 + h;
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
static void write_line_date(const line_date& d, int hour_width) {
  out << std::setw(hour_width) << d.hour << ":00 " << std::setfill('0') << std::setw(2) << d.month
      << "/" << std::setw(2) << d.day << "/" << std::setfill(' ') << d.year;
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

// The measures are those of the whole-period table over the window's valid
// lines (both values >= 0); the RMS here is (sum o / n) x relative RMS.
// Ipcp = sum(o s) / sum o is the observed-weighted mean of the simulated
// series: with rainfall as the observed series and a rainfall location or
// variability index as the simulated one, the index weighted by rainfall.
// An event without a valid line gives nan throughout, as every table does.
void event_statistics(event_row& ev) {
  fit_sums f;
  for (int i = ev.line1; i < ev.line2; ++i) {
    const double o = obs_at(i);
    const double s = sim_at(i);
    if (both_non_negative(o, s)) f.add(o, s);
  }
  ev.hours = (ev.line2 - ev.line1) * time_step;
  ev.total_obs = event_total(f.Qobs_sum);
  ev.total_sim = event_total(f.Qsim_sum);
  ev.stats = measure_bundle(f, rms_order::of_mean);
}

// One value of an event.dat column into p: 6 significant digits in the
// shortest of fixed and exponent form, trailing zeros dropped ("20.011",
// "-999", "1.23457e+06"), right-aligned in 9 columns. These are the digits
// data_out has always written with its own flags (no showpoint, precision 6,
// C locale) and width 9; a wider value takes the room it needs. Returns the
// end of what was written.
static char* put_window_value(char* p, double v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 6);
  const std::size_t len = ec == std::errc{} ? static_cast<std::size_t>(end - text) : 0;
  if (len < 9) {
    std::memset(p, ' ', 9 - len);
    p += 9 - len;
  }
  std::memcpy(p, text, len);
  return p + len;
}

// The window values of an event, one line a step: observed and simulated in
// two columns. The block is formatted in one buffer a few thousand lines at a
// time and handed to data_out whole; a century-long window is a million lines.
static void write_window_values(int line1, int line2) {
  constexpr int BATCH = 4096;                // lines formatted before each write
  constexpr std::size_t LINE_ROOM = 2 * 32 + 1; // bytes one line can take at most
  std::string block(BATCH * LINE_ROOM, ' ');
  for (int from = line1; from < line2;) {
    const int to = line2 - from > BATCH ? from + BATCH : line2;
    char* p = block.data();
    for (int i = from; i < to; ++i) {
      p = put_window_value(p, obs_at(i));
      p = put_window_value(p, sim_at(i));
      *p++ = '\n';
    }
    data_out.write(block.data(), p - block.data());
    from = to;
  }
}

// The block of window values of every event read, in event.dat.
void write_event_data(const event_record& r) {
  for (const event_row& ev : r.events) {
    const int* b = ev.begin;
    const int* e = ev.end;
    data_out << "\nEvent " << ev.number << ":\n";
    write_month_first(data_out, b[0], b[1], b[2], b[3]);
    data_out << " ~ ";
    write_month_first(data_out, e[0], e[1], e[2], e[3]);
    data_out << "\n Observed    Simulated\n";
    write_window_values(ev.line1, ev.line2);
  }
}

// The event's row of the statistics table.
static void write_statistics_row(const event_row& ev) {
  const int* b = ev.begin;
  const int* e = ev.end;
  out << std::setw(3) << ev.number << ". ";
  write_month_first(out, b[0], b[1], b[2], b[3]);
  out << " ~ ";
  write_month_first(out, e[0], e[1], e[2], e[3]);

  const fit_row& m = ev.stats;
  out << std::setw(5) << ev.hours << std::setprecision(4) << std::setw(9) << m.pbias << std::setw(8)
      << m.abs_pbias << std::setw(8) << m.pct_rms << std::setprecision(3) << " " << std::setw(7)
      << m.r_corr << " " << std::setw(7) << m.nash << " " << std::setw(7) << m.r_mod << std::setw(7)
      << ev.total_obs << std::setw(7) << ev.total_sim << std::setw(8) << m.ipcp << "\n";
}

// One event: reads and checks its date-times, snaps them outward to whole
// steps, stores its event record, and computes its statistics.
event_row time_interval_bias(int event_num) {
  int b[4]; // begin hour, month, day, year
  int e[4]; // end hour, month, day, year
  read_date_time(event_num, "begin", b);
  if (!fields_in_range(b)) error_mess();
  read_date_time(event_num, "end", e);
  if (!fields_in_range(e)) error_mess();

  // widen to whole steps: the begin back, the end on
  while (b[0] % time_step != 0) --b[0];
  while (e[0] % time_step != 0) ++e[0];

  events_int& rec = interval[event_num];
  event_row ev;
  ev.number = event_num + 1;
  for (int j = 0; j < 4; ++j) {
    rec[j] = ev.begin[j] = b[j];
    rec[4 + j] = ev.end[j] = e[j];
  }
  event_window(event_num, ev.line1, ev.line2);
  if (!inside_period(b, e) || ev.line2 <= ev.line1) error_mess();
  // dated by the ends of its first line in the store and of its last line
  ev.first_end = end_of_step(std::max(ev.line1, 0));
  ev.last_end = end_of_step(ev.line2 - 1);

  event_statistics(ev);
  return ev;
}

// Means of the event rows, the pooled bias and RMS over all events. Pooled:
// B = 100 S0 / S1 and Bavg = 100 A0 / S1 from the events' sums of s - o (S0,
// and A0 of their absolute values) and of o (S1); flood RMS =
// 100 S2 S3 / (N S1) from the sums of the event RMS (S2) and of the hours
// (S3). Bavg >= |B|, since it adds the absolute differences. N = 0 gives nan.
void statistics_means(event_record& r) {
  const int count = static_cast<int>(r.events.size());
  double column[9] = {};
  double S0 = 0, S1 = 0, S2 = 0, S3 = 0, A0 = 0;
  for (const event_row& ev : r.events) {
    const fit_row& m = ev.stats;
    const double row[9] = {static_cast<double>(ev.hours), m.pbias, m.abs_pbias, m.pct_rms,
                           m.r_corr, m.nash, m.r_mod, ev.total_obs, ev.total_sim};
    for (int j = 0; j < 9; ++j) column[j] += row[j];
    S0 += m.sums.Qdiff_sum;
    S1 += m.sums.Qobs_sum;
    S2 += m.rms;
    S3 += ev.hours;
    A0 += std::fabs(m.sums.Qdiff_sum);
  }
  for (int j = 0; j < 9; ++j) r.statistics_means[j] = column[j] / count;
  r.overall_bias = 100 * S0 / S1;
  r.flood_bias = 100 * A0 / S1;
  r.flood_rms = 100 * S2 * S3 / (count * S1);
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
// other). The difference is simulated minus observed centre, in hours, and 0
// when either series has no centre.
void event_centre(event_row& ev) {
  // seconds of one step, and the time of the k-th window line in seconds:
  // 64 bits, since k x step x 3600 passes 2^31 for windows of ~24,855 days
  const std::int64_t step_seconds = static_cast<std::int64_t>(time_step) * 3600;
  double o_moment = 0, o_mass = 0, s_moment = 0, s_mass = 0;
  std::int64_t k = 0;
  for (int i = ev.line1; i < ev.line2; ++i) {
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

  ev.has_obs_centre = centre_position(o_moment, o_mass, ev.obs_centre);
  ev.has_sim_centre = centre_position(s_moment, s_mass, ev.sim_centre);
  if (ev.has_obs_centre) {
    ev.obs_centre_line = ev.line1 + ev.obs_centre - 1;
    ev.obs_centre_date = date_of_line(ev.obs_centre_line);
    ev.obs_centre_end = end_of_step(ev.obs_centre_line);
  }
  if (ev.has_sim_centre) {
    ev.sim_centre_line = ev.line1 + ev.sim_centre - 1;
    ev.sim_centre_date = date_of_line(ev.sim_centre_line);
    ev.sim_centre_end = end_of_step(ev.sim_centre_line);
  }
  ev.centre_diff =
      (ev.has_obs_centre && ev.has_sim_centre) ? (ev.sim_centre - ev.obs_centre) * time_step : 0;
}

static void write_centre_row(const event_row& ev) {
  out << std::setw(3) << ev.number << ".";
  if (ev.has_obs_centre)
    write_line_date(ev.obs_centre_date, 5);
  else
    out << std::setw(19) << "no mass";
  if (ev.has_sim_centre)
    write_line_date(ev.sim_centre_date, 6);
  else
    out << std::setw(20) << "no mass";
  if (ev.has_obs_centre && ev.has_sim_centre)
    out << std::setw(8) << ev.centre_diff;
  else
    out << std::setw(8) << "n/a";
  out << "\n";
}

void center_of_mass(event_row& ev) { event_centre(ev); }

// Mean signed and absolute time differences (hours; sums in double, so
// N = 0 gives nan).
void centre_means(event_record& r) {
  const int count = static_cast<int>(r.events.size());
  double sum = 0, abs_sum = 0;
  for (const event_row& ev : r.events) {
    sum += ev.centre_diff;
    abs_sum += std::abs(ev.centre_diff);
  }
  r.centre_mean = sum / count;
  r.centre_abs_mean = abs_sum / count;
}

// ------------------------------------------------------------------ maxima

// One event's maxima: the first line of the largest observed and of the
// largest simulated value in the window (a plateau peaks on its first line;
// -999 never beats a present value). The search starts at the first window
// line inside the store; a window wholly outside it keeps line1, missing.
void event_maxima(event_row& ev) {
  int first = ev.line1;
  while (first < ev.line2 && !in_store(first)) ++first;
  if (first == ev.line2) first = ev.line1;
  int omax = first, smax = first;
  for (int i = first; i < ev.line2; ++i) {
    if (obs_at(i) > obs_at(omax)) omax = i;
    if (sim_at(i) > sim_at(smax)) smax = i;
  }
  ev.shift = smax - omax;
  ev.obs_peak_line = omax;
  ev.sim_peak_line = smax;
  ev.obs_peak = obs_at(omax);
  ev.sim_peak = sim_at(smax);
  ev.ratio = ev.sim_peak / ev.obs_peak;
  ev.relative_error = ev.ratio - 1;
  ev.shift_hours = ev.shift * time_step;
  ev.obs_peak_date = date_of_line(omax);
  ev.sim_peak_date = date_of_line(smax);
  ev.obs_peak_end = end_of_step(omax);
  ev.sim_peak_end = end_of_step(smax);
}

static void write_maxima_row(const event_row& ev) {
  out << std::setw(3) << ev.number << "." << std::setprecision(6) << std::setw(10) << ev.obs_peak
      << "   ";
  write_line_date(ev.obs_peak_date, 2);
  out << std::setw(10) << ev.sim_peak << "   ";
  write_line_date(ev.sim_peak_date, 2);
  out << std::setw(5) << ev.shift_hours << std::setprecision(3) << std::setw(9) << ev.ratio
      << " " << std::setw(9) << ev.relative_error << "\n";
  out << std::setprecision(4);
}

// Stores the peak shift in the event record as well, where the peak-aligned
// table reads it; returns simulated over observed maximum.
double max_flow(int event_num, event_row& ev) {
  event_maxima(ev);
  interval[event_num][8] = ev.shift;
  return ev.ratio;
}

// The maxima mean line and the pooled peak statistics:
// Ep = 100 sum|Omax - Smax| / sum Omax (%), Bp = sum of the peak time
// differences (hours, a sum, not a mean), Bp,avg = mean absolute peak time
// difference (hours). The mean line shows the mean of |1 - ratio| where the
// rows show the signed ratio - 1.
void maxima_means(event_record& r) {
  const int count = static_cast<int>(r.events.size());
  double ratio_sum = 0, deviation_sum = 0, time_sum = 0;
  double P0 = 0, P1 = 0, P2 = 0, A2 = 0;
  for (const event_row& ev : r.events) {
    ratio_sum += ev.ratio;
    deviation_sum += std::fabs(1 - ev.ratio);
    time_sum += static_cast<double>(ev.shift) * time_step;
    const double time_diff = ev.shift * time_step;
    P0 += ev.obs_peak;
    P1 += std::fabs(ev.obs_peak - ev.sim_peak);
    P2 += time_diff;
    A2 += std::fabs(time_diff);
  }
  r.time_mean = time_sum / count;
  r.ratio_mean = ratio_sum / count;
  r.deviation_mean = deviation_sum / count;
  r.peak_error = 100 * P1 / P0;
  r.peak_time_bias = P2;
  r.peak_time_error = A2 / count;
  r.mean_obs_peak = P0 / count;
}

// -------------------------------------------------- peak-aligned statistics

// One event with the simulated series moved by its peak shift, so that the
// simulated maximum meets the observed one: window line i pairs Qobs[i] with
// Qsim[i + shift]. What is left differs from the first table in volume and
// shape, not timing. A moved line outside the store is missing, so its pair
// is out. Measures as in the event statistics, without Rm and Ipcp.
void event_aligned(event_row& ev) {
  const long long shift = ev.shift;
  fit_sums f;
  for (int i = ev.line1; i < ev.line2; ++i) {
    const double o = obs_at(i);
    const double s = sim_at(i + shift);
    if (both_non_negative(o, s)) f.add(o, s);
  }
  ev.aligned_total_obs = event_total(f.Qobs_sum);
  ev.aligned_total_sim = event_total(f.Qsim_sum);
  ev.aligned = measure_bundle(f, rms_order::of_mean);
}

static void write_aligned_row(const event_row& ev) {
  const fit_row& m = ev.aligned;
  out << std::setw(3) << ev.number << ".";
  write_hour_first(4, ev.begin[0], ev.begin[1], ev.begin[2], ev.begin[3]);
  out << " ~ ";
  write_hour_first(2, ev.end[0], ev.end[1], ev.end[2], ev.end[3]);
  out << std::setw(8) << ev.hours << std::setprecision(4) << std::setw(10) << m.pbias
      << std::setw(10) << m.abs_pbias << std::setw(10) << m.pct_rms << std::setprecision(3)
      << std::setw(8) << m.r_corr << " " << std::setw(7) << m.nash << std::setw(9)
      << ev.aligned_total_obs << std::setw(9) << ev.aligned_total_sim << "\n";
}

// The shift is the one max_flow stored in the event record.
void shifted_time_interval_bias(int event_num, event_row& ev) {
  ev.shift = interval[event_num][8];
  event_aligned(ev);
}

// Mean of the eight columns of the peak-aligned table.
void aligned_means(event_record& r) {
  const int count = static_cast<int>(r.events.size());
  double column[8] = {};
  for (const event_row& ev : r.events) {
    const fit_row& m = ev.aligned;
    const double row[8] = {static_cast<double>(ev.hours), m.pbias, m.abs_pbias, m.pct_rms,
                           m.r_corr, m.nash, ev.aligned_total_obs, ev.aligned_total_sim};
    for (int j = 0; j < 8; ++j) column[j] += row[j];
  }
  for (int j = 0; j < 8; ++j) r.aligned_means[j] = column[j] / count;
}

// -------------------------------------------------------------- the driver

static void hyphens(int count) { out << std::string(static_cast<std::size_t>(count), '-') << "\n"; }

// N event records, zeroed; allocated once per G selection and kept until the
// next one (or the next run) needs the room.
static events_int* event_records(int count) {
  static std::unique_ptr<events_int[]> rows;
  rows.reset(new (std::nothrow) events_int[static_cast<std::size_t>(count)]());
  if (rows == nullptr) stop("Memory allocation error for interval\n");
  return rows.get();
}

static void statistics_heading() {
  out << "\n                                       STATISTICS FOR GIVEN EVENTS/TIME INTERVALS\n";
  out << "                                                         Abs.                       "
         "           Total  Total   Pcp Loc\n";
  if (is_flow()) {
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

// Mean line, pooled bias and RMS, and the footnote on the Ipcp column.
static void statistics_summary(const event_record& r) {
  out << "\n        Mean Values:  ------------->> " << std::setprecision(3);
  for (int j = 0; j <= 8; ++j) out << std::setw(8) << r.statistics_means[j];

  out << "\n\n       Overall bias, B, %     Flood bias, Bavg, %   Flood, RMS, %\n";
  out << "             " << r.overall_bias << "                   " << r.flood_bias
      << "               " << r.flood_rms << "\n";

  out << "\n";
  out << "  *:  This is valid/meaningful only when your analyze precipitation location index\n";
  out << "      and precipitation variability index.\n";
  out << "       Ipcp_stats (Ipcp_loc) = SUM(Ipcp_t*pt)/SUM(pt)";
  out << "   Ipcp_stats (Ipcp_var) = SUM(STD*pt)/SUM(pt)\n";
  out << "\n\n";
}

// Centre of mass table and its two mean lines.
static void centre_table(const event_record& r) {
  out << "\n\n            CENTER OF MASS FOR GIVEN EVENTS\n";
  hyphens(56);
  out << "           Observed           Simulated        Time\n";
  out << "Event   Center of Mass      Center of Mass  Diff. (Hr.)\n";
  hyphens(56);
  for (const event_row& ev : r.events) write_centre_row(ev);
  out << std::setprecision(4);
  out << "\n";
  out << "Mean value of time difference for above events --> " << r.centre_mean << " (hours)\n";
  out << "Mean value of absolute time difference for above events --> " << r.centre_abs_mean
      << " (hours)\n\n";
  out << "\n\n";
}

// Maxima table, its mean line and the pooled peak statistics. Three blank
// lines go to the terminal between the two, as they always have.
static void maxima_table(const event_record& r) {
  if (is_flow()) {
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
  const int count = static_cast<int>(r.events.size());
  for (const event_row& ev : r.events) write_maxima_row(ev);
  out << std::setprecision(4);
  out << "\n                                 Mean value --------->>" << std::setw(12)
      << r.time_mean << std::setw(9) << r.ratio_mean << " " << std::setw(9) << r.deviation_mean
      << "\n";

  std::cout << "\n\n\n";
  out << "\n Overall Peak Flow Statistics:" << " (for " << count << " events)" << "\n";
  out << " Peak Error, Ep, %  *   Overall Peak Time Bias, Bp, hrs   *   Peak Time Error, "
         "Bp,avg, hrs\n";
  out << std::setw(12) << r.peak_error << std::setw(28) << r.peak_time_bias << std::setw(35)
      << r.peak_time_error << "\n";
  out << " Averaged observed peak flow for all events: " << r.mean_obs_peak << " CMS\n";
  out << "\n\n\n";
}

// Peak-aligned table and the mean of its eight columns; ends the section
// without a newline.
static void shifted_table(const event_record& r) {
  out << "                          STATISTICS FOR GIVEN TIME INTERVAL/EVENT WITH SIMULATED\n";
  out << "                                   DATA SHIFTED TO ALIGN MAXIMUM VALUES\n";
  out << "                 ----------------------------------------------------------------------"
         "---\n";
  out << "                                                            Absolute                  "
         "  Nash-S.  Total     Total\n";
  out << "                                                   Percent   Percent    Percent       "
         "          Observed  Simulated\n";
  if (is_flow())
    out << "Event               Period                  Hours   Bias       Bias       RMS      R "
           "     r    Flow (mm)  Flow (mm)\n";
  else
    out << "Event               Period                  Hours   Bias       Bias       RMS      R "
           "     r     Pcp (mm)  Pcp (mm)\n";
  hyphens(115);
  for (const event_row& ev : r.events) write_aligned_row(ev);
  static const int widths[8] = {10, 10, 10, 10, 8, 8, 10, 9};
  out << "\n          Mean Values:  ----------->>  " << std::setprecision(3);
  for (int j = 0; j < 8; ++j) out << std::setw(widths[j]) << r.aligned_means[j];
}

// Reads the event count and every event, then computes the four tables.
// A stop on the way (a bad count or event) leaves the record with the
// events read before it, as the report shows them.
static void compute_into(event_record& r) {
  const int count = read_int("the event count of selection G");
  if (count < 0 || count > 9999)
    stop("Invalid entry for an event (num=" + std::to_string(count) +
         ")\nPlease correct the control file \n");
  interval = event_records(count);
  r.events.reserve(static_cast<std::size_t>(count));
  for (int e = 0; e < count; ++e) r.events.push_back(time_interval_bias(e));
  statistics_means(r);
  for (event_row& ev : r.events) center_of_mass(ev);
  centre_means(r);
  for (int e = 0; e < count; ++e) max_flow(e, r.events[static_cast<std::size_t>(e)]);
  maxima_means(r);
  for (int e = 0; e < count; ++e) shifted_time_interval_bias(e, r.events[static_cast<std::size_t>(e)]);
  aligned_means(r);
  r.complete = true;
}

event_record compute_events() {
  event_record r;
  compute_into(r);
  return r;
}

void write_events(const event_record& r) {
  divide();
  statistics_heading();
  for (const event_row& ev : r.events) write_statistics_row(ev);
  if (!r.complete) return;
  statistics_summary(r);
  centre_table(r);
  maxima_table(r);
  shifted_table(r);
}

// Selection G: every event read and every table computed, then the section
// and the event.dat blocks written from the record. A bad event stops the
// run after the rows of the events before it are written, as ever.
void event() {
  event_record r;
  try {
    compute_into(r);
  } catch (const run_stopped&) {
    write_events(r);
    if (OPTION_O == 1) write_event_data(r);
    out.flush();
    if (data_out.is_open()) data_out.flush();
    throw;
  }
  write_events(r);
  if (OPTION_O == 1) write_event_data(r);
  add_selection(std::move(r));
}

} // namespace twinser
