// twinser: the one shared header. The named globals (the control-file, report
// and event-data streams, the header record, the series store), the fit sums
// and measures, the result records, the run context, and the declarations of
// every operation one subsystem offers another, under a banner per file.
//
// Each analysis reads the series store and the control file, computes its
// result record, and hands it to its writer, which only formats it. A run is
// a function: run(options) returns the run record with the exit status, and
// stop() unwinds to it.
#pragma once

#include "common/calendar.h"
#include "common/files.h"
#include "common/series_layout.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <type_traits>
#include <variant>
#include <vector>

namespace twinser {

inline constexpr double NAN_VALUE = std::numeric_limits<double>::quiet_NaN(); // a measure not computed

// ---------------------------------------------------------------- records

typedef int events_int[9]; // one event: begin h, m, d, y; end h, m, d, y; peak shift (lines)

// ------------------------------------------------------- streams and the option flag

extern std::ifstream oldfile;  // the control file, read by everyone in turn
extern std::ofstream out;      // the report; showpoint set before anything is written
extern std::ofstream data_out; // event.dat, open only with -o
extern char selection;         // letter of the latest selection record, as written (any case)
extern int OPTION_O;           // 1 when -o was given: event windows go to event.dat

// --------------------------------------------------- header record of the control file

extern std::string obsfile; // observed series file name
extern std::string simfile; // simulated series file name
extern std::string outfile; // report file name
extern int start_mon_a;     // requested first month; used unless both it and start_yr_a are < 0
extern int start_yr_a;      // requested first year (four digits)
extern int end_mon_a;       // requested last month
extern int end_yr_a;        // requested last year
extern double AREA;         // basin area, km2; > 0 means flows in CMS, else depths in MM

// Flows in CMS (area above zero) or depths in MM (zero, negative or not a
// number): chooses every title, heading and unit word, and whether a total
// is turned into a depth over the basin.
inline bool is_flow() { return AREA > 0; }

// ------------------------------------------------------------- series store

extern double* Qobs;     // observed value of each line, -999 = missing
extern double* Qsim;     // simulated value of each line, -999 = missing
extern int LINES;        // number of lines (steps) in the analysis period
extern int time_step;    // hours per line; -1 until settled
extern int month_begin;  // first month of the analysis period (line 0 = day 1, first step)
extern int year_begin;   // first year of the analysis period
extern int month_end;    // last month of the analysis period (whole month included)
extern int year_end;     // last year of the analysis period
extern int* month;       // month (1-12) of the end of each line's step
extern int* year;        // year of the end of each line's step
extern int itemp;        // 1 for temperature series: negative readings are real
extern int sunit_conv;   // 1 when the simulated series is DEGF, converted to DEGC after reading
extern int ounit_conv;   // 1 when the observed series is DEGF, converted to DEGC after reading

// ------------------------------------------------------------ event records

extern events_int* interval; // event records of the current G selection

// ------------------------------------------------- which lines take part

using common::MISSING; // the missing-value marker of the series (common/series_layout.h)

// exactly the missing-value marker
inline bool is_missing(double v) { return v == MISSING; }
// neither value negative (-999 included); a NaN fails every comparison and is out too
inline bool both_non_negative(double o, double s) { return o >= 0 && s >= 0; }
// neither value is the missing-value marker; other negatives and NaN take part
inline bool neither_missing(double o, double s) { return !is_missing(o) && !is_missing(s); }
// the multi-year rule: temperatures may be negative, anything else may not
inline bool valid_for_total(double o, double s) {
  return itemp == 1 ? neither_missing(o, s) : both_non_negative(o, s);
}

// ---------------------------------------------------------- fit measures

// The terms one line adds to a set of fit sums, in the order of the sums
// below, in pairs: (o, s), (d, |d|), (d^2, o*s), (o^2, s^2), d = s - o formed
// once and its square taken of that double. A line that adds itself to
// several sets forms them once.
typedef double term_pair __attribute__((vector_size(16))); // two doubles, added lane by lane
struct line_terms {
  term_pair t[4];
  line_terms(double o, double s) {
    const double d = s - o;
    const term_pair os = {o, s};
    t[0] = os;
    t[1] = term_pair{d, std::fabs(d)};
    t[2] = term_pair{d, o} * term_pair{d, s};
    t[3] = os * os;
  }
};

// Sums over the lines that take part in one set of fit measures, in line order.
// Each sum is an IEEE double sum in line order; two lanes of a pair are two
// separate sums, so adding them pair by pair gives the bits of one by one.
struct fit_sums {
  std::uint32_t num = 0;   // n, lines that take part
  double Qobs_sum = 0;     // sum o
  double Qsim_sum = 0;     // sum s
  double Qdiff_sum = 0;    // sum (s - o)
  double Qdiff_a_sum = 0;  // sum |s - o|
  double Qdiff2_sum = 0;   // sum (s - o)^2
  double Qobsxsim = 0;     // sum o*s
  double Qobs_sq = 0;      // sum o^2
  double Qsim_sq = 0;      // sum s^2
  // Adds one line's terms (inline: every table adds millions of lines on a
  // long record).
  void add(const line_terms& l) {
    num += 1;
    add_pair(&Qobs_sum, l.t[0]);
    add_pair(&Qdiff_sum, l.t[1]);
    add_pair(&Qdiff2_sum, l.t[2]);
    add_pair(&Qobs_sq, l.t[3]);
  }
  void add(double o, double s) { add(line_terms(o, s)); }

private:
  // two neighbouring sums, read and written as one pair
  static void add_pair(double* sums, term_pair t) {
    term_pair v;
    std::memcpy(&v, sums, sizeof v);
    v += t;
    std::memcpy(sums, &v, sizeof v);
  }
};
static_assert(offsetof(fit_sums, Qsim_sum) == offsetof(fit_sums, Qobs_sum) + sizeof(double) &&
                  offsetof(fit_sums, Qsim_sq) == offsetof(fit_sums, Qobs_sum) + 7 * sizeof(double),
              "the eight sums of fit_sums lie side by side, in the order of line_terms");

double percent_bias(const fit_sums& f);     // (sum d / sum o) * 100
double abs_percent_bias(const fit_sums& f); // (sum |d| / sum o) * 100
double abs_error(const fit_sums& f);        // sum |d| / n
double mean_obs(const fit_sums& f);         // sum o / n
double mean_sim(const fit_sums& f);         // sum s / n
double rel_rms(const fit_sums& f);          // sqrt(sum d^2 / n) / (sum o / n)
double rms_scaled(const fit_sums& f, double rel); // rel * sum o / n
double rms_of_mean(const fit_sums& f, double rel); // (sum o / n) * rel
double var_obs(const fit_sums& f);          // ((n sum o^2 - (sum o)^2) / n) / (n - 1)
double var_sim(const fit_sums& f);          // same for s
double corr_r(const fit_sums& f);           // correlation coefficient R
double nash_r(double rms, double var_o);    // 1 - rms^2 / var_o
double spread_ratio(const fit_sums& f);     // smaller over larger std, the Rm factor
double line_b(const fit_sums& f);           // best line fit slope B
double line_a(const fit_sums& f, double b); // best line fit intercept A

// ---------------------------------------------------------- result records
//
// Each analysis computes into a plain record; the report writer beside it and
// the JSON summary render the record and compute nothing of their own. Values
// are kept exactly as computed: a 0/0 stays the nan it is, sign included, so
// that every rendering shows what the report has always shown.

// The two orders in which the tables derive the RMS from the relative RMS;
// the last bit follows the order.
enum class rms_order {
  scaled, // rel * sum o / n: multi-year row, flow classes
  of_mean // (sum o / n) * rel: yearly and monthly rows, events
};

// Every fit measure of one set of lines, from its sums (see the notes on
// each measure in stats.cpp). A table prints the ones it has columns for.
struct fit_row {
  fit_sums sums;
  double pbias = 0, abs_pbias = 0, abs_err = 0; // percent bias, absolute percent bias, sum |d| / n
  double mean_o = 0, mean_s = 0;                // means
  double var_o = 0, var_s = 0;                  // sample variances
  double std_o = 0, std_s = 0;                  // standard deviations
  double cv_o = 0, cv_s = 0;                    // coefficients of variation
  double rel_rms = 0;                           // relative RMS, a fraction
  double pct_rms = 0;                           // relative RMS * 100
  double rms = 0;                               // RMS, series unit
  double r_corr = 0, nash = 0, r_mod = 0;       // R, Nash-Sutcliffe r, Rm
  double line_a = 0, line_b = 0;                // best line fit Qobs = A + B Qsim
  double ipcp = 0;                              // sum o s / sum o
  // measures the report does not print, from mean-centred sums over the same
  // lines (extra_measures); nan until computed
  double nse = NAN_VALUE, kge_2009 = NAN_VALUE, kge_2012 = NAN_VALUE, mae = NAN_VALUE;
};

// The measure bundle of a set of lines: every measure above but the extras.
fit_row measure_bundle(const fit_sums& f, rms_order order);

// Second pass over the lines of a row, about the means of the first: the sums
// the textbook efficiencies are built from, free of the cancellation of the
// raw power sums.
struct centred_sums {
  double mean_o = 0, mean_s = 0;  // from the first pass
  std::uint32_t num = 0;          // lines
  double oo = 0, ss = 0, os = 0;  // sum (o - mean o)^2, (s - mean s)^2, their product sum
  double dd = 0, ad = 0;          // sum (s - o)^2, sum |s - o|
  explicit centred_sums(const fit_sums& f);
  // Adds one line (inline: the extras and the low flows add millions of
  // lines on a long record).
  void add(double o, double s) {
    num += 1;
    const double co = o - mean_o;
    const double cs = s - mean_s;
    oo += co * co;
    ss += cs * cs;
    os += co * cs;
    const double d = s - o;
    dd += d * d;
    ad += std::fabs(d);
  }
};
void extra_measures(fit_row& row, const centred_sums& c); // nse, kge_2009, kge_2012, mae
// The lines [from, to) for which takes(o, s) holds, added to c in line order,
// each value as t gives it (as it stands, or transformed). A function of its
// own, not inlined, so that the sums stay in registers: in a loop that also
// adds to other rows, or makes calls, they would live in memory, each
// addition waiting on the store of the one before.
template <typename Takes, typename T = std::identity>
[[gnu::noinline]] centred_sums add_lines(centred_sums c, const double* obs, const double* sim, int from, int to,
                                         Takes takes, T t = {}) {
  for (int i = from; i < to; ++i)
    if (takes(obs[i], sim[i])) c.add(t(obs[i]), t(sim[i]));
  return c;
}

// One yearly or monthly row.
struct period_row {
  int period = 0; // year, or month 1-12
  fit_row fit;
};

// A time on the clock of the lines, as the summary dates them: a date and an
// hour, where midnight at the end of a day is hour 24 of that day. On a step
// of a day or longer a line is dated by its day alone.
struct clock_time {
  int year = 0, month = 0, day = 0, hour = 0;
  bool daily = false; // the step is a day or longer: the hour says nothing
};
// The end of the step of `line`: its start plus one step, the last line of a
// day ending at hour 24 of it. None for a negative line, which stands for no
// line at all (calendar.cpp).
std::optional<clock_time> end_of_step(int line);

// One of the largest differences, with the start of its line's step.
struct difference_row {
  int line = 0;
  int year = 0, month = 0, day = 0, hour = 0;
  double obs = 0, sim = 0, diff = 0, pct_error = 0; // diff = sim - obs; pct = diff / obs * 100
  std::optional<clock_time> end;                 // the end of the line's step
};

// The first whole water year (1 October to 30 September) of the analysis
// period, as lines first_line <= i < end_line.
struct water_year {
  long long first_line = 0, end_line = 0;
  std::optional<clock_time> first_date, last_date; // ends of the steps of its first and last line
};

// Data summary: how much was read and how much of it is good, and the clock
// of the lines.
struct data_record {
  int lines = 0;       // lines of the store
  int good = 0;        // lines where neither value is missing
  int step = 0;        // hours per line
  double area = 0;     // basin area, km2
  double max_observed = 0; // largest observed value of the store (-999 counts like any value)
  long long read_hours = 0;                    // hours of all lines read
  long long good_hours = 0, missing_hours = 0; // hours of lines with and without both values
  bool flow = false;        // is_flow(): flows in CMS, else depths in MM
  bool temperature = false; // temperature series: negative readings are real
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0; // the analysis period
  // line i ends in day i / lines_per_day of the period, at hour
  // min((i mod lines_per_day + 1) x step, 24)
  int lines_per_day = 1;
  clock_time start;                     // the start of line 0: hour 0 of day 1 of the first month
  long long first_day_unix_seconds = 0; // the same in seconds from 1970-01-01 00:00
  std::optional<clock_time> first_date, last_date; // ends of the steps of the first and last line
  std::optional<water_year> first_water_year;         // none when the period holds no whole one
};

// A series file's header as read.
struct series_record {
  std::string file, station, unit; // station: columns 1-24 of the first header line
  int step = 0;
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0;
};

// Selection A: lines shown on the terminal.
struct display_record {
  int lines = 0;
};

// One row of a flow-class table: observed value at or above lower (E) or
// within lower..upper (D, F).
struct class_row {
  double lower = 0, upper = 0;
  bool found = true; // E: false when no line reached the value (no measures)
  fit_row fit;
};

// Selections E, D and F.
struct class_record {
  char letter = 'E';
  bool counted = true;     // D: the count of intervals was accepted; without it the section is a blank line
  int intervals = 0;       // D: intervals asked for
  double max_observed = 0; // D: the largest observed value, which the intervals divide
  double interval_top = 0; // D: the top of the last interval as the report prints it (max * n / n)
  std::vector<class_row> rows;
};

// The start of a line's step, as the report shows a line's date.
struct line_date {
  int year = 0, month = 0, day = 0, hour = 0;
};
line_date date_of_line(int line); // line_to_date as a record

// One event of selection G with its four table rows.
struct event_row {
  int number = 0;           // from 1
  int begin[4] = {};        // hour, month, day, year, widened back to a whole step
  int end[4] = {};          // likewise, widened on
  int line1 = 0, line2 = 0; // window lines line1 <= i < line2
  std::optional<clock_time> first_end, last_end; // ends of the steps of its first line in the store and its last
  int hours = 0;            // (line2 - line1) * time_step
  // event statistics over the window's valid lines
  fit_row stats;
  double total_obs = 0, total_sim = 0; // window totals, mm
  // centre of mass: first window line is 1; false when a series has none
  bool has_obs_centre = false, has_sim_centre = false;
  int obs_centre = 0, sim_centre = 0; // positions in the window
  int obs_centre_line = 0, sim_centre_line = 0; // the store lines of those positions
  line_date obs_centre_date, sim_centre_date;   // their dates
  std::optional<clock_time> obs_centre_end, sim_centre_end; // the ends of their steps; none without a centre
  int centre_diff = 0;                // hours, simulated minus observed; 0 without both
  // maxima
  double obs_peak = 0, sim_peak = 0;
  int obs_peak_line = 0, sim_peak_line = 0;
  line_date obs_peak_date, sim_peak_date;
  std::optional<clock_time> obs_peak_end, sim_peak_end; // the ends of their steps
  int shift = 0;      // peak shift, lines (simulated minus observed maximum line)
  int shift_hours = 0; // the same in hours
  double ratio = 0;   // simulated over observed maximum
  double relative_error = 0; // ratio - 1, the relative peak error
  // peak-aligned statistics: Qobs[i] against Qsim[i + shift]
  fit_row aligned;
  double aligned_total_obs = 0, aligned_total_sim = 0;
};

// Selection G: the events and the summaries under each table.
struct event_record {
  std::vector<event_row> events;
  bool complete = false; // every event read and every table computed; a stop leaves the rows read so far
  double statistics_means[9] = {}; // hours, pbias, abs pbias, % RMS, R, r, Rm, totals obs, sim
  double overall_bias = 0, flood_bias = 0, flood_rms = 0; // B, Bavg, flood RMS, %
  double centre_mean = 0, centre_abs_mean = 0;           // hours
  double time_mean = 0, ratio_mean = 0, deviation_mean = 0; // maxima mean line
  double peak_error = 0, peak_time_bias = 0, peak_time_error = 0, mean_obs_peak = 0; // Ep, Bp, Bp,avg
  double aligned_means[8] = {}; // hours, pbias, abs pbias, % RMS, R, r, totals obs, sim
};

// One observed peak above the threshold and its simulated match, if any.
struct peak_row {
  int obs_line = 0;
  line_date obs_date;
  std::optional<clock_time> obs_end; // the end of its step
  double obs_peak = 0;
  bool matched = false;
  int sim_line = 0;
  line_date sim_date;
  std::optional<clock_time> sim_end; // the end of its step; none when unmatched
  double sim_peak = 0;
  std::int64_t time_diff = 0; // hours, + when the simulation is late
  double pct_diff = 0;        // 100 (S - O) / O
  double ratio = 0;           // S / O
};

// Running totals of the matched peaks. The time differences are summed in
// 64 bits so that a long series of large misses cannot overflow; the peak
// difference is speak - opeak in the series unit (cms or mm).
struct peak_totals {
  int total_opeak = 0;        // observed peaks found (rows written)
  int total_speak = 0;        // of those, matched by a simulated peak
  std::int64_t time_diff = 0; // sum of tdiff, hours
  double time_diff2 = 0;      // sum of tdiff^2, each square an exact integer
  double peak_diff = 0;       // sum of speak - opeak
  double peak_diff2 = 0;      // sum of (speak - opeak)^2
};

// Selection H.
struct peak_record {
  double threshold = 0;
  int window_read = 0; // hours, as given
  int window = 0;      // hours, raised to a whole number of steps
  std::vector<peak_row> peaks;
  peak_totals totals;
  // summary of two or more matches; one match prints its sums as they are
  double mean_time = 0, mean_peak = 0, sd_time = 0, sd_peak = 0;
};

// One period of the accumulated depth.
struct accumulation_row {
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0; // start of its first and last line
  int line1 = 0, line2 = 0; // lines counted from 1, both included
  double obs = 0, sim = 0;  // accumulated depths, mm
  double error = 0;         // accumulated sim - obs
  double period_error = 0;  // error added in this period
};

// Selection I.
struct accumulation_record {
  int months = 0;
  std::vector<accumulation_row> rows;
  int lines = 0; // lines analysed, as the terminal check line counts them
};

// A selection the run skipped with a message and went on.
struct refused_record {
  char letter = '?';
  std::string reason;
};

// A command-line option the run refused with a message and went on without.
struct refused_option {
  std::string word;   // as given, "-x"
  std::string reason; // why, in words
};

using selection_record = std::variant<display_record, class_record, event_record, peak_record,
                                      accumulation_record, refused_record>;

// ------------------------------------------------ measures beyond the report
//
// Computed once, after the fixed sections, only for a rendering that shows
// them (run_options::extras_wanted), over the multi-year row's lines; the report never
// prints them. A measure that cannot be formed keeps its nan and says why in
// plain words (`reason`); nothing here divides by zero unguarded.

// One segment measure of the flow-duration curve, with its bounds.
struct curve_segment {
  double from_percent = 0, to_percent = 0; // exceedance probability bounds, %
  double value = NAN_VALUE;                // percent bias; nan when reason is set
  std::string reason;                      // why there is no value; empty when there is
};

// Flow-duration curves of both series (duration_curve.cpp).
struct duration_curve_record {
  std::string reason;                      // why there is no curve; empty when there is
  std::uint32_t n = 0;                     // lines where both values are present and >= 0
  std::vector<double> exceedance_percent;  // the fixed probabilities, %, ascending
  std::vector<double> observed, simulated; // curve values at those probabilities
  curve_segment high_volume{0, 2, NAN_VALUE, ""};   // high-flow volume bias
  curve_segment mid_slope{20, 70, NAN_VALUE, ""};   // mid-segment slope bias (log values)
  curve_segment low_volume{70, 100, NAN_VALUE, ""}; // low-flow volume bias (log values)
};

// Efficiencies on transformed values that weight low flows (low_flows.cpp).
struct low_flow_record {
  std::string reason;                                 // why there are none; empty when there are
  double offset = NAN_VALUE;                          // eps = observed mean / 100, series unit
  double log_nse = NAN_VALUE, log_kge_2012 = NAN_VALUE;         // on ln(q + eps)
  double inverse_nse = NAN_VALUE, inverse_kge_2012 = NAN_VALUE; // on 1 / (q + eps)
};

// The seasonal benchmark and the benchmark efficiency (benchmark.cpp).
struct benchmark_record {
  bool monthly_basis = false;     // benchmark by calendar month (steps over a day), else by day
  std::uint32_t lines = 0;        // lines that have a benchmark value
  double seasonal_nse = NAN_VALUE; // 1 - sum (s - o)^2 / sum (b - o)^2
  std::string seasonal_nse_reason; // why seasonal_nse is nan; empty when it is not
  double mean_flow_kge = NAN_VALUE; // KGE of the mean-flow benchmark, mean_flow_kge()
};
// KGE of the mean-flow benchmark (every line given the observed mean): r is
// undefined, taken as 0, alpha 0 and beta 1, so 1 - sqrt(2) for any series
double mean_flow_kge();

// The sums of one whole year, about its own means (uncertainty.cpp).
struct year_sums {
  std::uint32_t n = 0;           // lines
  double mean_o = 0, mean_s = 0; // means
  double oo = 0, ss = 0, os = 0; // sum (o - mean o)^2, (s - mean s)^2, their product sum
  double dd = 0;                 // sum (s - o)^2
  double sum_o = 0, sum_d = 0;   // sum o, sum (s - o)
};
// The five measures a resample gives.
struct sample_measures {
  double nse = NAN_VALUE, kge_2009 = NAN_VALUE, kge_2012 = NAN_VALUE, percent_bias = NAN_VALUE,
         r = NAN_VALUE;
};
// The spread of one measure over the resamples.
struct interval_record {
  std::string reason; // why there is none; empty when there is
  double p05 = NAN_VALUE, median = NAN_VALUE, p95 = NAN_VALUE; // of the resampled values
  double jackknife_se = NAN_VALUE; // standard error, one year left out at a time
};
// Sampling uncertainty by a block bootstrap over whole years.
struct uncertainty_record {
  std::string reason;        // why there is none; empty when there is
  int resamples = 0;         // resamples drawn
  std::uint64_t seed = 0;    // of the draws
  int years = 0;             // whole years with lines
  interval_record nse, kge_2009, kge_2012, percent_bias, r;
};

inline constexpr int BOOTSTRAP_RESAMPLES = 1000;       // resamples of the block bootstrap
inline constexpr std::uint64_t BOOTSTRAP_SEED = 24301; // 0x5EED: every run draws the same years
inline constexpr int BOOTSTRAP_MIN_YEARS = 5;          // fewer whole years give no interval

// Everything above for one run.
struct beyond_record {
  bool computed = false; // false: not asked for (twinser), the renderings leave it out
  duration_curve_record duration_curve;
  low_flow_record low_flow;
  benchmark_record benchmark;
  uncertainty_record uncertainty;
};

duration_curve_record duration_curve(const double* obs, const double* sim, int lines, bool temperature);
std::vector<double> exceedance_grid();       // the fixed probabilities, %
double curve_value(std::span<const double> descending, double percent); // at an exceedance %
curve_segment high_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                               double from_percent, double to_percent);
curve_segment mid_slope_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                             double from_percent, double to_percent);
curve_segment low_volume_bias(std::span<const double> obs_desc, std::span<const double> sim_desc,
                              double from_percent, double to_percent);
low_flow_record low_flows(const double* obs, const double* sim, int lines, bool temperature);
benchmark_record seasonal_benchmark(const double* obs, const double* sim, int lines, int step,
                                    int first_month, int first_year, bool temperature);
// The sums of each whole year (blocks of 12 months from first_month, by the
// month and year labels of the lines) that has lines; a last part-year is out.
std::vector<year_sums> whole_year_sums(const double* obs, const double* sim, const int* months,
                                       const int* years, int lines, int first_month, int first_year,
                                       int whole_years, bool temperature);
year_sums combine(const year_sums& a, const year_sums& b); // pooled sums of two sets of lines
sample_measures measures_of(const year_sums& y);
std::vector<std::uint32_t> bootstrap_draws(std::uint64_t seed, int years, int resamples); // year indices
double quantile(const std::vector<double>& sorted, double p); // linear between order statistics
uncertainty_record block_bootstrap(const std::vector<year_sums>& years, int resamples,
                                   std::uint64_t seed);
beyond_record measures_beyond_report(); // all of it, from the store
// The measures beyond the report of the last run, once done (run_options::
// extras_taken_later); not computed when the run did not start them.
beyond_record take_beyond();

// The whole run: the names it was given, the fixed sections, then the
// selections in run order, and how it ended.
struct run_record {
  std::string control_file, report_file; // as given; the report name is empty when the run stopped first
  bool event_data = false;                // -o: event windows went to event.dat
  std::vector<refused_option> refused_options;
  std::string label; // text after @ on the header record, blanks around it trimmed
  series_record observed, simulated;
  data_record data;
  fit_row whole_period;
  std::vector<period_row> yearly, monthly;
  std::vector<difference_row> largest;
  beyond_record beyond; // measures beyond the report, when a rendering asks for them
  std::deque<selection_record> selections; // a deque: records never move once added
  bool finished = false; // the finish was reached (Q or the end of the control file)
  int status = 0;        // exit status: 0 whole, 2 finished with a part refused, else stopped
};

// ------------------------------------------------------------ the run context
//
// What one run needs beyond the globals above: how it was asked for, the
// record it fills and its flags. run() starts it afresh.

// How a run is asked for, as the command line gives it.
struct run_options {
  bool too_many_words = false; // more than two words after the command: the run stops at once
  bool ask_control_file = true; // no word: the control file's name is asked for on the terminal
  std::string control_file;     // the last word
  std::string option;           // the first of two words; "-o" sends event windows to event.dat
  bool extras_wanted = false;   // a rendering shows the extra measures (twinser-view)
  bool bootstrap_wanted = true; // with the extras: the year bootstrap too (twinser-view without --no-bootstrap)
  bool extras_taken_later = false; // with the extras: run() returns without them; take_beyond() gives them
  void (*outputs_guarded)() = nullptr; // called once the report name is guarded, before anything is written
  void (*store_read)() = nullptr;      // called once the series store is read and summarised
};
run_options command_line(int argc, char** argv); // the words as twinser reads them; no output

struct run_context {
  run_options options;       // as run() was given them
  run_record results;        // the record of this run, filled section by section
  bool part_refused = false; // a selection or option was refused: the finish returns 2, not 0
  bool ctl_ended = false;    // the control file ended before another selection record
  std::future<beyond_record> beyond; // the measures beyond the report, under way beside the sections
};
extern run_context ctx;

// Appends a selection's record to the run record, built in place.
template <typename R> R& add_selection(R&& r) {
  return std::get<R>(ctx.results.selections.emplace_back(std::in_place_type<R>, std::move(r)));
}

// What stop() throws: the run unwinds to run(), which returns its record
// with this status. Nothing else catches it.
struct run_stopped {
  int status;
};

// ------------------------------------------------ run.cpp, control.cpp: run control

run_record run(const run_options& options); // the whole run, stopped or finished; its record holds the exit status
void claim();                            // banner on the terminal
void divide();                           // section heading of a selected analysis
int data_meth();                         // read on to the next selection record
[[noreturn]] void error_mess();          // invalid event entry: message, stop
void get_files();                        // header record of the control file
void guard_outputs();                    // refuse a report or event.dat that is an input (event.dat is truncated later)
void refuse_if_same(const std::string& output, const std::string& input,
                    const char* role);   // stop when output names the same file as input
void rule(char c, int n);                // a rule line of n copies of c in the report (no line end)
void say_both(const std::string& text);  // text to the terminal, then the same to the report
[[noreturn]] void stop(const std::string& text, int status = 1); // text to the terminal, flush, end the run
void start_event_data();                 // with -o, event.dat truncated once the series and the report are open
void check_written(std::ostream& stream, const std::string& name); // flushed, or stop naming the file and the reason
void check_outputs();                    // report, event.dat and standard output checked at a section's end
[[noreturn]] void unreadable(const std::string& what); // a control-file item missing or not a number: stop
constexpr std::size_t MAX_CONTROL_LINE = 65536; // bytes a control-file line may hold, line end excluded
void guard_control_file();               // control-file reading through the guard (byte-order mark, line limit)
void release_control_file();             // oldfile back on its own file buffer
std::string line_end_note();             // a line naming CR-alone line ends when the control file has them, else ""
int read_int(const std::string& what);       // next control-file item as int, or stop
double read_double(const std::string& what); // next control-file item as double, or stop
bool next_double(double& v);             // next control-file item as double; false when missing or not a number
bool next_int(int& v);                   // next control-file item as int; false when missing or not a number
void reset_state();                      // every global back to the state at start; frees the store of a run before

// ---------- store.cpp, calendar.cpp, series_read.cpp, value_text.cpp, data_summary.cpp, select_a.cpp

void* store_array(std::size_t bytes);    // a store array, never freed; huge pages for a long one
// Work for the second core: on a thread of its own, or, with no thread to be
// had, done when its result is asked for. Whatever it throws comes out of
// get(). It may read the store and write only what it returns.
template <typename F> auto start_beside(F f) -> std::future<decltype(f())> {
  try {
    return std::async(std::launch::async, std::move(f));
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, std::move(f));
  }
}
// Work that no section or selection waits for (the measures beyond the
// report, the page): as start_beside, but its thread runs at a lower
// priority (threads it starts inherit it), so that the sections, which the
// finish waits for, keep a core of their own while it fills the other.
// Done in place, at the caller's priority, when no thread can be had.
void lower_this_thread();
template <typename F> auto start_behind(F f) -> std::future<decltype(f())> {
  try {
    return std::async(std::launch::async, [f = std::move(f)]() mutable {
      lower_this_thread();
      return f();
    });
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, std::move(f));
  }
}
// Scratch of a measure or of the page, as long as a series: left unset (its
// user fills it) and taken like a store array, so that a long one costs a
// few huge-page faults instead of thousands of small ones; freed with its
// owner.
struct free_deleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
template <typename T> using scratch_array = std::unique_ptr<T[], free_deleter>;
template <typename T> scratch_array<T> scratch(std::size_t count) {
  static_assert(std::is_trivially_copyable_v<T>);
  T* p = static_cast<T*>(store_array(count * sizeof(T)));
  if (p == nullptr) throw std::bad_alloc();
  return scratch_array<T>(p);
}
bool is_space(char c);                   // white space within a data line, CR included
bool number_char(char c);                // a character extraction can collect into a number

using common::is_leap_year; // the one calendar: common/calendar.h
int days_of_month(int m, int y);
long long month_lines(int month1, int year1, int month2, int year2, int step); // lines of whole months, both included
int hour_count(int month1, int year1, int month2, int year2, int step);
int hour_count(int month1, int year1, int month2, int year2, int day1, int hour1, int day2,
               int hour2, int step);
int lines_per_day(int step); // on the clock of the lines: 23 / step + 1, also for steps that do not divide a day
void line_to_date(int line, int& iy, int& im, int& id, int& ih);
void month_year();
void read_flow();
data_record summarise_data();            // counts and the largest observed value of the store (the one search for it)
// What the value text of a data line gives: a number, one too large for a
// double (the run stops), or nothing readable.
enum class value_text { number, too_large, none };
// Reads [p, e), a data line after its 21 skipped columns without its line
// end, as stream extraction of a double reads it; v is set only for a number.
value_text read_number(const char* p, const char* e, double& v);
void data_info();
void lines_display();
void input_check(int line);

// -------------------------------- whole_period.cpp, largest_differences.cpp

// The three whole-period tables, summed together in two passes over the store.
struct whole_period_tables {
  fit_row whole;                   // the multi-year row and best line fit
  std::vector<period_row> yearly;  // every year of the period
  std::vector<period_row> monthly; // the twelve months
};
// The tables with their extras when a rendering wants them (nan otherwise);
// the largest differences ranked meanwhile when `largest` is given.
whole_period_tables sum_tables(std::vector<difference_row>* largest);
void fixed_sections(); // the multi-year, yearly, monthly and largest-difference sections, summed side by side
std::vector<difference_row> largest_differences(); // the ranked table
void write_multi_year(const fit_row& m);                  // its section of the report
void write_yearly(const std::vector<period_row>& rows);   // heading and rows
void write_year_row(const period_row& row);
void write_monthly(const std::vector<period_row>& rows);  // heading and rows
void write_month_row(const period_row& row);
void write_largest(const std::vector<difference_row>& rows); // its section of the report
void array_fill(int* line);
long double difference(int position);

// -------------------------------------------- classes.cpp: flow classes E, D, F

std::vector<class_row> rows_at_or_above(const std::vector<double>& values); // E, one pass
std::vector<class_row> equal_interval_rows(int div, double max);           // D, one pass
std::vector<class_row> given_interval_rows(const std::vector<double>& lower,
                                           const std::vector<double>& upper); // F, one pass
void flow_greater(); // E: values read, rows computed, the section written, then a bad item stops the run
void equal_ints();   // D, likewise
void two_vals();     // F, likewise

// ------------------------------------------------------ events.cpp: events G

event_record compute_events();          // reads the events of a G selection and computes all four tables
void write_events(const event_record& r); // the report section of G, as far as the record goes
void write_event_data(const event_record& r); // the window values of every event, to event.dat
void event_statistics(event_row& ev);   // statistics part over ev's window
void event_centre(event_row& ev);       // centre-of-mass part
void event_maxima(event_row& ev);       // maxima part and peak shift
void event_aligned(event_row& ev);      // peak-aligned part, from ev.shift
void statistics_means(event_record& r); // mean line and pooled bias of the statistics table
void centre_means(event_record& r);     // mean time differences of the centre table
void maxima_means(event_record& r);     // mean line and pooled peak statistics
void aligned_means(event_record& r);    // mean line of the peak-aligned table
void event();
event_row time_interval_bias(int event_num); // reads and checks one event; its statistics
void center_of_mass(event_row& ev);
double max_flow(int event_num, event_row& ev); // maxima; the shift kept in the event record
void shifted_time_interval_bias(int event_num, event_row& ev);

// ------------------------- peaks.cpp (H), accumulation.cpp (I)

peak_record peaks_over_threshold(double thresh, int window); // H; window already raised to whole steps
accumulation_record accumulate_depth(int months);           // I, months 1-12
void write_peaks(const peak_record& r);                 // H's section of the report
void write_accumulation(const accumulation_record& r);  // I's section of the report
void flow_threshold();
void find_peak(int& line, int line1, int line2, double thresh, double& peak, double* array);
void accumulated_flow();

// ----------------------------------------------------- companion renderings

// The series store as an extra rendering reads it.
struct store_view {
  const double* obs;
  const double* sim;
  int lines;
  int step;
  int first_month, first_year;
};
store_view current_store();

} // namespace twinser
