// Whole-period statistics: the fit measures, defined once here for every
// table of the report, the multi-year row with the best line fit, the yearly
// and monthly tables, and the 25 largest differences.
#include "twinser.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <string>
#include <system_error>
#include <thread>

namespace twinser {

// ------------------------------------------------------------ fit measures
//
// Every measure is evaluated exactly as written, left to right, in IEEE
// double. No denominator is guarded on purpose: an empty class gives 0/0 and
// the report shows nan, a zero observed sum gives inf; users of the report
// read those as "no data" and "undefined", so do not "fix" them.
// n is the unsigned count; it is converted to double where it meets a double.

// percent bias = (sum(s - o) / sum o) * 100; sign: positive when sim is high
double percent_bias(const fit_sums& f) { return (f.Qdiff_sum / f.Qobs_sum) * 100; }

// absolute percent bias = (sum|s - o| / sum o) * 100
double abs_percent_bias(const fit_sums& f) { return (f.Qdiff_a_sum / f.Qobs_sum) * 100; }

// absolute error = sum|s - o| / n, in the series unit
double abs_error(const fit_sums& f) { return f.Qdiff_a_sum / f.num; }

// means = sum / n
double mean_obs(const fit_sums& f) { return f.Qobs_sum / f.num; }
double mean_sim(const fit_sums& f) { return f.Qsim_sum / f.num; }

// relative RMS (a fraction) = sqrt(sum d^2 / n) / (sum o / n)
double rel_rms(const fit_sums& f) {
  return std::sqrt(f.Qdiff2_sum / f.num) / (f.Qobs_sum / f.num);
}

// RMS in the series unit, derived back from the relative RMS: nan whenever
// sum o is zero. Two tables write it in two orders, and the last bit follows:
// rel * sum o / n (multi-year, flow classes) ...
double rms_scaled(const fit_sums& f, double rel) { return rel * f.Qobs_sum / f.num; }
// ... and (sum o / n) * rel (yearly, monthly, events).
double rms_of_mean(const fit_sums& f, double rel) { return (f.Qobs_sum / f.num) * rel; }

// sample variance = ((n sum o^2 - (sum o)^2) / n) / (n - 1); n = 1 gives 0/0
double var_obs(const fit_sums& f) {
  return ((f.num * f.Qobs_sq - f.Qobs_sum * f.Qobs_sum) / f.num) / (f.num - 1);
}
double var_sim(const fit_sums& f) {
  return ((f.num * f.Qsim_sq - f.Qsim_sum * f.Qsim_sum) / f.num) / (f.num - 1);
}

// correlation coefficient R =
//   (n sum os - sum s sum o) / sqrt((n sum s^2 - (sum s)^2) (n sum o^2 - (sum o)^2))
double corr_r(const fit_sums& f) {
  return (f.num * f.Qobsxsim - f.Qsim_sum * f.Qobs_sum) /
         std::sqrt((f.num * f.Qsim_sq - f.Qsim_sum * f.Qsim_sum) *
                   (f.num * f.Qobs_sq - f.Qobs_sum * f.Qobs_sum));
}

// Nash-Sutcliffe r = 1 - RMS^2 / observed variance; the mean squared
// difference has the denominator n, the variance n - 1
double nash_r(double rms, double var_o) { return 1 - rms * rms / var_o; }

// The factor of the modified correlation Rm = R * k:
// k = sqrt((n sum o^2 - (sum o)^2) / (n sum s^2 - (sum s)^2)), 1/k when k > 1,
// so R is scaled by the smaller over the larger standard deviation
double spread_ratio(const fit_sums& f) {
  double adj = std::sqrt((f.num * f.Qobs_sq - f.Qobs_sum * f.Qobs_sum) /
                         (f.num * f.Qsim_sq - f.Qsim_sum * f.Qsim_sum));
  if (adj > 1) adj = 1 / adj;
  return adj;
}

// best line fit Qobs = A + B Qsim (least squares of obs on sim):
// B = (n sum os - sum o sum s) / (n sum s^2 - (sum s)^2)
double line_b(const fit_sums& f) {
  return (f.num * f.Qobsxsim - f.Qobs_sum * f.Qsim_sum) /
         (f.num * f.Qsim_sq - f.Qsim_sum * f.Qsim_sum);
}
// A = sum o / n - (sum s / n) B
double line_a(const fit_sums& f, double b) {
  return f.Qobs_sum / f.num - (f.Qsim_sum / f.num) * b;
}

// ------------------------------------------------------- the measure bundle
//
// One place assembles the measures of a set of lines, for every table: the
// multi-year row, the yearly and monthly rows, both kinds of flow class and
// the two event tables. Each measure is formed exactly as its note above
// says; a table only chooses the RMS order and which columns it prints.

fit_row measure_bundle(const fit_sums& f, rms_order order) {
  fit_row m;
  m.sums = f;
  m.r_corr = corr_r(f);
  m.rel_rms = rel_rms(f);
  m.rms = order == rms_order::scaled ? rms_scaled(f, m.rel_rms) : rms_of_mean(f, m.rel_rms);
  m.var_o = var_obs(f);
  m.var_s = var_sim(f);
  m.nash = nash_r(m.rms, m.var_o);
  m.std_o = std::sqrt(m.var_o);
  m.std_s = std::sqrt(m.var_s);
  m.mean_o = mean_obs(f);
  m.mean_s = mean_sim(f);
  m.cv_o = m.std_o / m.mean_o;
  m.cv_s = m.std_s / m.mean_s;
  m.r_mod = m.r_corr * spread_ratio(f);
  m.line_b = line_b(f);
  m.line_a = line_a(f, m.line_b);
  m.pbias = percent_bias(f);
  m.abs_pbias = abs_percent_bias(f);
  m.abs_err = abs_error(f);
  m.pct_rms = m.rel_rms * 100;
  m.ipcp = f.Qobsxsim / f.Qobs_sum;
  return m;
}

// ------------------------------------------------------ the extra measures
//
// Measures the report does not print, over the same lines as its row, for
// the JSON summary. A second pass about the means of the first keeps them
// free of the cancellation in n sum o^2 - (sum o)^2, so they agree with other
// tools to many digits. As everywhere, no denominator is guarded: no lines
// give nan, a constant observed series gives -inf or nan.
//
//   nse      = 1 - sum (s - o)^2 / sum (o - mean o)^2   (textbook
//              Nash-Sutcliffe efficiency, -inf..1; the report's r divides
//              the mean square by n and the variance by n - 1 instead)
//   kge_2009 = 1 - sqrt((r - 1)^2 + (alpha - 1)^2 + (beta - 1)^2), with
//              r the correlation, alpha = std s / std o, beta = mean s / mean o
//   kge_2012 = the same with gamma = Cv s / Cv o = alpha / beta for alpha
//   mae      = sum |s - o| / n, mean absolute error in the series unit

centred_sums::centred_sums(const fit_sums& f)
    : mean_o(f.Qobs_sum / f.num), mean_s(f.Qsim_sum / f.num) {}

void centred_sums::add(double o, double s) {
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

void extra_measures(fit_row& row, const centred_sums& c) {
  const double r = c.os / std::sqrt(c.oo * c.ss);
  const double alpha = std::sqrt(c.ss / c.oo);
  const double beta = c.mean_s / c.mean_o;
  const double gamma = alpha / beta;
  row.nse = 1 - c.dd / c.oo;
  row.kge_2009 = 1 - std::sqrt((r - 1) * (r - 1) + (alpha - 1) * (alpha - 1) + (beta - 1) * (beta - 1));
  row.kge_2012 = 1 - std::sqrt((r - 1) * (r - 1) + (gamma - 1) * (gamma - 1) + (beta - 1) * (beta - 1));
  row.mae = c.ad / c.num;
}

// ------------------------------------------------ multi-year statistics
//
// One row over the whole analysis period and the least-squares line of the
// observed on the simulated values. Lines take part by valid_for_total: any
// negative value (-999 among them) is out, except in temperature series,
// where only -999 is.

// A rule line of n copies of c (no line end).
static void rule(char c, int n) { out << std::string(n, c); }

// Title and column headings; the wording follows the basin area alone.
static void multi_year_heading() {
  out << "\n ";
  rule('=', 97);
  out << "\n";
  out << "                                         MULTI-YEAR STATISTICS\n";
  out << "            Abs.\n";
  if (is_flow()) {
    out << "      %      %       Obs.    Sim.    Obs.   Sim.   Obs.  Sim.    %      RMS"
           "         Nash-S.  Modi.\n";
    out << "    Bias    Bias    Qmean   Qmean    std    std     Cv    Cv    RMS    (CMS)"
           "    R      r      Rm\n";
  } else {
    out << "     %        %      Obs.    Sim.    Obs.  Sim.   Obs.  Sim.     %      RMS"
           "         Nash-S.  Modi.\n";
    out << "    Bias    Bias    Pmean   Pmean    std   std     Cv    Cv     RMS     (MM)"
           "    R      r      Rm\n";
  }
  out << " ";
  rule('-', 97);
  out << "\n";
}

// The row, and its extras when asked for.
static fit_row multi_year_row(bool extras) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (valid_for_total(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  fit_row m = measure_bundle(f, rms_order::scaled);
  if (!extras) return m;
  centred_sums c(f);
  for (int i = 0; i < LINES; ++i)
    if (valid_for_total(Qobs[i], Qsim[i])) c.add(Qobs[i], Qsim[i]);
  extra_measures(m, c);
  return m;
}

fit_row multi_year() { return multi_year_row(true); }

static void write_multi_year(const fit_row& m) {
  multi_year_heading();
  out << std::setprecision(5) << std::setw(9) << m.pbias << std::setw(8) << m.abs_pbias;
  out << std::setprecision(4) << std::setw(8) << m.mean_o << std::setw(8) << m.mean_s
      << std::setw(8) << m.std_o << std::setw(7) << m.std_s << std::setw(7) << m.cv_o
      << std::setw(7) << m.cv_s << std::setw(7) << m.pct_rms << std::setw(7) << m.rms;
  out << std::setprecision(3) << std::setw(7) << m.r_corr << " " << std::setw(7) << m.nash
      << std::setw(7) << m.r_mod << std::endl;

  // A and B keep the precision of the row's last fields (3)
  if (is_flow())
    out << "\n  Best line fit:  Qobs = A+B*Qsim:  A--> " << m.line_a << " (cms)" << "  B--> "
        << m.line_b << "\n";
  else
    out << "\n  Best line fit:  Pobs = A+B*Psim:  A--> " << m.line_a << " (mm)" << "  B--> "
        << m.line_b << "\n";
  out << "\n";
}

void total_bias() {
  results.whole_period = multi_year();
  write_multi_year(results.whole_period);
}

// ------------------------------------------- yearly and monthly statistics
//
// One row per calendar year of the period and one per month number, pooled
// over the years. Only the missing-value marker keeps a line out here
// (neither_missing): a negative reading such as -0.5 takes part, unlike in
// the multi-year row. A year or month without lines gives a row of nan.
// Every row adds its lines in line order.

// The yearly and monthly rows with their extras, summed side by side (see
// "the three tables side by side" below).
static whole_period_tables period_tables_with_extras();

static void yearly_heading() {
  out << "\n";
  rule('=', 85);
  out << "\n";
  out << "                                  YEARLY STATISTICS\n";
  out << "                Absolute  Absolute\n";
  out << "        Percent  Percent   Error   Observed Simulated  Percent    RMS         Nash-S.\n";
  if (is_flow())
    out << " Year    Bias     Bias     (CMS)     Qmean    Qmean      RMS     (CMS)    R      r\n";
  else
    out << " Year    Bias     Bias     ( MM)     Pmean    Pmean      RMS     ( MM)    R      r\n";
  rule('-', 85);
  out << "\n";
}

void yearly_display() {
  yearly_heading();
  yearly_bias();
}

// One year's row with its extras; a year outside the period holds no line
// and gives the row of nan of an empty year.
period_row year_row(int yr) {
  const whole_period_tables t = period_tables_with_extras();
  const long long k = static_cast<long long>(yr) - year_begin;
  if (k >= 0 && k < static_cast<long long>(t.yearly.size()))
    return t.yearly[static_cast<std::size_t>(k)];
  period_row row{yr, measure_bundle(fit_sums{}, rms_order::of_mean)};
  extra_measures(row.fit, centred_sums(fit_sums{}));
  return row;
}

static void write_year_row(const period_row& row) {
  const fit_row& m = row.fit;
  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(5) << row.period << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(9) << m.abs_err << std::setw(9) << m.mean_o << std::setw(9) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(9) << m.rms;
  out << std::setprecision(3) << " " << std::setw(7) << m.r_corr << " " << std::setw(7)
      << m.nash << std::endl;
}

void yearly_bias() {
  for (const period_row& row : period_tables_with_extras().yearly) {
    results.yearly.push_back(row);
    write_year_row(row);
  }
}

void year_bias(int yr) {
  results.yearly.push_back(year_row(yr));
  write_year_row(results.yearly.back());
}

static void monthly_heading() {
  out << "\n\n";
  rule('=', 86);
  out << "\n";
  out << "                                 MONTHLY STATISTICS\n";
  out << "               Absolute  Absolute\n";
  out << "       Percent  Percent   Error    Observed  Simulated  Percent     RMS         "
         "Nash-S.\n";
  if (is_flow())
    out << "Month   Bias     Bias     (CMS)     Qmean     Qmean       RMS      (CMS)    R"
           "       r\n";
  else
    out << "Month   Bias     Bias     ( MM)     Pmean     Pmean       RMS      ( MM)    R"
           "       r\n";
  rule('-', 87);
  out << "\n";
}

void monthly_display() {
  monthly_heading();
  monthly_bias();
}

// The twelve monthly rows with their extras.
std::vector<period_row> monthly_rows() { return period_tables_with_extras().monthly; }

// no separating blanks before R and r: the wider fields take their place
static void write_month_row(const period_row& row) {
  const fit_row& m = row.fit;
  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(3) << row.period << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(10) << m.abs_err << std::setw(11) << m.mean_o << std::setw(10) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(10) << m.rms;
  out << std::setprecision(3) << std::setw(7) << m.r_corr << std::setw(8) << m.nash
      << std::endl;
}

void monthly_bias() {
  for (const period_row& row : monthly_rows()) {
    results.monthly.push_back(row);
    write_month_row(row);
  }
}

void month_bias(int mon) {
  // a month number that labels no line gives the row of nan of an empty month
  period_row row{mon, measure_bundle(fit_sums{}, rms_order::of_mean)};
  if (mon >= 1 && mon <= 12) row = monthly_rows()[static_cast<std::size_t>(mon - 1)];
  results.monthly.push_back(row);
  write_month_row(results.monthly.back());
}

// ------------------------------------------- the three tables side by side
//
// Every yearly row and the twelve monthly rows summed side by side: one pass
// for the sums, one for the centred sums about their means. A line adds
// itself to each row it belongs to, so every row still sums its own lines in
// line order, as a pass of its own would.
// The lines of a year are those labelled with it; the store runs forward in
// time, so they form one stretch.

// The yearly and monthly rows: both passes over the lines without a missing
// value, the second only when the extras are asked for.
static void period_tables(whole_period_tables& t, bool extras) {
  const int years = year_end >= year_begin ? year_end - year_begin + 1 : 0;
  const std::size_t ny = static_cast<std::size_t>(years);
  std::vector<fit_sums> by_year(ny);
  fit_sums by_month[12];
  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    const double s = Qsim[i];
    if (!neither_missing(o, s)) continue;
    const line_terms l(o, s);
    const unsigned y = static_cast<unsigned>(year[i] - year_begin);
    if (y < ny) by_year[y].add(l);
    const unsigned m = static_cast<unsigned>(month[i] - 1);
    if (m < 12) by_month[m].add(l);
  }

  std::vector<centred_sums> c_year;
  c_year.reserve(ny);
  for (int y = 0; y < years; ++y) {
    const fit_sums& f = by_year[static_cast<std::size_t>(y)];
    t.yearly.push_back({year_begin + y, measure_bundle(f, rms_order::of_mean)});
    c_year.emplace_back(f);
  }
  std::vector<centred_sums> c_month;
  for (int m = 1; m <= 12; ++m) {
    t.monthly.push_back({m, measure_bundle(by_month[m - 1], rms_order::of_mean)});
    c_month.emplace_back(by_month[m - 1]);
  }
  if (!extras) return;

  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    const double s = Qsim[i];
    if (!neither_missing(o, s)) continue;
    const unsigned y = static_cast<unsigned>(year[i] - year_begin);
    if (y < ny) c_year[y].add(o, s);
    const unsigned m = static_cast<unsigned>(month[i] - 1);
    if (m < 12) c_month[m].add(o, s);
  }
  for (std::size_t y = 0; y < ny; ++y) extra_measures(t.yearly[y].fit, c_year[y]);
  for (std::size_t m = 0; m < 12; ++m) extra_measures(t.monthly[m].fit, c_month[m]);
}

static whole_period_tables period_tables_with_extras() {
  whole_period_tables t;
  period_tables(t, true);
  return t;
}

// The yearly and monthly rows are summed on a second thread while this one
// goes on with other sums (the multi-year row, the largest differences):
// each thread writes only its own results, so nothing depends on how they
// interleave. Without a thread to be had they are summed here and now.
static std::thread start_period_tables(whole_period_tables& t, bool extras) {
  try {
    return std::thread([&t, extras] { period_tables(t, extras); });
  } catch (const std::system_error&) {
    period_tables(t, extras);
    return {};
  }
}

whole_period_tables whole_period() {
  whole_period_tables t;
  const bool extras = extras_wanted;
  std::thread periods = start_period_tables(t, extras);
  t.whole = multi_year_row(extras);
  if (periods.joinable()) periods.join();
  return t;
}

static void write_whole_period(const whole_period_tables& t) {
  results.whole_period = t.whole;
  write_multi_year(results.whole_period);
  yearly_heading();
  for (const period_row& row : t.yearly) {
    results.yearly.push_back(row);
    write_year_row(row);
  }
  monthly_heading();
  for (const period_row& row : t.monthly) {
    results.monthly.push_back(row);
    write_month_row(row);
  }
}

// ------------------------------------------------------ largest differences
//
// The 25 lines where the simulation departs most from the observation,
// ranked by |Qsim - Qobs|, ties in line order. Lines with a negative value on
// either side (-999 among them) never enter (both_non_negative). With fewer
// than 25 such lines the table simply has fewer rows.

constexpr int RANKED = 25;  // rows of the table
constexpr int NO_LINE = -1; // a position of the list that no valid line fills

long double difference(int position) {
  // formed in double and only then widened, so that every ranking comparison
  // is one of the double differences
  double d = std::fabs(Qsim[position] - Qobs[position]);
  return d;
}

// Phase 2: neighbour exchanges over the first `filled` positions, largest
// first; strict comparison keeps equal differences in line order.
static void order_seed(int* line, int filled) {
  for (int bound = filled - 1; bound > 0; --bound) {
    bool exchanged = false;
    for (int p = 0; p < bound; ++p) {
      if (difference(line[p + 1]) > difference(line[p])) {
        int t = line[p];
        line[p] = line[p + 1];
        line[p + 1] = t;
        exchanged = true;
      }
    }
    if (!exchanged) break;
  }
}

// Phase 3: line L enters when it beats the last entry; it goes after every
// entry with an equal difference, and the last entry drops out.
static void insert_ranked(int* line, int L) {
  double D = static_cast<double>(difference(L));
  if (!(D > difference(line[RANKED - 1]))) return;
  int p = 0;
  while (!(difference(line[p]) < D)) ++p;
  for (int q = RANKED - 1; q > p; --q) line[q] = line[q - 1];
  line[p] = L;
}

void array_fill(int* line) {
  // Phase 1: the first 25 valid lines seed the list; the scan never passes
  // the last line, and unfilled positions are marked NO_LINE
  int filled = 0;
  int i = 0;
  for (; i < LINES && filled < RANKED; ++i)
    if (both_non_negative(Qobs[i], Qsim[i])) line[filled++] = i;
  for (int p = filled; p < RANKED; ++p) line[p] = NO_LINE;

  order_seed(line, filled);

  for (; i < LINES; ++i)
    if (both_non_negative(Qobs[i], Qsim[i])) insert_ranked(line, i);
}

std::vector<difference_row> largest_differences() {
  int line[RANKED];
  array_fill(line);
  std::vector<difference_row> rows;
  for (int p = 0; p < RANKED && line[p] != NO_LINE; ++p) {
    difference_row r;
    r.line = line[p];
    line_to_date(r.line, r.year, r.month, r.day, r.hour);
    r.obs = Qobs[r.line];
    r.sim = Qsim[r.line];
    r.diff = r.sim - r.obs;
    r.pct_error = (r.diff / r.obs) * 100;
    rows.push_back(r);
  }
  return rows;
}

static void write_largest(const std::vector<difference_row>& rows) {
  out << "\n\n" << std::flush;
  rule('-', 65);
  out << "\n";
  if (is_flow()) {
    out << "                25 LARGEST FLOW DIFFERENCES\n";
    out << "                    Observed  Simulated   Error    Percent\n";
    out << "      Date            Flow      Flow    (Sim-Obs)   Error\n";
  } else {
    out << "               25 LARGEST RAINFALL DIFFERENCES\n";
    out << "                    Observed  Simulated   Error    Percent\n";
    out << "      Date           Value     Value    (Sim-Obs)   Error\n";
  }
  rule('-', 65);
  out << "\n";

  for (const difference_row& r : rows) {
    out << std::setw(3) << r.hour << ":00 " << std::setfill('0') << std::setw(2) << r.month << "/"
        << std::setw(2) << r.day << "/" << std::setfill(' ') << r.year;
    out << std::setprecision(6) << std::setw(10) << r.obs << std::setw(11) << r.sim
        << std::setw(10) << r.diff << std::setw(10) << r.pct_error << std::endl;
  }
  out << std::setprecision(4);
}

void error25() {
  results.largest = largest_differences();
  write_largest(results.largest);
}

// ------------------------------------------------------ the fixed sections

void fixed_sections() {
  whole_period_tables t;
  const bool extras = extras_wanted;
  std::thread periods = start_period_tables(t, extras);
  t.whole = multi_year_row(extras);
  std::vector<difference_row> largest = largest_differences();
  if (periods.joinable()) periods.join();
  write_whole_period(t);
  results.largest = std::move(largest);
  write_largest(results.largest);
}

} // namespace twinser
