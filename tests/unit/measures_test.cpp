// Fit measures on a series small enough to check on paper:
// obs 1 2 3 4, sim 1 2 2 5, so d = 0 0 -1 1.
#include "twinser.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace twinser;

namespace {

fit_sums paper_series() {
  fit_sums f;
  const double o[] = {1, 2, 3, 4};
  const double s[] = {1, 2, 2, 5};
  for (int i = 0; i < 4; ++i) f.add(o[i], s[i]);
  return f;
}

TEST(FitMeasures, BiasErrorAndMeans) {
  fit_sums f = paper_series();
  EXPECT_EQ(f.num, 4u);
  EXPECT_EQ(percent_bias(f), 0.0);
  EXPECT_DOUBLE_EQ(abs_percent_bias(f), 20.0);
  EXPECT_DOUBLE_EQ(abs_error(f), 0.5);
  EXPECT_DOUBLE_EQ(mean_obs(f), 2.5);
  EXPECT_DOUBLE_EQ(mean_sim(f), 2.5);
}

TEST(FitMeasures, RmsVarianceAndNash) {
  fit_sums f = paper_series();
  double rel = rel_rms(f); // sqrt(2/4) / 2.5
  EXPECT_DOUBLE_EQ(rel, std::sqrt(0.5) / 2.5);
  EXPECT_DOUBLE_EQ(rms_scaled(f, rel), std::sqrt(0.5));
  EXPECT_DOUBLE_EQ(rms_of_mean(f, rel), std::sqrt(0.5));
  EXPECT_DOUBLE_EQ(var_obs(f), 5.0 / 3.0); // ((120 - 100) / 4) / 3
  EXPECT_DOUBLE_EQ(var_sim(f), 3.0);       // ((136 - 100) / 4) / 3
  // mean squared difference over n, variance over n - 1: 1 - 0.5 / (5/3)
  EXPECT_NEAR(nash_r(rms_scaled(f, rel), var_obs(f)), 0.7, 1e-15);
}

TEST(FitMeasures, CorrelationSpreadAndLine) {
  fit_sums f = paper_series();
  EXPECT_DOUBLE_EQ(corr_r(f), 24.0 / std::sqrt(720.0));
  EXPECT_DOUBLE_EQ(spread_ratio(f), std::sqrt(20.0 / 36.0)); // obs spread the smaller
  double b = line_b(f);
  EXPECT_DOUBLE_EQ(b, 24.0 / 36.0);
  EXPECT_DOUBLE_EQ(line_a(f, b), 2.5 - 2.5 * (24.0 / 36.0));
}

TEST(FitMeasures, SpreadRatioNeverAboveOne) {
  fit_sums f; // sim spread the smaller: k would be above 1, 1/k is taken
  const double o[] = {0, 10, 0, 10};
  const double s[] = {4, 6, 4, 6};
  for (int i = 0; i < 4; ++i) f.add(o[i], s[i]);
  EXPECT_DOUBLE_EQ(spread_ratio(f), 0.2);
}

TEST(FitMeasures, EmptyAndSingleLineGiveNan) {
  fit_sums none;
  EXPECT_TRUE(std::isnan(percent_bias(none)));
  EXPECT_TRUE(std::isnan(mean_obs(none)));
  EXPECT_TRUE(std::isnan(var_obs(none)));
  EXPECT_TRUE(std::isnan(corr_r(none)));
  fit_sums one;
  one.add(2, 3);
  EXPECT_DOUBLE_EQ(percent_bias(one), 50.0);
  EXPECT_DOUBLE_EQ(rel_rms(one), 0.5);
  EXPECT_TRUE(std::isnan(var_obs(one)));
  EXPECT_TRUE(std::isnan(corr_r(one)));
  EXPECT_TRUE(std::isnan(nash_r(rms_scaled(one, rel_rms(one)), var_obs(one))));
}

TEST(FitMeasures, ZeroObservedSumLeavesRmsUndefined) {
  fit_sums f;
  f.add(0, 1);
  f.add(0, 2);
  EXPECT_TRUE(std::isinf(percent_bias(f)));
  EXPECT_TRUE(std::isnan(rms_scaled(f, rel_rms(f)))); // inf * 0
}

} // namespace
