// The measures the JSON summary adds (textbook Nash-Sutcliffe efficiency,
// Kling-Gupta efficiency 2009 and 2012, mean absolute error): worked by hand
// on tiny series, against the values peer libraries publish for their own
// test arrays, and over exactly the lines of the row they stand in.
#include "support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

using namespace twinser;
using namespace twinser_test;

namespace {

// Whole-period row of a store of daily lines in January 2000.
fit_row whole(twinser_test::Run& run, const std::vector<double>& obs, const std::vector<double>& sim,
              int temperature = 0) {
  run.store(obs, sim, 24, 1, 2000, 1, 2000);
  itemp = temperature;
  return tables_with_extras().whole;
}

TEST(ExtraMeasures, WorkedByHand) {
  twinser_test::Run run;
  // o 1 2 3 4, s 1 2 2 5: d = 0 0 -1 1, sum d^2 = 2, mean o = mean s = 2.5,
  // sum (o - 2.5)^2 = 5, sum (s - 2.5)^2 = 9, sum of products = 6:
  // NSE = 1 - 2/5, MAE = 2/4, r = 6/sqrt(45) = 2/sqrt 5, alpha = 3/sqrt 5,
  // beta = 1, so gamma = alpha and both KGE = 1 - sqrt(4.6 - 2 sqrt 5)
  fit_row m = whole(run, {1, 2, 3, 4}, {1, 2, 2, 5});
  EXPECT_DOUBLE_EQ(m.nse, 0.6);
  EXPECT_DOUBLE_EQ(m.mae, 0.5);
  const double kge = 1 - std::sqrt(4.6 - 2 * std::sqrt(5.0));
  EXPECT_NEAR(m.kge_2009, kge, 1e-14);
  EXPECT_NEAR(m.kge_2012, kge, 1e-14);

  // s = 2 o: r = 1, alpha = beta = 2, gamma = 1; sum d^2 = 30 against 5
  m = whole(run, {1, 2, 3, 4}, {2, 4, 6, 8});
  EXPECT_DOUBLE_EQ(m.nse, -5);
  EXPECT_DOUBLE_EQ(m.mae, 2.5);
  EXPECT_NEAR(m.kge_2009, 1 - std::sqrt(2.0), 1e-15);
  EXPECT_NEAR(m.kge_2012, 0, 1e-15);

  // a perfect simulation; a constant observed series divides by zero
  m = whole(run, {3, 1, 4, 1, 5}, {3, 1, 4, 1, 5});
  EXPECT_EQ(m.nse, 1);
  EXPECT_EQ(m.kge_2009, 1);
  EXPECT_EQ(m.mae, 0);
  m = whole(run, {2, 2, 2}, {1, 2, 3});
  EXPECT_TRUE(std::isinf(m.nse));
  EXPECT_TRUE(std::isnan(m.kge_2009));
}

// Large values with a small spread: the raw power sums lose the spread to
// cancellation, the centred sums do not.
TEST(ExtraMeasures, LargeOffsetKeepsTheDigits) {
  twinser_test::Run run;
  const double big = 1e8;
  fit_row m = whole(run, {big + 1, big + 2, big + 3, big + 4}, {big + 1, big + 2, big + 2, big + 5});
  EXPECT_NEAR(m.nse, 0.6, 1e-12);
  EXPECT_NEAR(m.kge_2009, 1 - std::sqrt(4.6 - 2 * std::sqrt(5.0)), 1e-7);
}

// Each extra measure covers the lines of its own row: the multi-year row
// leaves out every negative line, the yearly and monthly rows only -999.
TEST(ExtraMeasures, SameLinesAsTheRow) {
  twinser_test::Run run;
  const std::vector<double> obs{1, 2, 3, 4}, sim{1, 2, 2, 5};
  run.store({1, -999, 2, 3, 4, 7}, {1, 6, 2, 2, 5, -0.5}, 24, 1, 2000, 1, 2000);
  const whole_period_tables t = tables_with_extras();
  fit_row m = t.whole;
  EXPECT_DOUBLE_EQ(m.nse, 0.6);
  EXPECT_DOUBLE_EQ(m.mae, 0.5);
  EXPECT_EQ(m.sums.num, 4u);

  period_row y = t.yearly[0];
  period_row jan = t.monthly[0];
  EXPECT_EQ(y.fit.sums.num, 5u); // the -0.5 line takes part
  EXPECT_DOUBLE_EQ(y.fit.mae, (0 + 0 + 1 + 1 + 7.5) / 5);
  EXPECT_EQ(jan.fit.sums.num, 5u);
  EXPECT_EQ(jan.fit.mae, y.fit.mae);
  EXPECT_EQ(jan.fit.nse, y.fit.nse);
  EXPECT_EQ(jan.fit.kge_2012, y.fit.kge_2012);
  // months without lines: every measure nan
  EXPECT_TRUE(std::isnan(t.monthly[5].fit.nse));
  EXPECT_TRUE(std::isnan(t.monthly[5].fit.mae));
}

// 1e-9 relative; or half a unit of the last digit of a value that was
// published rounded (a docstring printed to 8 decimals).
double tolerance(const nlohmann::json& published) {
  const double v = published;
  double tol = 1e-9 * std::fabs(v);
  const std::string text = published.dump();
  const auto point = text.find('.');
  if (point != std::string::npos && text.find('e') == std::string::npos) {
    const auto decimals = static_cast<int>(text.size() - point - 1);
    if (decimals <= 10) tol = std::max(tol, 0.5 * std::pow(10.0, -decimals));
  }
  return tol;
}

// Peer libraries' own test arrays, with their published textbook NSE and
// MAE: agreement to 1e-9 relative, or to the digits published. A case whose
// valid lines need negative readings runs as a temperature series (only -999
// missing).
TEST(ExtraMeasures, PeerArrays) {
  std::ifstream file(PEER_CASES_JSON);
  ASSERT_TRUE(file) << PEER_CASES_JSON;
  const nlohmann::json cases = nlohmann::json::parse(file);
  int checked = 0;
  for (const auto& c : cases) {
    const auto& expected = c["expected"];
    if (!expected.contains("nse") && !expected.contains("mae")) continue;
    SCOPED_TRACE(c["source"].get<std::string>());
    const auto obs = c["obs"].get<std::vector<double>>();
    const auto sim = c["sim"].get<std::vector<double>>();
    twinser_test::Run run;
    fit_row m = whole(run, obs, sim, 0);
    if (m.sums.num != c["n_valid"].get<unsigned>()) m = whole(run, obs, sim, 1);
    ASSERT_EQ(m.sums.num, c["n_valid"].get<unsigned>());
    if (expected.contains("nse")) {
      EXPECT_NEAR(m.nse, expected["nse"].get<double>(), tolerance(expected["nse"]));
      ++checked;
    }
    if (expected.contains("mae")) {
      EXPECT_NEAR(m.mae, expected["mae"].get<double>(), tolerance(expected["mae"]));
    }
  }
  EXPECT_GE(checked, 10);
}

} // namespace
