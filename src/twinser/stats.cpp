// Whole-period statistics: the fit measures, defined once here for every
// table of the report, the multi-year row with the best line fit, the yearly
// and monthly tables, and the 25 largest differences.
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

void total_bias() {}

// ------------------------------------------- yearly and monthly statistics

void yearly_display() {}
void yearly_bias() {}
void year_bias(int) {}
void monthly_display() {}
void monthly_bias() {}
void month_bias(int) {}

// ------------------------------------------------------ largest differences

void error25() {}
void array_fill(int*) {}
long double difference(int) { return 0; }

} // namespace twinser
