// The measures beyond the report, on result records: duration curves and
// their segment biases, the low-flow efficiencies, the benchmarks and the
// block bootstrap. Expected values are worked from the definitions by hand
// (each derivation beside it) or published by peers for their test arrays.
#include "summary.h"
#include "support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <functional>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace twinser;

namespace {

// ------------------------------------------------------- duration curves

TEST(DurationCurve, TenValuesWorkedByHand) {
  // 1..10 shuffled, simulated = observed squared; padded with a missing, a
  // negative observed and a negative simulated line, which stay out
  std::vector<double> o = {3, 10, 1, 7, -999, 5, 9, 2, -0.5, 8, 4, 6, 2};
  std::vector<double> s = {9, 100, 1, 49, 4, 25, 81, 4, 4, 64, 16, 36, -0.5};
  const duration_curve_record c = duration_curve(o.data(), s.data(), 13, false);
  ASSERT_EQ(c.reason, "");
  EXPECT_EQ(c.n, 10u);
  // p_i = i / 11: at 50 % x = 5.5, halfway between the 5th (6) and 6th (5)
  // largest; 36 and 25 for the simulation. At 90 %: x = 9.9, 2 - 0.9 = 1.1 and
  // 4 - 0.9 * 3 = 1.3. Outside 1/11 .. 10/11 the largest and smallest value.
  const std::vector<double> od = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
  const std::vector<double> sd = {100, 81, 64, 49, 36, 25, 16, 9, 4, 1};
  EXPECT_DOUBLE_EQ(curve_value(od, 50), 5.5);
  EXPECT_DOUBLE_EQ(curve_value(sd, 50), 30.5);
  EXPECT_NEAR(curve_value(od, 90), 1.1, 1e-12);
  EXPECT_NEAR(curve_value(sd, 90), 1.3, 1e-12);
  EXPECT_EQ(curve_value(od, 0.01), 10);
  EXPECT_EQ(curve_value(od, 99.99), 1);
  EXPECT_EQ(curve_value(od, 100.0 / 11), 10); // the first plotting position itself
  // the record holds the curve at the grid: 395 points, hundredths of a
  // percent, every 0.01 % at both ends and every 0.5 % between
  ASSERT_EQ(c.exceedance_percent.size(), 395u);
  ASSERT_EQ(c.observed.size(), 395u);
  ASSERT_EQ(c.simulated.size(), 395u);
  EXPECT_EQ(c.exceedance_percent.front(), 0.01);
  EXPECT_EQ(c.exceedance_percent[99], 1.0);
  EXPECT_EQ(c.exceedance_percent[100], 1.5);
  EXPECT_EQ(c.exceedance_percent[294], 98.5);
  EXPECT_EQ(c.exceedance_percent[295], 99.0);
  EXPECT_EQ(c.exceedance_percent.back(), 99.99);
  for (std::size_t k = 0; k < c.exceedance_percent.size(); ++k)
    if (c.exceedance_percent[k] == 50) {
      EXPECT_DOUBLE_EQ(c.observed[k], 5.5);
      EXPECT_DOUBLE_EQ(c.simulated[k], 30.5);
    }
  // high segment: 1/11 > 2 %, no rank in it
  EXPECT_TRUE(std::isnan(c.high_volume.value));
  EXPECT_EQ(c.high_volume.reason, "no value in the segment: too few lines");
  EXPECT_EQ(c.high_volume.from_percent, 0);
  EXPECT_EQ(c.high_volume.to_percent, 2);
  // mid slope: O(20 %) at x = 2.2 is 9 - 0.2 = 8.8, O(70 %) at x = 7.7 is
  // 4 - 0.7 = 3.3; S(20 %) = 81 - 0.2 * 17 = 77.6, S(70 %) = 16 - 0.7 * 7 = 11.1
  const double obs_slope = std::log(8.8) - std::log(3.3);
  const double sim_slope = std::log(77.6) - std::log(11.1);
  EXPECT_NEAR(c.mid_slope.value, 100 * (sim_slope - obs_slope) / obs_slope, 1e-9);
  // low segment: i / 11 >= 0.7 for i = 8, 9, 10: O 3 2 1, S 9 4 1;
  // sum ln(O / 1) = ln 6, sum ln(S / 1) = ln 36 = 2 ln 6: FLV = -100 (2 - 1)
  EXPECT_NEAR(c.low_volume.value, -100, 1e-9);
  EXPECT_EQ(c.low_volume.reason, "");
}

TEST(DurationCurve, SegmentsOfOneValueAndBounds) {
  // 60 lines 1..60, simulation one higher: the high segment (i / 61 < 2 %)
  // holds only the largest value, FHV = 100 * (61 - 60) / 60
  std::vector<double> o, s;
  for (int v = 1; v <= 60; ++v) {
    o.push_back(v);
    s.push_back(v + 1);
  }
  duration_curve_record c = duration_curve(o.data(), s.data(), 60, false);
  EXPECT_NEAR(c.high_volume.value, 100.0 / 60, 1e-12);
  // low segment i = 43..60 (i / 61 >= 0.7): O 18..1, S 19..2, minimum 1 and 2:
  // sum ln O = ln 18!, sum ln(S / 2) = ln 19! - 18 ln 2
  const double so = std::lgamma(19.0), ss = std::lgamma(20.0) - 18 * std::log(2.0);
  EXPECT_NEAR(c.low_volume.value, -100 * (ss - so) / so, 1e-9);
  // the 2 % bound: 49 values leave the high segment empty, 50 give it one
  c = duration_curve(o.data(), s.data(), 49, false);
  EXPECT_EQ(c.high_volume.reason, "no value in the segment: too few lines");
  c = duration_curve(o.data(), s.data(), 50, false);
  EXPECT_NEAR(c.high_volume.value, 100.0 / 50, 1e-12);
  // three values: the low segment is the smallest alone, a zero denominator
  const std::vector<double> o3 = {3, 2, 1}, s3 = {1, 2, 3};
  EXPECT_EQ(low_volume_bias(o3, s3, 70, 100).reason, "the observed curve is flat in the segment");
  EXPECT_TRUE(std::isnan(low_volume_bias(o3, s3, 70, 100).value));
}

TEST(DurationCurve, ConstantZeroAndTemperature) {
  // a constant series: no slope and no spread to compare; the high volume is
  // met exactly
  std::vector<double> o(60, 5.0), s(60, 5.0);
  duration_curve_record c = duration_curve(o.data(), s.data(), 60, false);
  EXPECT_EQ(c.high_volume.value, 0);
  EXPECT_EQ(c.mid_slope.reason, "the observed curve is flat in the segment");
  EXPECT_EQ(c.low_volume.reason, "the observed curve is flat in the segment");
  // zero flows: no logarithm for the slope or the low segment, and a zero
  // high-flow volume
  std::vector<double> z(60, 0.0);
  c = duration_curve(z.data(), s.data(), 60, false);
  EXPECT_EQ(c.high_volume.reason, "the observed volume of the segment is zero");
  EXPECT_EQ(c.mid_slope.reason, "a zero value at a bound of the segment has no logarithm");
  EXPECT_EQ(c.low_volume.reason, "a zero value in the segment has no logarithm");
  EXPECT_EQ(c.observed.front(), 0);
  // no line, and temperatures
  std::vector<double> gone(5, -999.0);
  EXPECT_EQ(duration_curve(gone.data(), s.data(), 5, false).reason,
            "no line where both values are present and not negative");
  EXPECT_EQ(duration_curve(o.data(), s.data(), 60, true).reason,
            "temperature series have no duration curve");
}

// The curves of a long record against a plain sort: the in-place radix sort
// must leave the ranks the record reads exactly where std::sort puts them,
// on values that stress it: long runs of one value, zeros and a -0,
// subnormals and huge values, a cluster differing only in the last bits of
// the mantissa (buckets split again and again), and thousands of values
// spread thinly (many buckets of a few values each).
TEST(DurationCurve, RadixSortAgreesWithPlainSort) {
  std::mt19937_64 draw(11);
  std::vector<double> o, s;
  const auto value = [&](int kind) {
    switch (kind) {
    case 0: return 5.0;                                                          // a long run
    case 1: return draw() % 3 == 0 ? -0.0 : 0.0;                                 // zeros
    case 2: return std::ldexp(static_cast<double>(draw() % 1000), -1074);        // subnormals
    case 3: return std::ldexp(1.0 + static_cast<double>(draw() % 1000) / 1e3, 1000); // huge
    case 4: return std::nextafter(20.0, 30.0) + static_cast<double>(draw() % 4096) * 0x1p-48; // a tight cluster
    default: return std::uniform_real_distribution<double>(0, 1000)(draw);      // spread thinly
    }
  };
  for (int i = 0; i < 120000; ++i) {
    o.push_back(value(static_cast<int>(draw() % 6)));
    s.push_back(value(static_cast<int>(draw() % 6)));
  }
  o[7] = -999;  // out, with its simulated value
  s[9] = -0.5;  // likewise
  const duration_curve_record c = duration_curve(o.data(), s.data(), static_cast<int>(o.size()), false);

  std::vector<double> od, sd;
  for (std::size_t i = 0; i < o.size(); ++i)
    if (o[i] >= 0 && s[i] >= 0) {
      od.push_back(o[i] + 0.0);
      sd.push_back(s[i] + 0.0);
    }
  std::sort(od.begin(), od.end(), std::greater<>());
  std::sort(sd.begin(), sd.end(), std::greater<>());
  ASSERT_EQ(c.n, od.size());
  for (std::size_t k = 0; k < c.exceedance_percent.size(); ++k) {
    EXPECT_EQ(c.observed[k], curve_value(od, c.exceedance_percent[k])) << c.exceedance_percent[k];
    EXPECT_EQ(c.simulated[k], curve_value(sd, c.exceedance_percent[k])) << c.exceedance_percent[k];
  }
  const curve_segment high = high_volume_bias(od, sd, 0, 2), mid = mid_slope_bias(od, sd, 20, 70),
                      low = low_volume_bias(od, sd, 70, 100);
  EXPECT_EQ(c.high_volume.value, high.value);
  EXPECT_EQ(c.mid_slope.value, mid.value);
  EXPECT_EQ(c.low_volume.reason, low.reason); // the zeros are in the low segment
  // without the zeros the low segment has a value, summed over its ranks in order
  for (double& v : o)
    if (v == 0) v = 1;
  for (double& v : s)
    if (v == 0) v = 2;
  const duration_curve_record p = duration_curve(o.data(), s.data(), static_cast<int>(o.size()), false);
  for (double& v : od)
    if (v == 0) v = 1;
  for (double& v : sd)
    if (v == 0) v = 2;
  std::sort(od.begin(), od.end(), std::greater<>());
  std::sort(sd.begin(), sd.end(), std::greater<>());
  // the low segment by hand: ranks i (from 1) with 100 i >= 70 (n + 1), summed in rank order
  const auto log_sum = [](const std::vector<double>& d) {
    const double lo = std::log(d.back());
    double sum = 0;
    for (std::size_t i = 1; i <= d.size(); ++i)
      if (100.0 * static_cast<double>(i) >= 70.0 * static_cast<double>(d.size() + 1))
        sum += std::log(d[i - 1]) - lo;
    return sum;
  };
  EXPECT_EQ(p.low_volume.value, -100 * (log_sum(sd) - log_sum(od)) / log_sum(od));
  EXPECT_FALSE(std::isnan(p.low_volume.value));
}

// ------------------------------------------------------------- low flows

TEST(LowFlows, ZeroFlowsWithTheOffset) {
  // o 0 2, s 2 0 (and a missing line): eps = 1 / 100. With D = ln 2.01 -
  // ln 0.01 the transformed pairs swap: NSE = 1 - 2 D^2 / (2 (D/2)^2) = -3;
  // r = -1, equal means and spreads (beta = gamma = 1): KGE = 1 - 2 = -1.
  // The inverse transform swaps them alike.
  const std::vector<double> o = {0, -999, 2}, s = {2, 3, 0};
  const low_flow_record r = low_flows(o.data(), s.data(), 3, false);
  ASSERT_EQ(r.reason, "");
  EXPECT_DOUBLE_EQ(r.offset, 0.01);
  EXPECT_NEAR(r.log_nse, -3, 1e-12);
  EXPECT_NEAR(r.log_kge_2012, -1, 1e-12);
  EXPECT_NEAR(r.inverse_nse, -3, 1e-12);
  EXPECT_NEAR(r.inverse_kge_2012, -1, 1e-12);
  // a perfect simulation scores 1 on both transforms
  const std::vector<double> q = {0, 1, 4, 9};
  const low_flow_record p = low_flows(q.data(), q.data(), 4, false);
  EXPECT_DOUBLE_EQ(p.log_nse, 1);
  EXPECT_DOUBLE_EQ(p.inverse_kge_2012, 1);
  // observed all zero: no offset; temperatures and no lines: none either
  const std::vector<double> zero = {0, 0}, some = {1, 2};
  EXPECT_EQ(low_flows(zero.data(), some.data(), 2, false).reason,
            "the observed mean is zero: no offset keeps a zero flow's logarithm");
  EXPECT_EQ(low_flows(some.data(), some.data(), 2, true).reason, "temperature series have no low flows");
  EXPECT_EQ(low_flows(some.data(), some.data(), 0, false).reason,
            "no line where both values are present and not negative");
  // a constant observed series: a zero denominator, not finite (null in the
  // summary), no crash
  const std::vector<double> flat = {5, 5, 5};
  const low_flow_record f = low_flows(flat.data(), some.data(), 2, false);
  EXPECT_FALSE(std::isfinite(f.log_nse));
  EXPECT_FALSE(std::isfinite(f.inverse_nse));
}

// ------------------------------------------------------------ benchmarks

// Three years of steps of `step` hours from January `first_year`: the
// observed value of hour slot k of a day is 10 k + c, c = 0, 3, 6 by year;
// simulated = observed + 1.
std::vector<double> three_years(int step, int first_year, std::vector<double>& sim) {
  std::vector<double> obs;
  sim.clear();
  const int per_day = 23 / step + 1;
  for (int y = 0; y < 3; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= days_of_month(m, first_year + y); ++d)
        for (int k = 0; k < per_day; ++k) {
          obs.push_back(10.0 * k + 3 * y + 20);
          sim.push_back(obs.back() + 1);
        }
  return obs;
}

TEST(Benchmark, SeasonalWorkedByHand) {
  std::vector<double> sim;
  // daily: the benchmark of a year is the mean of the other two, off by
  // 4.5, 0, -4.5: sum (b - o)^2 = 40.5 a calendar day, sum (s - o)^2 = 3
  std::vector<double> obs = three_years(24, 2001, sim);
  benchmark_record b = seasonal_benchmark(obs.data(), sim.data(), static_cast<int>(obs.size()), 24, 1,
                                          2001, false);
  EXPECT_FALSE(b.monthly_basis);
  EXPECT_EQ(b.lines, 3u * 365);
  EXPECT_NEAR(b.seasonal_nse, 1 - 3 / 40.5, 1e-12);
  // six-hourly: a day's benchmark is the mean of all its hours, 15 + the
  // other years' offset; the slots differ from it by 15, 5, -5, -15:
  // per day sum (b - o)^2 = 3 (225 + 25 + 25 + 225) + 4 * 40.5 = 1662, and
  // sum (s - o)^2 = 12
  obs = three_years(6, 2001, sim);
  b = seasonal_benchmark(obs.data(), sim.data(), static_cast<int>(obs.size()), 6, 1, 2001, false);
  EXPECT_EQ(b.lines, 3u * 365 * 4);
  EXPECT_NEAR(b.seasonal_nse, 1 - 12 / 1662.0, 1e-12);
  // 2003-2005: 29 February 2004 has no other year and stays out; a missing
  // line (11 April 2003) stays out too, and its day's benchmark in 2004 and
  // 2005 is the other one's value alone: off by 3 and -3, 18 for that day
  obs = three_years(24, 2003, sim);
  obs[100] = -999;
  b = seasonal_benchmark(obs.data(), sim.data(), static_cast<int>(obs.size()), 24, 1, 2003, false);
  EXPECT_EQ(b.lines, 3u * 365 - 1);
  EXPECT_NEAR(b.seasonal_nse, 1 - (3.0 * 365 - 1) / (40.5 * 364 + 18), 1e-12);
  // one year: nothing to compare with
  b = seasonal_benchmark(obs.data(), sim.data(), 365, 24, 1, 2003, false);
  EXPECT_TRUE(std::isnan(b.seasonal_nse));
  EXPECT_EQ(b.seasonal_nse_reason, "one year only: no other year to take the benchmark from");
  // identical years: the benchmark is exact, a zero denominator
  std::vector<double> same(3 * 365, 4.0);
  b = seasonal_benchmark(same.data(), sim.data(), 3 * 365, 24, 1, 2001, false);
  EXPECT_EQ(b.seasonal_nse_reason, "the benchmark equals every observed value");
  // the mean-flow benchmark's KGE, a constant
  EXPECT_EQ(b.mean_flow_kge, 1 - std::sqrt(2.0));
  EXPECT_NEAR(mean_flow_kge(), -0.41421356237, 1e-11);
}

// ------------------------------------------------------------ bootstrap

// A record of whole years of monthly lines: months 1..12 from January of
// first_year, `extra` months of a last part-year after them.
struct years_store {
  std::vector<double> obs, sim;
  std::vector<int> months, years;
  void add_year(int first_year, const std::vector<double>& o, const std::vector<double>& s) {
    const int y = first_year + static_cast<int>(obs.size()) / 12;
    for (std::size_t k = 0; k < o.size(); ++k) {
      obs.push_back(o[k]);
      sim.push_back(s[k]);
      months.push_back(static_cast<int>(k) + 1);
      years.push_back(y);
    }
  }
  std::vector<year_sums> sums(int whole, bool temperature = false) const {
    return whole_year_sums(obs.data(), sim.data(), months.data(), years.data(),
                           static_cast<int>(obs.size()), 1, 2000, whole, temperature);
  }
};

// One year of twelve values from a fixed generator.
void random_year(std::mt19937& gen, std::vector<double>& o, std::vector<double>& s) {
  o.clear();
  s.clear();
  for (int k = 0; k < 12; ++k) {
    const double wet = 5 + 20 * std::sin(k / 2.0) * std::sin(k / 2.0);
    o.push_back(wet + (gen() % 1000) / 50.0);
    s.push_back(0.9 * o.back() + (gen() % 1000) / 40.0);
  }
}

double width(const interval_record& i) { return i.p95 - i.p05; }

TEST(Bootstrap, IdenticalYearsGiveNoWidth) {
  years_store st;
  const std::vector<double> o = {1, 3, 8, 20, 12, 6, 4, 2, 2, 1, 1, 2};
  const std::vector<double> s = {2, 3, 6, 15, 16, 8, 4, 3, 2, 1, 2, 2};
  for (int y = 0; y < 6; ++y) st.add_year(2000, o, s);
  const uncertainty_record u = block_bootstrap(st.sums(6), BOOTSTRAP_RESAMPLES, BOOTSTRAP_SEED);
  ASSERT_EQ(u.reason, "");
  EXPECT_EQ(u.years, 6);
  EXPECT_EQ(u.resamples, 1000);
  for (const interval_record* i : {&u.nse, &u.kge_2009, &u.kge_2012, &u.percent_bias, &u.r}) {
    ASSERT_EQ(i->reason, "");
    EXPECT_EQ(i->p05, i->p95);
    EXPECT_EQ(i->p05, i->median);
    EXPECT_EQ(i->jackknife_se, 0);
  }
  // the one value is the year's own: sum d^2 = 1+0+4+25+16+4+0+1 +0+0+1+0 = 52
  double mean = 0, ss = 0;
  for (double v : o) mean += v / 12;
  for (double v : o) ss += (v - mean) * (v - mean);
  EXPECT_NEAR(u.nse.median, 1 - 52 / ss, 1e-12);
}

TEST(Bootstrap, IntervalNarrowsAsYearsOfTheSameKindAreAdded) {
  std::mt19937 gen(5);
  std::vector<std::vector<double>> os(8), ss(8);
  for (int y = 0; y < 8; ++y) random_year(gen, os[y], ss[y]);
  years_store few, many;
  for (int y = 0; y < 8; ++y) few.add_year(2000, os[y], ss[y]);
  for (int rep = 0; rep < 4; ++rep)
    for (int y = 0; y < 8; ++y) many.add_year(2000, os[y], ss[y]);
  const uncertainty_record a = block_bootstrap(few.sums(8), 1000, BOOTSTRAP_SEED);
  const uncertainty_record b = block_bootstrap(many.sums(32), 1000, BOOTSTRAP_SEED);
  ASSERT_EQ(a.reason + b.reason, "");
  // four times the years: about half the width (1 / sqrt 4)
  EXPECT_GT(width(a.nse), 0);
  EXPECT_LT(width(b.nse), 0.7 * width(a.nse));
  EXPECT_LT(width(b.kge_2012), 0.7 * width(a.kge_2012));
  EXPECT_LT(width(b.percent_bias), 0.7 * width(a.percent_bias));
  EXPECT_LT(b.nse.jackknife_se, 0.7 * a.nse.jackknife_se);
  EXPECT_LE(a.nse.p05, a.nse.median);
  EXPECT_LE(a.nse.median, a.nse.p95);
}

// The measures of lines put together directly, as the extra measures and
// the percent bias of the report form them.
sample_measures direct(const std::vector<double>& o, const std::vector<double>& s) {
  fit_sums f;
  for (std::size_t i = 0; i < o.size(); ++i) f.add(o[i], s[i]);
  centred_sums c(f);
  for (std::size_t i = 0; i < o.size(); ++i) c.add(o[i], s[i]);
  fit_row row = measure_bundle(f, rms_order::scaled);
  extra_measures(row, c);
  return {row.nse, row.kge_2009, row.kge_2012, row.pbias, c.os / std::sqrt(c.oo * c.ss)};
}

TEST(Bootstrap, YearlySumsEqualResamplingTheLines) {
  std::mt19937 gen(11);
  years_store st;
  std::vector<double> o, s;
  for (int y = 0; y < 7; ++y) {
    random_year(gen, o, s);
    if (y == 2) o[4] = -999; // a missing line stays out of its year
    if (y == 5) s[7] = -3;   // and so does a negative one
    st.add_year(2000, o, s);
  }
  random_year(gen, o, s);
  o.resize(5); // a last part-year of five months: left out
  s.resize(5);
  st.add_year(2000, o, s);
  const std::vector<year_sums> ys = st.sums(7);
  ASSERT_EQ(ys.size(), 7u);
  EXPECT_EQ(ys[2].n, 11u);
  EXPECT_EQ(ys[5].n, 11u);

  // each resample: the drawn years' lines put together, line by line
  const int resamples = 200;
  const std::vector<std::uint32_t> draws = bootstrap_draws(BOOTSTRAP_SEED, 7, resamples);
  ASSERT_EQ(draws.size(), 7u * resamples);
  std::vector<double> nse, pbias;
  for (int b = 0; b < resamples; ++b) {
    std::vector<double> ro, rs;
    year_sums pooled;
    for (int j = 0; j < 7; ++j) {
      const std::uint32_t y = draws[static_cast<std::size_t>(b * 7 + j)];
      ASSERT_LT(y, 7u);
      pooled = combine(pooled, ys[y]);
      for (int k = 0; k < 12; ++k) {
        const std::size_t i = static_cast<std::size_t>(y) * 12 + static_cast<std::size_t>(k);
        if (both_non_negative(st.obs[i], st.sim[i])) {
          ro.push_back(st.obs[i]);
          rs.push_back(st.sim[i]);
        }
      }
    }
    const sample_measures d = direct(ro, rs), p = measures_of(pooled);
    EXPECT_NEAR(p.nse, d.nse, 1e-9);
    EXPECT_NEAR(p.kge_2009, d.kge_2009, 1e-9);
    EXPECT_NEAR(p.kge_2012, d.kge_2012, 1e-9);
    EXPECT_NEAR(p.percent_bias, d.percent_bias, 1e-9);
    EXPECT_NEAR(p.r, d.r, 1e-9);
    nse.push_back(d.nse);
    pbias.push_back(d.percent_bias);
  }
  // and the interval read off them
  std::sort(nse.begin(), nse.end());
  std::sort(pbias.begin(), pbias.end());
  const uncertainty_record u = block_bootstrap(ys, resamples, BOOTSTRAP_SEED);
  EXPECT_NEAR(u.nse.p05, quantile(nse, 0.05), 1e-9);
  EXPECT_NEAR(u.nse.median, quantile(nse, 0.5), 1e-9);
  EXPECT_NEAR(u.percent_bias.p95, quantile(pbias, 0.95), 1e-9);
}

TEST(Bootstrap, QuantilesAndTooFewYears) {
  // position p (N - 1): of 1 2 3 4 5, 5 % is 1.2, the median 3, 95 % 4.8
  const std::vector<double> v = {1, 2, 3, 4, 5};
  EXPECT_DOUBLE_EQ(quantile(v, 0.05), 1.2);
  EXPECT_DOUBLE_EQ(quantile(v, 0.5), 3);
  EXPECT_DOUBLE_EQ(quantile(v, 0.95), 4.8);
  // four whole years and a part-year of eleven months: no interval
  std::mt19937 gen(3);
  years_store st;
  std::vector<double> o, s;
  for (int y = 0; y < 5; ++y) {
    random_year(gen, o, s);
    if (y == 4) {
      o.resize(11);
      s.resize(11);
    }
    st.add_year(2000, o, s);
  }
  const uncertainty_record u = block_bootstrap(st.sums(4), 1000, BOOTSTRAP_SEED);
  EXPECT_EQ(u.reason, "fewer than five whole years");
  EXPECT_TRUE(std::isnan(u.nse.p05));
  // a year that is all missing is no year
  years_store gaps;
  for (int y = 0; y < 5; ++y) {
    random_year(gen, o, s);
    if (y == 1) o.assign(12, -999);
    gaps.add_year(2000, o, s);
  }
  EXPECT_EQ(block_bootstrap(gaps.sums(5), 1000, BOOTSTRAP_SEED).reason, "fewer than five whole years");
}

TEST(Bootstrap, PooledYearsGiveThePeersValues) {
  std::ifstream file(PEER_CASES_JSON);
  ASSERT_TRUE(file) << PEER_CASES_JSON;
  const nlohmann::json cases = nlohmann::json::parse(file);
  int checked = 0;
  for (const auto& c : cases) {
    const std::string source = c["source"];
    const std::vector<double> o = c["obs"], s = c["sim"];
    const auto& e = c["expected"];
    if (source.find("test_objective_functions.py") != std::string::npos) {
      // 50 lines as five "years" of ten
      std::vector<int> months(50, 1), years(50);
      for (int i = 0; i < 50; ++i) years[static_cast<std::size_t>(i)] = 2000 + i / 10;
      const std::vector<year_sums> ys =
          whole_year_sums(o.data(), s.data(), months.data(), years.data(), 50, 1, 2000, 5, false);
      ASSERT_EQ(ys.size(), 5u);
      year_sums all;
      for (const year_sums& y : ys) all = combine(all, y);
      const sample_measures m = measures_of(all);
      EXPECT_NEAR(m.nse, e["nse"].get<double>(), 1e-9);
      EXPECT_NEAR(m.r, e["r"].get<double>(), 1e-9);
      EXPECT_NEAR(m.percent_bias, e["pbias_ours"].get<double>(), 1e-9);
      ++checked;
    } else if (source.find("tutorial.rst") != std::string::npos) {
      // twelve water years of days from October 2004, observed gaps as -999
      twinser_test::Run run;
      run.store(o, s, 24, 10, 2004, 9, 2016);
      const std::vector<year_sums> ys =
          whole_year_sums(Qobs, Qsim, month, year, LINES, 10, 2004, 12, false);
      ASSERT_EQ(ys.size(), 12u);
      year_sums all;
      for (const year_sums& y : ys) all = combine(all, y);
      EXPECT_EQ(all.n, c["n_valid"].get<unsigned>());
      EXPECT_NEAR(measures_of(all).nse, e["nse"].get<double>(), 1e-9);
      ++checked;
    }
  }
  EXPECT_EQ(checked, 2);
}

// ------------------------------------------------------------ the summary

TEST(BeyondSummary, ReasonFormsAndAbsence) {
  run_record run;
  // not computed (twinser without a rendering): nothing is added
  nlohmann::ordered_json j = twinser_view::summary_json(run, "t");
  EXPECT_FALSE(j["whole_period"].contains("low_flow"));
  EXPECT_FALSE(j.contains("duration_curve"));
  // computed, each part unable: the reason forms of the summary
  run.beyond.computed = true;
  run.beyond.duration_curve.reason = "temperature series have no duration curve";
  run.beyond.low_flow.reason = "temperature series have no low flows";
  run.beyond.benchmark.seasonal_nse_reason = "one year only: no other year to take the benchmark from";
  run.beyond.benchmark.mean_flow_kge = mean_flow_kge();
  run.beyond.uncertainty.reason = "left out (--no-bootstrap)";
  j = twinser_view::summary_json(run, "t");
  const auto& w = j["whole_period"];
  EXPECT_EQ(w["low_flow"], nlohmann::ordered_json({{"reason", "temperature series have no low flows"}}));
  EXPECT_TRUE(w["benchmark"]["seasonal_nse"].is_null());
  EXPECT_EQ(w["benchmark"]["seasonal_nse_reason"], "one year only: no other year to take the benchmark from");
  EXPECT_EQ(w["benchmark"]["mean_flow_kge"].get<double>(), 1 - std::sqrt(2.0));
  EXPECT_EQ(w["uncertainty"], nlohmann::ordered_json({{"reason", "left out (--no-bootstrap)"}}));
  EXPECT_EQ(j["duration_curve"],
            nlohmann::ordered_json({{"reason", "temperature series have no duration curve"}}));
  // the duration curve follows the whole period directly
  auto after = j.begin();
  while (after.key() != "whole_period") ++after;
  EXPECT_EQ((++after).key(), "duration_curve");
  // a segment without a value: null and its reason beside it
  run.beyond.duration_curve = duration_curve_record{};
  run.beyond.duration_curve.n = 3;
  run.beyond.duration_curve.high_volume.reason = "no value in the segment: too few lines";
  j = twinser_view::summary_json(run, "t");
  EXPECT_TRUE(j["duration_curve"]["high_volume_bias"]["value"].is_null());
  EXPECT_EQ(j["duration_curve"]["high_volume_bias"]["to_percent"], 2);
  EXPECT_EQ(j["duration_curve"]["high_volume_bias"]["reason"], "no value in the segment: too few lines");
}

} // namespace
