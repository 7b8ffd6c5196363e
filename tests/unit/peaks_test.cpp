// Peaks above a threshold (H) and accumulated depth (I) on a few hand-made
// lines. Every expected row below is worked out by hand from the values: the
// window, the peak and its line, the date of the line, then each field at its
// width and number of significant digits.
#include "support.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

using namespace twinser;

namespace {

// Section heading and the table heading of H, as the report writes them;
// `thresh` is the threshold as the standing precision prints it.
std::string h_heading(bool flow, const std::string& note, const std::string& thresh, int window) {
  std::string s = "\n\n\n======================   Results From @H Operation   =======================\n";
  s += flow ? "\n            PEAK FLOW FOR GIVEN TIME INTERVAL ABOVE GIVEN THRESHOLD\n\n"
            : "\n            PEAK VALUE FOR GIVEN TIME INTERVAL ABOVE GIVEN THRESHOLD\n\n";
  s += note;
  s += "                 Threshold Value = " + thresh + ", Window = " + std::to_string(window) +
       " hr(s)\n";
  s += "                                                                       Percent\n";
  if (flow)
    s += " Observed                     Simulated                      Time        Peak     Peak flow\n"
         "Peak  Flow      Date          Peak Flow       Date        Difference  Difference    Ratio\n"
         "   Qobs                         Qsim                        (hour)   100*(S-O)/O     S/O\n";
  else
    s += " Observed                     Simulated                      Time        Peak    Peak Value\n"
         "Peak Value      Date         Peak Value       Date        Difference  Difference    Ratio\n"
         "   Pobs                         Psim                        (hour)   100*(S-O)/O     S/O\n";
  s += std::string(93, '-') + "\n";
  return s;
}

std::string h_totals(const std::string& thresh, int found, int matched) {
  return "\n Summery Statistics:\n---------------------\n\n"
         "  Total number of observed peak flows above " + thresh + " --> " +
         std::to_string(found) + "\n  Total number of matched simulated peak flows -----> " +
         std::to_string(matched) + "\n";
}

// Runs H with the standing precision 4 that the previous section leaves.
std::string run_h(twinser_test::Run& r, const std::string& params) {
  r.control(params);
  selection = 'H';
  out.precision(4);
  flow_threshold();
  return r.report_text();
}

// Runs I and returns the report; the terminal output goes to `term`.
std::string run_i(twinser_test::Run& r, const std::string& params, std::string& term) {
  r.control(params);
  selection = 'I';
  out.precision(4);
  std::ostringstream captured;
  std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
  accumulated_flow();
  std::cout.rdbuf(old);
  term = captured.str();
  return r.report_text();
}

// ------------------------------------------------------------- selection H

// Hourly 5 12 20 15 11 14 18 9, threshold 10, window 3 h: the first window is
// lines 1-3 (peak 20 on line 2, sim 21 on line 3); 11 does not fall to 14, so
// the next window is lines 4-6 (peak 18 on line 6, sim 13 on line 5).
TEST(PeaksAboveThreshold, HourlyExampleTwoRowsAndTheirSummary) {
  twinser_test::Run r;
  r.store({5, 12, 20, 15, 11, 14, 18, 9}, {1, 8, 19, 21, 2, 13, 12, 3}, 1, 1, 2000, 1, 2000);
  std::string expected = h_heading(true, "", "10.00", 3) +
      // 20 on hour 2, 21 on hour 3: +1 h, (21-20)*100/20 = 5, 21/20 = 1.05
      " 20.0000    2:00  1/01/2000    21.0000    3:00  1/01/2000       1       5.00000     1.050\n"
      // 18 on hour 6, 13 on hour 5: -1 h, -500/18 = -27.7778, 13/18 = 0.7222
      " 18.0000    6:00  1/01/2000    13.0000    5:00  1/01/2000      -1      -27.7778    0.7222\n" +
      h_totals("10.00", 2, 2) +
      // time: sum 0, squares 2, q 0 -> sd sqrt(2); peak diff 1 and -5: mean -2,
      // squares 26, (26 - 16/2) / 1 = 18 -> sd sqrt(18) = 4.243
      "\n  Mean value of peak flow time difference ---------->   0.000 hr(s)\n"
      "  Mean value of peak flow difference --------------->  -2.000 cms\n"
      "  Standard deviation of peak flow time difference -->   1.414 hr(s)\n"
      "  Standard deviation of peak flow difference ------->   4.243 cms\n\n";
  EXPECT_EQ(run_h(r, "10 3\n"), expected);
}

// A 5-hour window on 6-hour lines is raised to 6 (one line per window), with
// the note. The simulated one-line window at line 1 holds only 3, but the
// series rises on to 25: the run-on takes it without a threshold test. The
// observed 20 on line 2 rises on to 40 on line 3, past its window.
TEST(PeaksAboveThreshold, RoundedWindowRunOnAndDepthWording) {
  twinser_test::Run r;
  r.store({1, 30, 20, 40, 2, 1}, {1, 3, 25, 2, 1, 50}, 6, 1, 2000, 1, 2000, 0);
  std::string expected =
      h_heading(false, "(note: window was increased from 5 hr(s) because of time steps)\n",
                "5.000", 6) +
      // 30 at 06:00, sim 25 at 12:00: +6 h, -500/30 = -16.6667, 25/30 = 0.8333
      " 30.0000    6:00  1/01/2000    25.0000   12:00  1/01/2000       6      -16.6667    0.8333\n"
      // 40 at 18:00 (run-on), sim 25 at 12:00: -6 h, -1500/40 = -37.5, 0.625
      " 40.0000   18:00  1/01/2000    25.0000   12:00  1/01/2000      -6      -37.5000    0.6250\n" +
      h_totals("5.000", 2, 2) +
      // time: sum 0, squares 72 -> sqrt(72) = 8.485; peak diffs -5, -15:
      // mean -10, (250 - 400/2) / 1 = 50 -> sqrt(50) = 7.071
      "\n  Mean value of peak rain time difference ---------->   0.000 hr(s)\n"
      "  Mean value of peak rain difference --------------->  -10.00 mm\n"
      "  Standard deviation of peak rain time difference -->   8.485 hr(s)\n"
      "  Standard deviation of peak rain difference ------->   7.071 mm\n\n";
  EXPECT_EQ(run_h(r, "5 5\n"), expected);
}

// 24 h on 6-hour lines: four lines per window, no note. Equal highest values
// 123.4 on lines 2 and 3: the earlier line is the peak. The simulated 130.2
// stands two lines earlier (-12 h). The second window's simulated values never
// pass the threshold: "none found". One matched peak gives the short summary;
// the unmatched row leaves precision 6 for the threshold in the summary.
TEST(PeaksAboveThreshold, EqualPeaksEarlySimulatedPeakNoneFoundAndOneMatch) {
  twinser_test::Run r;
  r.store({6, 50, 123.4, 123.4, 0, 40, 30, 20, 10, 2}, {130.2, 20, 10, 5, 1, 1, 1, 1, 1, 1}, 6,
          1, 2000, 1, 2000);
  std::string expected = h_heading(true, "", "5.000", 24) +
      // 6.8 * 100 / 123.4 = 5.5105348, 130.2 / 123.4 = 1.0551053
      " 123.400   12:00  1/01/2000    130.200    0:00  1/01/2000     -12       5.51053     1.055\n"
      // line 5 is 30 hours in: day 2, 06:00
      " 40.0000    6:00  1/02/2000    none found\n" +
      h_totals("5.00000", 2, 1) +
      "\n  Time difference ------->     -12 hr(s)\n"
      "  Peak flow difference --> 6.80000 cms\n\n";
  EXPECT_EQ(run_h(r, "5.0\n24\n"), expected);
}

// Daily lines, one per window. Line 0 equals the threshold: it starts a
// window but is no peak; the rise to 12 on line 1 is. Rows 1-5, a blank line,
// row 6, and the last rise 11 13 15 that runs on to the last line.
TEST(PeaksAboveThreshold, EqualToThresholdBlankAfterFifthRowAndRiseAtSeriesEnd) {
  twinser_test::Run r;
  std::vector<double> v = {10, 12, 0, 20, 0, 30, 0, 40, 0, 50, 0, 60, 0, 5, 11, 13, 15};
  r.store(v, v, 24, 1, 2000, 1, 2000);
  const std::string same = "       0       0.00000     1.000\n";
  std::string expected = h_heading(true, "", "10.00", 24) +
      " 12.0000    0:00  1/02/2000    12.0000    0:00  1/02/2000" + same +
      " 20.0000    0:00  1/04/2000    20.0000    0:00  1/04/2000" + same +
      " 30.0000    0:00  1/06/2000    30.0000    0:00  1/06/2000" + same +
      " 40.0000    0:00  1/08/2000    40.0000    0:00  1/08/2000" + same +
      " 50.0000    0:00  1/10/2000    50.0000    0:00  1/10/2000" + same + "\n" +
      " 60.0000    0:00  1/12/2000    60.0000    0:00  1/12/2000" + same +
      " 15.0000    0:00  1/17/2000    15.0000    0:00  1/17/2000" + same +
      h_totals("10.00", 7, 7) +
      "\n  Mean value of peak flow time difference ---------->   0.000 hr(s)\n"
      "  Mean value of peak flow difference --------------->   0.000 cms\n"
      "  Standard deviation of peak flow time difference -->   0.000 hr(s)\n"
      "  Standard deviation of peak flow difference ------->   0.000 cms\n\n";
  EXPECT_EQ(run_h(r, "10 24"), expected);
}

// Nothing above the threshold (10 on line 1 only equals it and falls after):
// headings, rule, the blank line and totals 0, nothing more.
TEST(PeaksAboveThreshold, NoPeakAtAll) {
  twinser_test::Run r;
  r.store({1, 10, 3, -999}, {50, 50, 50, 50}, 24, 1, 2000, 1, 2000);
  EXPECT_EQ(run_h(r, "10 48"), h_heading(true, "", "10.00", 48) + h_totals("10.00", 0, 0));
}

// A window of no hours leaves every window empty; a negative one is raised
// towards 0 with the note. Below-zero thresholds: only a positive value is a
// peak, so the simulated rise from -2 to -1 is no match and the empty window
// on line 2 gives no row; the scan still ends.
TEST(PeaksAboveThreshold, EmptyWindowsAndThresholdBelowZero) {
  {
    twinser_test::Run r;
    r.store({5, 7, 9}, {5, 7, 9}, 6, 1, 2000, 1, 2000);
    EXPECT_EQ(run_h(r, "-5 0"), h_heading(true, "", "-5.000", 0) + h_totals("-5.000", 0, 0));
  }
  {
    twinser_test::Run r;
    r.store({5, 7, 9}, {5, 7, 9}, 6, 1, 2000, 1, 2000);
    EXPECT_EQ(run_h(r, "1 -5"),
              h_heading(true, "(note: window was increased from -5 hr(s) because of time steps)\n",
                        "1.000", 0) +
                  h_totals("1.000", 0, 0));
  }
  {
    twinser_test::Run r;
    r.store({5, 7, 9}, {5, 7, 9}, 1, 1, 2000, 1, 2000);
    EXPECT_EQ(run_h(r, "-5 -2147483648"),
              h_heading(true, "", "-5.000", -2147483647 - 1) + h_totals("-5.000", 0, 0));
  }
  {
    twinser_test::Run r;
    r.store({-999, 3, -1}, {-999, -2, -1}, 6, 1, 2000, 1, 2000);
    EXPECT_EQ(run_h(r, "-5 6"), h_heading(true, "", "-5.000", 6) +
                                    " 3.00000    6:00  1/01/2000    none found\n" +
                                    h_totals("-5.00000", 1, 0));
  }
}

// A window of exactly all the lines is accepted (the longer one stops the
// run; that is checked end to end).
TEST(PeaksAboveThreshold, WindowOfAllLinesIsAccepted) {
  twinser_test::Run r;
  r.store({1, 8, 2}, {1, 2, 9}, 24, 1, 2000, 1, 2000);
  std::string expected = h_heading(true, "", "5.000", 72) +
      // one window, lines 1-2 (clipped): obs 8 on day 2, sim 9 on day 3
      " 8.00000    0:00  1/02/2000    9.00000    0:00  1/03/2000      24       12.5000     1.125\n" +
      h_totals("5.000", 1, 1) +
      "\n  Time difference ------->      24 hr(s)\n"
      "  Peak flow difference -->   1.000 cms\n\n";
  EXPECT_EQ(run_h(r, "5 72"), expected);
}

// ------------------------------------------------------------- selection I

std::string i_heading(bool flow, int months) {
  return std::string("\n\n\n======================   Results From @I Operation   =======================\n") +
         (flow ? "\n                ACCUMULATED FLOW IN DEPTH (MM)\n"
               : "\n              ACCUMULATED RAINFALL IN DEPTH (MM)\n") +
         "                     FOR EVERY " + std::to_string(months) + " MONTHS\n"
         "                                                Acc     Error This\n"
         "       Period        Observed    Simulated     Error      Period\n" +
         std::string(68, '-') + "\n";
}

// Daily flows from October 1995 to December 1996 on 86.4 km2: 1 cms for a
// day is 1 mm. Observed 1, simulated 1.5; line 0 lacks the observed value and
// line 1 the simulated one, so both sums skip both lines. Water year 1996 has
// 366 lines (364 counted); the second period is cut at the end of the data
// after 92 lines.
TEST(AccumulatedDepth, TwelveMonthsFromOctoberCutAtTheEndOfData) {
  twinser_test::Run r;
  std::vector<double> obs(458, 1.0), sim(458, 1.5);
  obs[0] = -999;
  sim[1] = -999;
  r.store(obs, sim, 24, 10, 1995, 12, 1996, 86.4);
  std::string term;
  std::string expected = i_heading(true, 12) +
      " 10/1995 ~  9/1996     364.0       546.0       182.0       182.0\n"
      " 10/1996 ~ 12/1996     456.0       684.0       228.0       46.00\n\n\n\n";
  EXPECT_EQ(run_i(r, "12\n", term), expected);
  EXPECT_EQ(term, "Check:  Total lines of data anaylized = 458\n");
}

// Depths (area 0) summed as they are, one row per month on 6-hour lines:
// January 124 lines, February 2000 116, then 8 lines of March. A negative
// observed value that is not -999 also leaves its line out of both sums.
TEST(AccumulatedDepth, OneMonthPeriodsOfDepths) {
  twinser_test::Run r;
  std::vector<double> obs(248, 0.25), sim(248, 0.5);
  obs[0] = -1;
  r.store(obs, sim, 6, 1, 2000, 3, 2000, 0);
  std::string term;
  std::string expected = i_heading(false, 1) +
      "  1/2000 ~  1/2000     30.75       61.50       30.75       30.75\n" // 123 lines
      "  2/2000 ~  2/2000     59.75       119.5       59.75       29.00\n" // 116 lines
      "  3/2000 ~  3/2000     61.75       123.5       61.75       2.000\n" // 8 lines
      "\n\n\n";
  EXPECT_EQ(run_i(r, "1", term), expected);
  EXPECT_EQ(term, "Check:  Total lines of data anaylized = 248\n");
}

// 0 and 13 months: the five lines on the terminal, nothing in the report, and
// the control file is left after the value so the run reads on.
TEST(AccumulatedDepth, MonthsOutsideOneToTwelve) {
  twinser_test::Run r;
  r.store({1, 1}, {1, 1}, 24, 1, 2000, 1, 2000);
  auto lines = [](int m) {
    return "Error: Number of month for cumulative calculation is wrong\n"
           "   It should be between 1 and 12\n"
           "   You entered month value is " + std::to_string(m) + "\n"
           "   Please check the option @I.\n\n"
           "Note: there will be no info on cumulative flow/error!!\n\n";
  };
  std::string term;
  EXPECT_EQ(run_i(r, "0\n13 @Q", term), "");
  EXPECT_EQ(term, lines(0));
  std::ostringstream captured;
  std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
  accumulated_flow();
  std::cout.rdbuf(old);
  EXPECT_EQ(captured.str(), lines(13));
  EXPECT_EQ(r.report_text(), "");
  std::string rest;
  oldfile >> rest;
  EXPECT_EQ(rest, "@Q");
}

} // namespace
