// Whole-period statistics: the fit measures, defined once here for every
// table of the report, the multi-year row with the best line fit, the yearly
// and monthly tables, and the 25 largest differences.
#include "twinser.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <string>

namespace twinser {

// ------------------------------------------------------------ fit measures
//
// Every measure is evaluated exactly as written, left to right, in IEEE
// double. No denominator is guarded on purpose: an empty class gives 0/0 and
// the report shows nan, a zero observed sum gives inf; users of the report
// read those as "no data" and "undefined", so do not "fix" them.
// n is the unsigned count; it is converted to double where it meets a double.

// Adds one line: d = s - o is formed once and its square taken of that double.
void fit_sums::add(double o, double s) {
  num += 1;
  Qobs_sum += o;
  Qsim_sum += s;
  double Qdiff = s - o;
  double Qdiff2 = Qdiff * Qdiff;
  Qdiff_sum += Qdiff;
  Qdiff_a_sum += std::fabs(Qdiff);
  Qdiff2_sum += Qdiff2;
  Qobsxsim += o * s;
  Qobs_sq += o * o;
  Qsim_sq += s * s;
}

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
  if (AREA > 0) {
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

void total_bias() {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (valid_for_total(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);

  double r_corr = corr_r(f);
  double rms = rel_rms(f);
  double rms_real = rms_scaled(f, rms);
  double std_o = var_obs(f); // variances first, standard deviations below
  double std_s = var_sim(f);
  double nash = nash_r(rms_real, std_o);
  std_o = std::sqrt(std_o);
  std_s = std::sqrt(std_s);
  double cv_o = std_o / mean_obs(f);
  double cv_s = std_s / mean_sim(f);
  double r_mod = r_corr * spread_ratio(f);
  double b = line_b(f);
  double a = line_a(f, b);

  multi_year_heading();
  out << std::setprecision(5) << std::setw(9) << percent_bias(f) << std::setw(8)
      << abs_percent_bias(f);
  out << std::setprecision(4) << std::setw(8) << mean_obs(f) << std::setw(8) << mean_sim(f)
      << std::setw(8) << std_o << std::setw(7) << std_s << std::setw(7) << cv_o
      << std::setw(7) << cv_s << std::setw(7) << rms * 100 << std::setw(7) << rms_real;
  out << std::setprecision(3) << std::setw(7) << r_corr << " " << std::setw(7) << nash
      << std::setw(7) << r_mod << std::endl;

  // A and B keep the precision of the row's last fields (3)
  if (AREA > 0)
    out << "\n  Best line fit:  Qobs = A+B*Qsim:  A--> " << a << " (cms)" << "  B--> " << b
        << "\n";
  else
    out << "\n  Best line fit:  Pobs = A+B*Psim:  A--> " << a << " (mm)" << "  B--> " << b
        << "\n";
  out << "\n";
}

// ------------------------------------------- yearly and monthly statistics
//
// One row per calendar year of the period and one per month number, pooled
// over the years. Only the missing-value marker keeps a line out here
// (neither_missing): a negative reading such as -0.5 takes part, unlike in
// the multi-year row. A year or month without lines gives a row of nan.
// Each row makes its own pass over all lines, so its sums are in line order.

// The measures of one yearly or monthly row.
struct row_measures {
  double pbias, abs_pbias, abs_err, mean_o, mean_s, pct_rms, rms_real, r_corr, nash;
};

static row_measures row_of(const fit_sums& f) {
  row_measures m;
  m.r_corr = corr_r(f);
  double rms = rel_rms(f);
  m.rms_real = rms_of_mean(f, rms);
  m.nash = nash_r(m.rms_real, var_obs(f));
  m.pbias = percent_bias(f);
  m.abs_pbias = abs_percent_bias(f);
  m.abs_err = abs_error(f);
  m.mean_o = mean_obs(f);
  m.mean_s = mean_sim(f);
  m.pct_rms = rms * 100;
  return m;
}

void yearly_display() {
  out << "\n";
  rule('=', 85);
  out << "\n";
  out << "                                  YEARLY STATISTICS\n";
  out << "                Absolute  Absolute\n";
  out << "        Percent  Percent   Error   Observed Simulated  Percent    RMS         Nash-S.\n";
  if (AREA > 0)
    out << " Year    Bias     Bias     (CMS)     Qmean    Qmean      RMS     (CMS)    R      r\n";
  else
    out << " Year    Bias     Bias     ( MM)     Pmean    Pmean      RMS     ( MM)    R      r\n";
  rule('-', 85);
  out << "\n";
  yearly_bias();
}

void yearly_bias() {
  for (int y = year_begin; y <= year_end; ++y) year_bias(y);
}

void year_bias(int yr) {
  // the store runs forward in time, so a year's lines are one stretch; the
  // sums over it are those of a scan of every line, in the same order
  const int* begin = year;
  const int* end = year + LINES;
  const int* first = std::lower_bound(begin, end, yr);
  const int* last = std::upper_bound(first, end, yr);
  fit_sums f;
  for (int i = static_cast<int>(first - year); i < static_cast<int>(last - year); ++i)
    if (neither_missing(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  row_measures m = row_of(f);

  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(5) << yr << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(9) << m.abs_err << std::setw(9) << m.mean_o << std::setw(9) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(9) << m.rms_real;
  out << std::setprecision(3) << " " << std::setw(7) << m.r_corr << " " << std::setw(7)
      << m.nash << std::endl;
}

void monthly_display() {
  out << "\n\n";
  rule('=', 86);
  out << "\n";
  out << "                                 MONTHLY STATISTICS\n";
  out << "               Absolute  Absolute\n";
  out << "       Percent  Percent   Error    Observed  Simulated  Percent     RMS         "
         "Nash-S.\n";
  if (AREA > 0)
    out << "Month   Bias     Bias     (CMS)     Qmean     Qmean       RMS      (CMS)    R"
           "       r\n";
  else
    out << "Month   Bias     Bias     ( MM)     Pmean     Pmean       RMS      ( MM)    R"
           "       r\n";
  rule('-', 87);
  out << "\n";
  monthly_bias();
}

void monthly_bias() {
  for (int m = 1; m <= 12; ++m) month_bias(m);
}

void month_bias(int mon) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (month[i] == mon && neither_missing(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  row_measures m = row_of(f);

  // no separating blanks before R and r: the wider fields take their place
  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(3) << mon << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(10) << m.abs_err << std::setw(11) << m.mean_o << std::setw(10) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(10) << m.rms_real;
  out << std::setprecision(3) << std::setw(7) << m.r_corr << std::setw(8) << m.nash
      << std::endl;
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

void error25() {
  int line[RANKED];
  array_fill(line);

  out << "\n\n" << std::flush;
  rule('-', 65);
  out << "\n";
  if (AREA > 0) {
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

  for (int p = 0; p < RANKED && line[p] != NO_LINE; ++p) {
    int L = line[p];
    int iy = 0, im = 0, id = 0, ih = 0;
    line_to_date(L, iy, im, id, ih);
    double diff = Qsim[L] - Qobs[L];
    out << std::setw(3) << ih << ":00 " << std::setfill('0') << std::setw(2) << im << "/"
        << std::setw(2) << id << "/" << std::setfill(' ') << iy;
    out << std::setprecision(6) << std::setw(10) << Qobs[L] << std::setw(11) << Qsim[L]
        << std::setw(10) << diff << std::setw(10) << (diff / Qobs[L]) * 100 << std::endl;
  }
  out << std::setprecision(4);
}

} // namespace twinser
