// The fit measures, defined once here for every table of the report, their
// bundle for a set of lines, and the extra measures of the renderings.
#include "twinser.h"

#include <cmath>

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

} // namespace twinser
