// The whole-period sections on a few hand-made lines: the multi-year row and
// best line fit, the yearly and monthly tables, and the ranking behind the
// 25 largest differences. Every expected row was worked out on paper from
// the fit-measure formulas; "-nan" is this hardware's 0/0.
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace twinser;
using namespace twinser_test;

namespace {

using twinser_test::NaN;

std::string rep(char c, int n) { return std::string(n, c); }

// Labels the lines with months and years by hand, so these tables are
// checked apart from the calendar.
void label(const std::vector<int>& months, const std::vector<int>& years) {
  month = static_cast<int*>(store_array(months.size() * sizeof(int)));
  year = static_cast<int*>(store_array(years.size() * sizeof(int)));
  std::copy(months.begin(), months.end(), month);
  std::copy(years.begin(), years.end(), year);
}

// What the report holds after `text` was written: the precision left behind.
std::string then_one(twinser_test::Run& run) {
  out << 1.0;
  return run.report_text();
}

// ---------------------------------------------------------------- multi-year

const std::string flow_head =
    "\n " + rep('=', 97) + "\n" +
    "                                         MULTI-YEAR STATISTICS\n"
    "            Abs.\n"
    "      %      %       Obs.    Sim.    Obs.   Sim.   Obs.  Sim.    %      RMS         Nash-S.  Modi.\n"
    "    Bias    Bias    Qmean   Qmean    std    std     Cv    Cv    RMS    (CMS)    R      r      Rm\n"
    " " + rep('-', 97) + "\n";

const std::string depth_head =
    "\n " + rep('=', 97) + "\n" +
    "                                         MULTI-YEAR STATISTICS\n"
    "            Abs.\n"
    "     %        %      Obs.    Sim.    Obs.  Sim.   Obs.  Sim.     %      RMS         Nash-S.  Modi.\n"
    "    Bias    Bias    Pmean   Pmean    std   std     Cv    Cv     RMS     (MM)    R      r      Rm\n"
    " " + rep('-', 97) + "\n";

// obs 1 2 3 4 against sim 1 2 2 5, worked on paper: bias 0, |bias| 20 %,
// means 2.5, std sqrt(5/3) and sqrt(3), RMS sqrt(0.5), R 24/sqrt(720),
// r 1 - 0.5/(5/3) = 0.7, Rm = R sqrt(20/36), B 2/3, A 2.5/3.
const std::string paper_row =
    "   0.0000  20.000   2.500   2.500   1.291  1.732 0.5164 0.6928  28.28 0.7071  0.894   0.700  0.667\n";

TEST(MultiYear, FlowSectionSkipsEveryNegativeAndUnreadableLine) {
  twinser_test::Run run;
  // the paper series with lines that must change nothing: -0.5, -999 on
  // either side, and a value that is not a number
  run.store({1, -0.5, 2, 2, -999, 3, NaN, 4}, {1, 3, 2, -999, 1, 2, 2, 5}, 24, 1, 2000, 1, 2000,
            100);
  total_bias();
  EXPECT_EQ(then_one(run), flow_head + paper_row +
                               "\n  Best line fit:  Qobs = A+B*Qsim:  A--> 0.833 (cms)  B--> 0.667\n"
                               "\n"
                               "1.00"); // precision 3 left for the next section
}

TEST(MultiYear, DepthWordingForZeroNegativeAndUnreadableArea) {
  for (double area : {0.0, -5.0, NaN}) {
    twinser_test::Run run;
    run.store({1, 2, 3, 4}, {1, 2, 2, 5}, 24, 1, 2000, 1, 2000, area);
    total_bias();
    EXPECT_EQ(run.report_text(),
              depth_head + paper_row +
                  "\n  Best line fit:  Pobs = A+B*Psim:  A--> 0.833 (mm)  B--> 0.667\n\n")
        << "area " << area;
  }
}

TEST(MultiYear, TemperatureNegativesTakePartButMissingDoesNot) {
  twinser_test::Run run;
  run.store({-3.5, -1, -999, 2, 6.5}, {-2, -1, 5, 3, 6}, 24, 1, 2000, 1, 2000, 0);
  itemp = 1;
  total_bias();
  // d = 1.5 0 1 -0.5 over n = 4: bias 2/4, |bias| 3/4, means 1 and 1.5,
  // var 55.5/3 and 41/3, RMS sqrt(3.5/4), R 188/sqrt(164*222),
  // r 1 - 0.875/18.5, k = sqrt(222/164) > 1 so Rm = R/k, B 188/164
  EXPECT_EQ(run.report_text(),
            depth_head +
                "   50.000  75.000   1.000   1.500   4.301  3.697  4.301  2.465  93.54 0.9354  0.985   0.953  0.847\n"
                "\n  Best line fit:  Pobs = A+B*Psim:  A--> -0.720 (mm)  B--> 1.15\n\n");
}

TEST(MultiYear, NoValidLineWritesNanEverywhere) {
  twinser_test::Run run;
  run.store({-999, 3, -1}, {2, -999, 4}, 24, 1, 2000, 1, 2000, 100);
  total_bias();
  EXPECT_EQ(run.report_text(),
            flow_head +
                "     -nan    -nan    -nan    -nan    -nan   -nan   -nan   -nan   -nan   -nan   -nan    -nan   -nan\n"
                "\n  Best line fit:  Qobs = A+B*Qsim:  A--> -nan (cms)  B--> -nan\n\n");
}

TEST(MultiYear, OneLineLeavesOnlyTheSpreadMeasuresUndefined) {
  twinser_test::Run run;
  run.store({2}, {3}, 24, 1, 2000, 1, 2000, 100);
  total_bias();
  // bias 50 %, means 2 and 3, RMS 1 (50 % of the mean); all else 0/0
  EXPECT_EQ(run.report_text(),
            flow_head +
                "   50.000  50.000   2.000   3.000    -nan   -nan   -nan   -nan  50.00  1.000   -nan    -nan   -nan\n"
                "\n  Best line fit:  Qobs = A+B*Qsim:  A--> -nan (cms)  B--> -nan\n\n");
}

// ------------------------------------------------------- yearly and monthly

// Lines of 1998 (all in March): (2,3) (-0.5,0.5) (-999,7) (4,4); of 1999
// (April) only missing pairs; of 2000 (May) the single line (2,3).
// March/1998 rows take -0.5 in: n = 3, d = 1 1 0, sum o 5.5, sum s 7.5,
// bias 2/5.5, error 2/3, RMS sqrt(2/3), R 24/sqrt(19.5*30.5),
// r 1 - (2/3)/(30.5/6).
void three_years(twinser_test::Run& run, double area) {
  run.store({2, -0.5, -999, 4, -999, 5, 2}, {3, 0.5, 7, 4, 1, -999, 3}, 24, 3, 1998, 5, 2000,
            area);
  label({3, 3, 3, 3, 4, 4, 5}, {1998, 1998, 1998, 1998, 1999, 1999, 2000});
}

TEST(YearlyMonthly, YearlyTableCountsNegativeReadingsAndShowsEmptyYears) {
  twinser_test::Run run;
  three_years(run, 100);
  yearly_display();
  EXPECT_EQ(run.report_text(),
            "\n" + rep('=', 85) + "\n" +
                "                                  YEARLY STATISTICS\n"
                "                Absolute  Absolute\n"
                "        Percent  Percent   Error   Observed Simulated  Percent    RMS         Nash-S.\n"
                " Year    Bias     Bias     (CMS)     Qmean    Qmean      RMS     (CMS)    R      r\n" +
                rep('-', 85) + "\n" +
                " 1998    36.36    36.36   0.6667    1.833    2.500     44.54   0.8165   0.984   0.869\n"
                " 1999     -nan     -nan     -nan     -nan     -nan      -nan     -nan    -nan    -nan\n"
                " 2000    50.00    50.00    1.000    2.000    3.000     50.00    1.000    -nan    -nan\n");
}

TEST(YearlyMonthly, MonthlyTableHasTwelveRowsWhateverThePeriod) {
  twinser_test::Run run;
  three_years(run, 100);
  monthly_display();
  const std::string empty =
      "     -nan     -nan      -nan       -nan      -nan      -nan      -nan   -nan    -nan\n";
  std::string rows;
  for (int m = 1; m <= 12; ++m) {
    std::string num = (m < 10 ? "  " : " ") + std::to_string(m);
    if (m == 3)
      rows += num + "    36.36    36.36    0.6667      1.833     2.500     44.54    0.8165  0.984   0.869\n";
    else if (m == 5)
      rows += num + "    50.00    50.00     1.000      2.000     3.000     50.00     1.000   -nan    -nan\n";
    else
      rows += num + empty;
  }
  EXPECT_EQ(then_one(run),
            "\n\n" + rep('=', 86) + "\n" +
                "                                 MONTHLY STATISTICS\n"
                "               Absolute  Absolute\n"
                "       Percent  Percent   Error    Observed  Simulated  Percent     RMS         Nash-S.\n"
                "Month   Bias     Bias     (CMS)     Qmean     Qmean       RMS      (CMS)    R       r\n" +
                rep('-', 87) + "\n" + rows + "1.00"); // precision 3 left behind
}

TEST(YearlyMonthly, RowsSetTheirOwnFillAndPrecision) {
  twinser_test::Run run;
  three_years(run, 100);
  out << std::setfill('*') << std::setprecision(9);
  year_bias(2000);
  month_bias(5);
  EXPECT_EQ(run.report_text(),
            " 2000    50.00    50.00    1.000    2.000    3.000     50.00    1.000    -nan    -nan\n"
            "  5    50.00    50.00     1.000      2.000     3.000     50.00     1.000   -nan    -nan\n");
}

TEST(YearlyMonthly, TheLastStepOfTheYearBelongsToThatYear) {
  // 6-hour lines over December 1999 and January 2000 (124 lines each);
  // line 123 ends at midnight closing 31 December and is labelled 1999
  std::vector<double> obs(248, 1), sim(248, 1);
  sim[123] = 125;
  twinser_test::Run run;
  run.store(obs, sim, 6, 12, 1999, 1, 2000, 100);
  year_bias(1999);
  year_bias(2000);
  month_bias(12);
  month_bias(1);
  // 1999: d = 124 on one of 124 lines: bias 100 %, error 1, mean sim 2,
  // RMS sqrt(124) (1113.55 % of the mean 1), R 0/0, r 1 - 124/0;
  // 2000: no difference at all
  EXPECT_EQ(run.report_text(),
            " 1999    100.0    100.0    1.000    1.000    2.000     1114.    11.14    -nan    -inf\n"
            " 2000    0.000    0.000    0.000    1.000    1.000     0.000    0.000    -nan    -nan\n"
            " 12    100.0    100.0     1.000      1.000     2.000     1114.     11.14   -nan    -inf\n"
            "  1    0.000    0.000     0.000      1.000     1.000     0.000     0.000   -nan    -nan\n");
}

// ------------------------------------------------------ largest differences

std::vector<int> ranked() {
  int line[25];
  array_fill(line);
  return std::vector<int>(line, line + 25);
}

// The ranking as the description states its result: the valid lines sorted
// by difference, largest first, ties in line order, cut after 25; unfilled
// positions are -1.
std::vector<int> reference_ranking(const std::vector<double>& obs, const std::vector<double>& sim) {
  std::vector<int> valid;
  for (std::size_t i = 0; i < obs.size(); ++i)
    if (obs[i] >= 0 && sim[i] >= 0) valid.push_back(static_cast<int>(i));
  std::stable_sort(valid.begin(), valid.end(), [&](int a, int b) {
    return std::fabs(sim[a] - obs[a]) > std::fabs(sim[b] - obs[b]);
  });
  valid.resize(25, -1);
  return valid;
}

TEST(LargestDifferences, DifferenceIsTheAbsoluteDoubleDifference) {
  twinser_test::Run run;
  run.store({5, 0.5}, {2, 1e16 + 2}, 24, 1, 2000, 1, 2000);
  EXPECT_EQ(difference(0), 3.0L);
  // 1e16 + 1.5 exactly, but a double holds only even integers there: the
  // difference is rounded to double first (1e16 + 2), then widened
  EXPECT_EQ(difference(1), 10000000000000002.0L);
}

TEST(LargestDifferences, TiesKeepLineOrderAlsoAtTheLastPlace) {
  // 24 distinct large differences, then two lines tied for the last place
  // in the seed, a later tie that must not enter, a later line that beats
  // the last place and ties with line 3, and negative lines that would top
  // the list if they were valid
  std::vector<double> obs, sim;
  for (int i = 0; i < 24; ++i) {
    obs.push_back(10);
    sim.push_back(10 + 100 - i); // differences 100 down to 77
  }
  for (double o : {10.0, 10.0, 10.0, -999.0, 5.0, 0.0}) obs.push_back(o);
  for (double s : {11.0, 9.0, 11.0, 5000.0, -0.5, 97.0}) sim.push_back(s);
  // line 24: 1, line 25: 1, line 26: 1 (later tie), 27, 28: invalid,
  // line 29: 97 = line 3's difference
  twinser_test::Run run;
  run.store(obs, sim, 24, 1, 2000, 1, 2000);
  std::vector<int> expect = {0, 1, 2, 3, 29, 4, 5, 6, 7, 8, 9, 10, 11,
                             12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
  EXPECT_EQ(ranked(), expect);
  EXPECT_EQ(ranked(), reference_ranking(obs, sim));

  // without line 29 the earlier of the tied lines keeps position 24
  obs.pop_back();
  sim.pop_back();
  twinser_test::Run run2;
  run2.store(obs, sim, 24, 1, 2000, 1, 2000);
  std::vector<int> got = ranked();
  EXPECT_EQ(got[24], 24);
  EXPECT_EQ(got, reference_ranking(obs, sim));
}

TEST(LargestDifferences, AgreesWithTheSortedListOnAScrambledSeries) {
  std::vector<double> obs, sim;
  for (int i = 0; i < 200; ++i) {
    obs.push_back(i % 11 == 0 ? -999 : 50 + (i * 37) % 23);
    sim.push_back(i % 17 == 5 ? -2 : 50 + (i * 53) % 31); // many ties
  }
  twinser_test::Run run;
  run.store(obs, sim, 24, 1, 2000, 1, 2000);
  EXPECT_EQ(ranked(), reference_ranking(obs, sim));
}

TEST(LargestDifferences, ExactlyTwentyFiveAndFewerValidLines) {
  std::vector<double> obs, sim;
  for (int i = 0; i < 27; ++i) {
    obs.push_back(i == 4 || i == 20 ? -999 : 1);
    sim.push_back(1 + (i * 7) % 25);
  }
  twinser_test::Run run;
  run.store(obs, sim, 24, 1, 2000, 1, 2000);
  std::vector<int> all = ranked();
  EXPECT_EQ(all, reference_ranking(obs, sim));
  EXPECT_EQ(std::count(all.begin(), all.end(), -1), 0);

  // three valid lines; the seed scan stops at the last line: line 3 holds a
  // valid pair beyond LINES and must not be read
  twinser_test::Run run2;
  run2.store({1, -999, 4, 2, 0}, {2, 9, 1, 2, 1000}, 24, 1, 2000, 1, 2000);
  LINES = 4;
  std::vector<int> few = ranked();
  std::vector<int> expect(25, -1);
  expect[0] = 2; // |1 - 4| = 3
  expect[1] = 0; // 1
  expect[2] = 3; // 0
  EXPECT_EQ(few, expect);
}

// The tables summed side by side equal their own passes to the last bit:
// the same lines in the same order, on a record of three years of 6-hour
// lines with missing, negative and NaN values, for flows and temperatures.
bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void expect_same_row(const fit_row& a, const fit_row& b) {
  const double x[] = {a.sums.Qobs_sum, a.sums.Qdiff2_sum, a.sums.Qobsxsim, a.pbias, a.rms,
                      a.r_corr, a.nash, a.r_mod, a.line_a, a.nse, a.kge_2009, a.kge_2012, a.mae};
  const double y[] = {b.sums.Qobs_sum, b.sums.Qdiff2_sum, b.sums.Qobsxsim, b.pbias, b.rms,
                      b.r_corr, b.nash, b.r_mod, b.line_a, b.nse, b.kge_2009, b.kge_2012, b.mae};
  EXPECT_EQ(a.sums.num, b.sums.num);
  for (std::size_t k = 0; k < sizeof x / sizeof x[0]; ++k)
    EXPECT_TRUE(same_bits(x[k], y[k])) << "measure " << k << ": " << x[k] << " vs " << y[k];
}

void expect_same_row_measures(const fit_row& a, const fit_row& b) {
  EXPECT_TRUE(same_bits(a.pbias, b.pbias) && same_bits(a.rms, b.rms) &&
              same_bits(a.r_corr, b.r_corr) && same_bits(a.line_b, b.line_b));
}

// A yearly or monthly row summed by a pass of its own over the lines it
// takes: those without a missing value whose label `in` accepts.
template <typename Takes>
period_row own_pass(int period, Takes in) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (in(i) && neither_missing(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  period_row row{period, measure_bundle(f, rms_order::of_mean)};
  centred_sums c(f);
  for (int i = 0; i < LINES; ++i)
    if (in(i) && neither_missing(Qobs[i], Qsim[i])) c.add(Qobs[i], Qsim[i]);
  extra_measures(row.fit, c);
  return row;
}

// The multi-year row by a pass of its own: every negative line out, except
// that a temperature series keeps all but the missing-value marker.
fit_row multi_year_pass(bool temperature) {
  const auto takes = [temperature](double o, double s) {
    return temperature ? o != -999 && s != -999 : o >= 0 && s >= 0;
  };
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (takes(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  fit_row row = measure_bundle(f, rms_order::scaled);
  centred_sums c(f);
  for (int i = 0; i < LINES; ++i)
    if (takes(Qobs[i], Qsim[i])) c.add(Qobs[i], Qsim[i]);
  extra_measures(row, c);
  return row;
}

TEST(YearlyMonthly, TablesSummedTogetherEqualTheirOwnPasses) {
  for (int temperature : {0, 1}) {
    SCOPED_TRACE(temperature);
    std::vector<double> obs, sim;
    unsigned x = 777;
    for (int i = 0; i < 4 * 1096; ++i) {
      x = x * 1103515245u + 12345u;
      const double v = static_cast<double>((x >> 9) % 10007) / 97 - 3;
      obs.push_back(i % 29 == 0 ? -999 : i % 31 == 0 ? NaN : v);
      sim.push_back(i % 37 == 0 ? -999 : v * 0.8 + 1.5);
    }
    twinser_test::Run run;
    run.store(obs, sim, 6, 3, 1999, 2, 2002); // March 1999 to February 2002
    itemp = temperature;
    ctx.options.extras_wanted = true;
    const whole_period_tables t = sum_tables(nullptr);
    expect_same_row(t.whole, multi_year_pass(temperature == 1));
    ASSERT_EQ(t.yearly.size(), 4u); // 1999 to 2002
    for (const period_row& row : t.yearly) {
      SCOPED_TRACE(row.period);
      const int y = row.period;
      expect_same_row(row.fit, own_pass(y, [y](int i) { return year[i] == y; }).fit);
    }
    ASSERT_EQ(t.monthly.size(), 12u);
    for (std::size_t m = 0; m < 12; ++m) {
      SCOPED_TRACE(m);
      const int mon = static_cast<int>(m) + 1;
      EXPECT_EQ(t.monthly[m].period, mon);
      expect_same_row(t.monthly[m].fit, own_pass(mon, [mon](int i) { return month[i] == mon; }).fit);
    }
    // without a rendering that shows them the extras are not summed; the
    // report's measures stay as they are
    ctx.options.extras_wanted = false;
    const whole_period_tables bare = sum_tables(nullptr);
    EXPECT_TRUE(std::isnan(bare.whole.nse));
    EXPECT_TRUE(std::isnan(bare.yearly[1].fit.kge_2009));
    EXPECT_TRUE(std::isnan(bare.monthly[4].fit.mae));
    expect_same_row_measures(bare.whole, t.whole);
  }
}

} // namespace
