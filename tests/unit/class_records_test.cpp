// The flow classes of selections E, D and F are summed in one pass over the
// store; each class must get exactly the sums a pass of its own gives (same
// lines, same order, so the same bits), shared bounds and ties included.
#include "support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace twinser;

namespace {

// Sums of a class by its own pass over the store.
fit_sums own_pass(bool (*takes)(double o, double s, double lo, double hi), double lo, double hi) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (takes(Qobs[i], Qsim[i], lo, hi)) f.add(Qobs[i], Qsim[i]);
  return f;
}

// One closed interval of D or F by its own pass: the observed value within
// both bounds, neither value negative.
class_row closed_interval(double lower, double upper) {
  class_row row;
  row.fit.sums = own_pass([](double o, double s, double lo, double hi) {
    return lo <= o && o <= hi && o >= 0 && s >= 0;
  }, lower, upper);
  return row;
}

void expect_same(const fit_sums& a, const fit_sums& b) {
  EXPECT_EQ(a.num, b.num);
  EXPECT_EQ(a.Qobs_sum, b.Qobs_sum);
  EXPECT_EQ(a.Qsim_sum, b.Qsim_sum);
  EXPECT_EQ(a.Qdiff_sum, b.Qdiff_sum);
  EXPECT_EQ(a.Qdiff_a_sum, b.Qdiff_a_sum);
  EXPECT_EQ(a.Qdiff2_sum, b.Qdiff2_sum);
  EXPECT_EQ(a.Qobsxsim, b.Qobsxsim);
  EXPECT_EQ(a.Qobs_sq, b.Qobs_sq);
  EXPECT_EQ(a.Qsim_sq, b.Qsim_sq);
}

// 300 lines: values on every tenth of 0..40 (so many fall on bounds), a
// missing line every 17th, a negative simulated value every 23rd.
void fill(twinser_test::Run& run, double scale) {
  std::vector<double> obs, sim;
  unsigned x = 12345;
  for (int i = 0; i < 300; ++i) {
    x = x * 1103515245u + 12345u;
    const double o = scale * static_cast<double>((x >> 8) % 401) / 10;
    obs.push_back(i % 17 == 0 ? -999 : o);
    sim.push_back(i % 23 == 0 ? -2.5 : o * 0.9 + 1);
  }
  run.store(obs, sim, 24, 1, 2000, 10, 2000);
}

TEST(ClassRecords, EqualIntervalsMatchTheirOwnPasses) {
  // 0: every bound is 0, every zero line in every interval; 0.7, 1e300 and
  // subnormal 1e-310: bounds that are no exact tenths, where a line's share
  // of the largest value rounds to either side of a bound
  for (double scale : {1.0, 0.0, 0.7, 1e300, 1e-310}) {
    twinser_test::Run run;
    fill(run, scale);
    const double m = ctx.results.data.max_observed;
    for (int div : {1, 3, 4, 7, 40, 365}) {
      SCOPED_TRACE(div);
      std::vector<class_row> rows = equal_interval_rows(div, m);
      ASSERT_EQ(rows.size(), static_cast<std::size_t>(div));
      for (const class_row& row : rows)
        expect_same(row.fit.sums, closed_interval(row.lower, row.upper).fit.sums);
      EXPECT_EQ(rows.back().upper, m * div / div);
    }
  }
}

TEST(ClassRecords, ValuesMatchTheirOwnPassesInGivenOrder) {
  twinser_test::Run run;
  fill(run, 1);
  const std::vector<double> values{20, 0, 5, 39.9, 5, 40.0, 1e9, 0.1, 12.3};
  std::vector<class_row> rows = rows_at_or_above(values);
  ASSERT_EQ(rows.size(), 8u); // the 0 gets no row
  std::size_t k = 0;
  for (double v : values) {
    if (v == 0) continue;
    SCOPED_TRACE(v);
    EXPECT_EQ(rows[k].lower, v);
    fit_sums f = own_pass([](double o, double s, double lo, double) {
      return neither_missing(o, s) && o >= lo;
    }, v, 0);
    expect_same(rows[k].fit.sums, f);
    EXPECT_EQ(rows[k].found, f.num > 0);
    ++k;
  }
}

TEST(ClassRecords, GivenIntervalsMatchTheirOwnPasses) {
  twinser_test::Run run;
  fill(run, 1);
  // overlapping, nested, repeated, reversed (empty) and single-value intervals
  const std::vector<double> lower{0, 20, 5, 5, 30, 12.3, 0, 41};
  const std::vector<double> upper{20, 9999, 25, 25, 10, 12.3, 0, 50};
  std::vector<class_row> rows = given_interval_rows(lower, upper);
  ASSERT_EQ(rows.size(), lower.size());
  for (std::size_t k = 0; k < rows.size(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(rows[k].lower, lower[k]);
    EXPECT_EQ(rows[k].upper, upper[k]);
    expect_same(rows[k].fit.sums, closed_interval(lower[k], upper[k]).fit.sums);
  }
  EXPECT_EQ(rows[0].fit.sums.num + rows[1].fit.sums.num,
            closed_interval(0, 9999).fit.sums.num + closed_interval(20, 20).fit.sums.num);
  EXPECT_TRUE(given_interval_rows({}, {}).empty());
}

} // namespace
