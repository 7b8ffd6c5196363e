// Sampling uncertainty of the whole-period efficiencies: how much NSE, KGE,
// percent bias and r would move had other years of the same kind been
// recorded. A block bootstrap over whole years and the jackknife beside it.
#include "twinser.h"

#include <algorithm>
#include <cmath>

namespace twinser {

// --------------------------------------------------------- sums of a year
//
// A year is a block of 12 months counted from the first month of the period
// (by the month and year labels of the lines, as the yearly rows are made),
// so a period starting in October gives water years. Only whole blocks are
// used: the lines of a last part-year are left out, as is a year without a
// line that takes part. The lines are the multi-year row's (valid_for_total).
//
// Each year keeps its count, means and sums about its own means, found in
// two passes over its lines, free of the cancellation of raw power sums.
// Two sets a and b of lines pool exactly (Chan, Golub and LeVeque 1979):
//   n     = na + nb,  d_o = mean_o(b) - mean_o(a),  d_s likewise
//   mean  = mean(a) + d nb / n
//   oo    = oo(a) + oo(b) + d_o^2 na nb / n         (ss likewise)
//   os    = os(a) + os(b) + d_o d_s na nb / n
//   dd, sum o, sum (s - o): plain sums
// so a resample of k years costs k poolings, whatever the number of lines.

// The sums of the lines [begin, end) of one year, in two passes over lines
// still in the cache. A function of its own, not inlined: within the loop
// over the years, whose calls leave no register as it was, the sums would
// live in memory, each addition waiting on the store of the one before.
[[gnu::noinline]] static year_sums sums_of_year(const double* obs, const double* sim, int begin, int end,
                                                bool temperature) {
  const auto takes_part = [temperature](double o, double s) {
    return temperature ? neither_missing(o, s) : both_non_negative(o, s);
  };
  year_sums y;
  std::uint32_t n = 0;
  double so = 0, ss = 0;
  for (int i = begin; i < end; ++i)
    if (takes_part(obs[i], sim[i])) {
      n += 1;
      so += obs[i];
      ss += sim[i];
    }
  y.n = n;
  if (n == 0) return y;
  const double mean_o = so / n, mean_s = ss / n;
  y.mean_o = mean_o;
  y.mean_s = mean_s;
  double oo = 0, s2 = 0, os = 0, dd = 0, sum_o = 0, sum_d = 0;
  for (int i = begin; i < end; ++i) {
    if (!takes_part(obs[i], sim[i])) continue;
    const double co = obs[i] - mean_o, cs = sim[i] - mean_s, d = sim[i] - obs[i];
    oo += co * co;
    s2 += cs * cs;
    os += co * cs;
    dd += d * d;
    sum_o += obs[i];
    sum_d += d;
  }
  y.oo = oo;
  y.ss = s2;
  y.os = os;
  y.dd = dd;
  y.sum_o = sum_o;
  y.sum_d = sum_d;
  return y;
}

std::vector<year_sums> whole_year_sums(const double* obs, const double* sim, const int* months,
                                       const int* years, int lines, int first_month, int first_year,
                                       int whole_years, bool temperature) {
  // months from the first month of the period to a line's label; the labels
  // never fall along the store, so each year is one stretch of lines, found
  // by bisection
  const auto month_of = [&](int i) {
    return (static_cast<long long>(years[i]) - first_year) * 12 + months[i] - first_month;
  };
  const auto first_line_from = [&](long long m) {
    int lo = 0, hi = lines; // first line whose month is m or later
    while (lo < hi) {
      const int mid = lo + (hi - lo) / 2;
      if (month_of(mid) < m) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  };
  std::vector<year_sums> kept;
  int begin = first_line_from(0);
  for (int b = 0; b < whole_years; ++b) {
    const int end = first_line_from(12LL * (b + 1));
    const year_sums y = sums_of_year(obs, sim, begin, end, temperature);
    if (y.n > 0) kept.push_back(y);
    begin = end;
  }
  return kept;
}

year_sums combine(const year_sums& a, const year_sums& b) {
  if (a.n == 0) return b;
  if (b.n == 0) return a;
  year_sums c;
  c.n = a.n + b.n;
  const double n = c.n, na = a.n, nb = b.n;
  const double d_o = b.mean_o - a.mean_o, d_s = b.mean_s - a.mean_s;
  const double w = na * nb / n;
  c.mean_o = a.mean_o + d_o * nb / n;
  c.mean_s = a.mean_s + d_s * nb / n;
  c.oo = a.oo + b.oo + d_o * d_o * w;
  c.ss = a.ss + b.ss + d_s * d_s * w;
  c.os = a.os + b.os + d_o * d_s * w;
  c.dd = a.dd + b.dd;
  c.sum_o = a.sum_o + b.sum_o;
  c.sum_d = a.sum_d + b.sum_d;
  return c;
}

// The measures of pooled sums, as the extra measures and the percent bias
// define them (stats.cpp):
//   nse          = 1 - dd / oo
//   r            = os / sqrt(oo ss)
//   alpha        = sqrt(ss / oo),  beta = mean s / mean o,  gamma = alpha / beta
//   kge_2009     = 1 - sqrt((r - 1)^2 + (alpha - 1)^2 + (beta - 1)^2)
//   kge_2012     = the same with gamma for alpha
//   percent_bias = 100 sum (s - o) / sum o
// Unguarded here: a zero denominator gives a nan or an infinity, which the
// interval below turns into a reason.
sample_measures measures_of(const year_sums& y) {
  sample_measures m;
  m.r = y.os / std::sqrt(y.oo * y.ss);
  const double alpha = std::sqrt(y.ss / y.oo);
  const double beta = y.mean_s / y.mean_o;
  const double gamma = alpha / beta;
  m.nse = 1 - y.dd / y.oo;
  m.kge_2009 = 1 - std::sqrt((m.r - 1) * (m.r - 1) + (alpha - 1) * (alpha - 1) + (beta - 1) * (beta - 1));
  m.kge_2012 = 1 - std::sqrt((m.r - 1) * (m.r - 1) + (gamma - 1) * (gamma - 1) + (beta - 1) * (beta - 1));
  m.percent_bias = (y.sum_d / y.sum_o) * 100;
  return m;
}

// ---------------------------------------------------------- the bootstrap
//
// Each resample draws k years with replacement from the k whole years and
// pools their sums in the order drawn. The draws come from splitmix64 (a
// 64-bit counter stepped by 0x9E3779B97F4A7C15 and mixed; Steele, Lea and
// Flood 2014), seeded with BOOTSTRAP_SEED, a year index being the output
// modulo k (a bias below k / 2^64): the same draws on every machine and run.
//
// Of the resampled values of a measure: the 5 % and 95 % values (a 90 %
// interval) and the median, each read between order statistics by linear
// interpolation, at position p (N - 1) from 0 of the N sorted values.
//
// Jackknife standard error, with theta_i the measure of all years but i and
// theta_bar their mean:
//   se = sqrt((k - 1) / k * sum_i (theta_i - theta_bar)^2)
//
// A measure that is not finite in some resample or leave-one-out set (an
// observed series constant over the drawn years, say) gets a reason instead
// of an interval.

namespace {

std::uint64_t splitmix64(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// The five measures side by side, to walk them alike.
constexpr int MEASURES = 5;
double& measure_at(sample_measures& m, int j) {
  switch (j) {
  case 0: return m.nse;
  case 1: return m.kge_2009;
  case 2: return m.kge_2012;
  case 3: return m.percent_bias;
  default: return m.r;
  }
}
interval_record& interval_at(uncertainty_record& u, int j) {
  switch (j) {
  case 0: return u.nse;
  case 1: return u.kge_2009;
  case 2: return u.kge_2012;
  case 3: return u.percent_bias;
  default: return u.r;
  }
}

} // namespace

std::vector<std::uint32_t> bootstrap_draws(std::uint64_t seed, int years, int resamples) {
  std::vector<std::uint32_t> draws;
  if (years <= 0 || resamples <= 0) return draws;
  draws.reserve(static_cast<std::size_t>(years) * static_cast<std::size_t>(resamples));
  std::uint64_t state = seed;
  for (long long j = 0; j < static_cast<long long>(years) * resamples; ++j)
    draws.push_back(static_cast<std::uint32_t>(splitmix64(state) % static_cast<std::uint64_t>(years)));
  return draws;
}

double quantile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return NAN_VALUE;
  const double at = p * static_cast<double>(sorted.size() - 1);
  const std::size_t i = static_cast<std::size_t>(at);
  if (i + 1 >= sorted.size()) return sorted.back();
  return sorted[i] + (at - static_cast<double>(i)) * (sorted[i + 1] - sorted[i]);
}

uncertainty_record block_bootstrap(const std::vector<year_sums>& years, int resamples,
                                   std::uint64_t seed) {
  uncertainty_record u;
  u.resamples = resamples;
  u.seed = seed;
  u.years = static_cast<int>(years.size());
  if (u.years < BOOTSTRAP_MIN_YEARS) {
    u.reason = "fewer than five whole years";
    return u;
  }
  const std::size_t k = years.size();

  // the resamples, each year drawn as it is pooled: the draws of
  // bootstrap_draws in turn, never held (as many as years x resamples)
  std::vector<double> values[MEASURES];
  for (auto& v : values) v.reserve(static_cast<std::size_t>(resamples));
  std::uint64_t state = seed;
  for (int b = 0; b < resamples; ++b) {
    year_sums pooled;
    for (std::size_t j = 0; j < k; ++j)
      pooled = combine(pooled, years[static_cast<std::size_t>(splitmix64(state) % k)]);
    sample_measures m = measures_of(pooled);
    for (int j = 0; j < MEASURES; ++j) values[j].push_back(measure_at(m, j));
  }

  // one year left out at a time: the years before it pooled once, in order
  std::vector<double> left_out[MEASURES];
  year_sums before;
  for (std::size_t i = 0; i < k; ++i) {
    year_sums pooled = before;
    for (std::size_t j = i + 1; j < k; ++j) pooled = combine(pooled, years[j]);
    sample_measures m = measures_of(pooled);
    for (int j = 0; j < MEASURES; ++j) left_out[j].push_back(measure_at(m, j));
    before = combine(before, years[i]);
  }

  for (int j = 0; j < MEASURES; ++j) {
    interval_record& iv = interval_at(u, j);
    std::vector<double>& v = values[j];
    const auto finite = [](double x) { return std::isfinite(x); };
    if (!std::all_of(v.begin(), v.end(), finite) ||
        !std::all_of(left_out[j].begin(), left_out[j].end(), finite)) {
      iv.reason = "not defined for every resample of years";
      continue;
    }
    std::sort(v.begin(), v.end());
    iv.p05 = quantile(v, 0.05);
    iv.median = quantile(v, 0.5);
    iv.p95 = quantile(v, 0.95);
    // the mean taken about the first value, so that equal values give an
    // error of exactly zero
    const double first = left_out[j].front();
    double shift = 0;
    for (double x : left_out[j]) shift += x - first;
    const double mean = first + shift / static_cast<double>(k);
    double sq = 0;
    for (double x : left_out[j]) sq += (x - mean) * (x - mean);
    iv.jackknife_se = std::sqrt(static_cast<double>(k - 1) / static_cast<double>(k) * sq);
  }
  return u;
}

} // namespace twinser
