// Flow-class tables on a few hand-made daily lines. Every expected row was
// worked out on paper from the sums of its lines; the working is in the
// comments. A nan prints as "-nan" here: 0/0 on x86-64 yields the negative
// default NaN and the measures pass it on unchanged.
#include "support.h"

#include <gtest/gtest.h>

#include <iostream>
#include <string>

using namespace twinser;

namespace {

const std::string E_HEAD = "\n\n\n======================   Results From @E Operation   =======================\n";
const std::string E_COLUMNS =
    "                                     Absolute\n"
    "                            Percent   Percent    Percent         Nash-S.\n"
    "     Condition      Cases     Bias      Bias       RMS      R       r\n"
    " ----------------------------------------------------------------------\n";
const std::string F_HEAD = "\n\n\n======================   Results From @F Operation   =======================\n";
const std::string F_COLUMNS_TOP =
    "                         Number          Absolute\n"
    "                           of    Percent  Percent    Percent       Nash-S.\n";
const std::string F_RULE =
    " --------------------------------------------------------------------------\n";
const std::string D_HEAD = "\n\n\n======================   Results From @D Operation   =======================\n";
const std::string D_COLUMNS =
    "                        Number           Absolute\n"
    "                          of     Percent  Percent    Percent         Nash-S.\n"
    "     Flow Intervals     Cases     Bias      Bias       RMS     R        r\n"
    "-------------------------------------------------------------------------------\n";

// Seven days of January 2000 with the cases that tell the exclusion rules
// apart: a simulated -5 (counts above a value, not in an interval), a
// simulated -999, an observed -999.
void seven_days(twinser_test::Run& run, double area = 100) {
  run.store({10, 20, 30, 40, -999, 60, 5}, {12, -5, -999, 44, 50, 54, 6}, 24, 1, 2000, 1, 2000,
            area);
}

// What the control file still holds after the analysis.
std::string rest_of_control() {
  std::string w, all;
  while (oldfile >> w) all += w + " ";
  return all;
}

// ---------------------------------------------------------- selection E

TEST(FlowsAboveValues, NoValuesGiveHeadingsOnly) {
  twinser_test::Run run;
  seven_days(run);
  run.control("0 25\n@Q\n");
  selection = 'e';
  flow_greater();
  EXPECT_EQ(run.report_text(),
            E_HEAD + "\n          THE STATISTICS FOR FLOWS GREATER THAN GIVEN VALUES\n\n" + E_COLUMNS);
  EXPECT_EQ(rest_of_control(), "25 @Q ");
}

TEST(FlowsAboveValues, RowsInGivenOrderWithInheritedPrecision) {
  twinser_test::Run run;
  seven_days(run);
  // 20 first, then 0 (no row), 10 (rows in the order given, not sorted), then
  // 100, above every observation; the 7 is beyond the announced count.
  run.control("4 20\n 0 10 100 7\n");
  selection = 'E';
  out.precision(4); // what the largest-differences table leaves
  testing::internal::CaptureStdout();
  flow_greater();
  std::string terminal = testing::internal::GetCapturedStdout();

  // value 20: lines (20,-5) equal to the value and with a counted -5,
  // (40,44), (60,54); (30,-999) is out. d = -25, 4, -6.
  //   sum o 120, sum d -27, sum|d| 35, sum d2 677
  //   bias -27/120 = -22.50 %, abs. bias 35/120 = 29.17 %
  //   rel. RMS sqrt(677/3)/40 = 0.37556 -> 37.56 %
  //   R = (3*4900 - 93*120) / sqrt((3*4877 - 93^2)(3*5600 - 120^2))
  //     = 3540 / sqrt(5982*2400) = 0.934
  //   r = 1 - (677/3) / ((2400/3)/2) = 1 - 225.67/400 = 0.436
  // value, biases and RMS at the inherited 4 digits; R and r at 3.
  // value 10 adds (10,12): n 4, sum o 130, sum d -25, sum|d| 37, sum d2 681
  //   bias -19.23 -> -19.2, abs. bias 28.46 -> 28.5 (3 digits from here on)
  //   rel. RMS sqrt(681/4)/32.5 = 0.40148 -> 40.1
  //   R = (4*5020 - 105*130) / sqrt((4*5021 - 105^2)(4*5700 - 130^2))
  //     = 6430 / sqrt(9059*5900) = 0.880
  //   r = 1 - 170.25 / ((5900/4)/3) = 1 - 170.25/491.67 = 0.654
  // value 100: nothing reaches it; 100 at 3 digits with the point shown.
  EXPECT_EQ(run.report_text(),
            E_HEAD + "\n          THE STATISTICS FOR FLOWS GREATER THAN GIVEN VALUES\n\n" + E_COLUMNS +
                "  flow >  20.00         3    -22.50     29.17     37.56   0.934   0.436\n"
                "  flow >   10.0         4     -19.2      28.5      40.1   0.880   0.654\n"
                "  flow > 100.  none found\n");
  EXPECT_EQ(terminal, "No event that exceeds the value 100\n");
  EXPECT_EQ(rest_of_control(), "7 ");
}

TEST(FlowsAboveValues, RainfallLabelAndSingleLine) {
  twinser_test::Run run;
  seven_days(run, 0);
  run.control("1 60\n");
  selection = 'E';
  out.precision(4);
  flow_greater();
  // only (60,54): biases -6/60 and 6/60, rel. RMS 6/60; R and r are 0/0
  EXPECT_EQ(run.report_text(),
            E_HEAD + "\n        THE STATISTICS FOR RAINFALL GREATER THAN GIVEN VALUES\n\n" +
                E_COLUMNS +
                "rainfall>  60.00         1    -10.00     10.00     10.00    -nan    -nan\n");
}

// ---------------------------------------------------------- selection F

TEST(GivenIntervals, ClosedBoundsReversedPairAndLargestBound) {
  twinser_test::Run run;
  seven_days(run);
  run.control("3  10 40\n 40 10\n 0 9999999.0\n 5 6\n");
  selection = 'F';
  out.precision(4);
  testing::internal::CaptureStdout();
  two_vals();
  std::string terminal = testing::internal::GetCapturedStdout();

  // 10 -- 40: (10,12) and (40,44) on the bounds; (20,-5) and (30,-999) are
  // out for their negative simulated value. d = 2, 4.
  //   sum o 50: biases 6/50 = 12.000 %, rel. RMS sqrt(20/2)/25 -> 12.649 %
  //   R = (2*1880 - 56*50) / sqrt((2*2080 - 56^2)(2*1700 - 50^2)) = 960/960
  //   r = 1 - 10 / ((900/2)/1) = 0.9778
  // 40 -- 10: nothing lies in it: count 0, every measure 0/0.
  // 0 -- 9999999: (10,12), (40,44), (60,54), (5,6); d = 2, 4, -6, 1.
  //   sum o 115: bias 1/115 = 0.86957 %, abs. bias 13/115 = 11.304 %
  //   rel. RMS sqrt(57/4)/28.75 -> 13.130 %
  //   R = (4*5150 - 116*115) / sqrt((4*5032 - 116^2)(4*5325 - 115^2))
  //     = 7260 / sqrt(6672*8075) = 0.989
  //   r = 1 - 14.25 / ((8075/4)/3) = 0.9788
  EXPECT_EQ(run.report_text(),
            F_HEAD + "\n                   STATISTICS FOR A GIVEN FLOW INTERVAL\n\n" + F_COLUMNS_TOP +
                "     Flow Intervals      Cases    Bias     Bias        RMS      R     r\n" +
                F_RULE +
                "  10.000 --   40.000:       2    12.000    12.000    12.649    1.00   0.9778\n"
                "  40.000 --   10.000:       0      -nan      -nan      -nan    -nan     -nan\n"
                "  0.0000 -- 1.0000e+07:       4   0.86957    11.304    13.130   0.989   0.9788\n");
  EXPECT_EQ(terminal, "\n\n\n"); // one empty line per interval
  EXPECT_EQ(rest_of_control(), "5 6 ");
  EXPECT_EQ(out.precision(), 5);
}

TEST(GivenIntervals, RainfallWordingAndNoPairs) {
  twinser_test::Run run;
  seven_days(run, -1);
  run.control("0\n");
  selection = 'f';
  two_vals();
  EXPECT_EQ(run.report_text(),
            F_HEAD + "\n                 STATISTICS FOR A GIVEN RAINFALL INTERVAL\n\n" +
                F_COLUMNS_TOP +
                "  Rainfall Intervals     Cases    Bias     Bias        RMS      R     r\n" +
                F_RULE);
}

// ---------------------------------------------------------- selection D

TEST(EqualIntervals, NoIntervalsGiveHeadingsOnly) {
  twinser_test::Run run;
  seven_days(run);
  run.control("0 @Q\n");
  selection = 'd';
  equal_ints();
  EXPECT_EQ(run.report_text(), "\n" + D_HEAD + "\n                    STATISTICS FOR 0 FLOW INTERVALS\n\n" +
                                   D_COLUMNS);
  EXPECT_EQ(rest_of_control(), "@Q ");
}

TEST(EqualIntervals, SharedBoundCountsInBothNeighbours) {
  twinser_test::Run run;
  // largest observed value 100; 50 lies on the bound of the 2nd and 3rd
  // interval; (80,-0.5) is out for its negative simulated value
  run.store({50, 100, 10, 30, 80, 60, -999}, {45, 90, 12, 33, -0.5, 66, 5}, 24, 1, 2000, 1, 2000,
            0);
  run.control("4\n");
  selection = 'D';
  out.precision(4); // the rows set their own precision
  equal_ints();
  // 0 -- 25: (10,12) alone: biases and rel. RMS 2/10; R and r are 0/0
  // 25 -- 50: (50,45), (30,33); d = -5, 3; sum o 80
  //   bias -2/80 = -2.5000 %, abs. bias 8/80 = 10.000 %
  //   rel. RMS sqrt(34/2)/40 -> 10.308 %; two lines: R = 240/240
  //   r = 1 - 17 / ((400/2)/1) = 0.9150
  // 50 -- 75: (50,45), (60,66); d = -5, 6; sum o 110
  //   bias 1/110 = 0.90909 %, abs. bias 11/110 = 10.000 %
  //   rel. RMS sqrt(61/2)/55 -> 10.041 %; R = 210/210
  //   r = 1 - 30.5 / ((100/2)/1) = 0.3900
  // 75 -- 100: (100,90) alone: biases and rel. RMS 10/100
  EXPECT_EQ(run.report_text(),
            "\n" + D_HEAD + "\n                    STATISTICS FOR 4 RAINFALL INTERVALS\n\n" + D_COLUMNS +
                "  0.0000 --   25.000:       1    20.000    20.000    20.000    -nan     -nan\n"
                "  25.000 --   50.000:       2   -2.5000    10.000    10.308    1.00   0.9150\n"
                "  50.000 --   75.000:       2   0.90909    10.000    10.041    1.00   0.3900\n"
                "  75.000 --   100.00:       1   -10.000    10.000    10.000    -nan     -nan\n");
  EXPECT_EQ(out.precision(), 5);
}

} // namespace
