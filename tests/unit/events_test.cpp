// Selection G on hand-made 6-hour and daily stores: the event statistics,
// centre of mass, maxima and peak-aligned tables and event.dat, every value
// worked out on paper from the window sums given in the comments.
#include "support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>



using twinser_test::TempFile;

namespace {

const std::string kHeading =
    "\n\n\n======================   Results From @G Operation   =======================\n"
    "\n                                       STATISTICS FOR GIVEN EVENTS/TIME INTERVALS\n";
const std::string kFlowColumns =
    "                                                         Abs.                                  "
    "Total  Total   Pcp Loc\n"
    " Event                                            %        %       %           Nash-S.  Modi.   "
    "Obs    Sim  or Pcp Var\n"
    "Number              Period                Hrs    Bias    Bias     RMS     R       r      Rm    "
    "Q (mm) Q (mm)   Index*\n" +
    std::string(118, '-') + "\n";
const std::string kDepthColumns =
    "                                                         Abs.                                  "
    "Total  Total   Pcp Loc\n"
    " Event                                            %        %       %          Nash-S. Modi.   "
    "Obs    Sim  or Pcp Var\n"
    "Number              Period                Hrs    Bias    Bias     RMS     R      r     Rm   "
    "Pcp(mm) Pcp(mm)  Index*\n" +
    std::string(118, '-') + "\n";
const std::string kFootnote =
    "\n  *:  This is valid/meaningful only when your analyze precipitation location index\n"
    "      and precipitation variability index.\n"
    "       Ipcp_stats (Ipcp_loc) = SUM(Ipcp_t*pt)/SUM(pt)   Ipcp_stats (Ipcp_var) = "
    "SUM(STD*pt)/SUM(pt)\n\n\n";
const std::string kCentreHead = "\n\n            CENTER OF MASS FOR GIVEN EVENTS\n" +
                                std::string(56, '-') +
                                "\n           Observed           Simulated        Time\n"
                                "Event   Center of Mass      Center of Mass  Diff. (Hr.)\n" +
                                std::string(56, '-') + "\n";
const std::string kFlowMaxHead =
    "                           MAXIMUM VALUES OF FLOW FOR GIVEN EVENTS\n"
    "      ----------------------------------------------------------------------------------\n"
    "       Observed                    Simulated                    Time  Max Flow  Relative\n"
    "Event    Max          Date            Max          Date         Diff.   Ratio  Peak Error\n" +
    std::string(89, '-') + "\n";
const std::string kRainMaxHead =
    "                        MAXIMUM VALUES OF RAINFALL FOR GIVEN PERIODS\n"
    "      ----------------------------------------------------------------------------------\n"
    "       Observed                    Simulated                    Time  Max Rain  Relative\n"
    "Period   Max          Date            Max          Date         Diff.   Ratio  Peak Error\n" +
    std::string(89, '-') + "\n";
const std::string kShiftHeadTop =
    "                          STATISTICS FOR GIVEN TIME INTERVAL/EVENT WITH SIMULATED\n"
    "                                   DATA SHIFTED TO ALIGN MAXIMUM VALUES\n"
    "                 -------------------------------------------------------------------------\n"
    "                                                            Absolute                    "
    "Nash-S.  Total     Total\n"
    "                                                   Percent   Percent    Percent                 "
    "Observed  Simulated\n";
const std::string kShiftFlow =
    kShiftHeadTop +
    "Event               Period                  Hours   Bias       Bias       RMS      R      r    "
    "Flow (mm)  Flow (mm)\n" +
    std::string(115, '-') + "\n";
const std::string kShiftDepth =
    kShiftHeadTop +
    "Event               Period                  Hours   Bias       Bias       RMS      R      r     "
    "Pcp (mm)  Pcp (mm)\n" +
    std::string(115, '-') + "\n";

// The text between two markers of the report (from `from` up to `to`).
std::string between(const std::string& text, const std::string& from, const std::string& to) {
  std::size_t a = text.find(from);
  if (a == std::string::npos) return "<" + from + " not found>";
  std::size_t b = to.empty() ? text.size() : text.find(to, a + from.size());
  if (b == std::string::npos) return "<" + to + " not found>";
  return text.substr(a, b - a);
}

// March 1998 at a 6-hour step (124 lines, all 1.0) with two events:
//   event 1, lines 16..26 (6:00 Mar 5 .. 24:00 Mar 7, given as 7:00 and
//   23:00): obs 2 4 6 8 8 6 -999 4 2 2 2, sim 2 2 4 6 10 8 6 -0.5 4 2 4;
//   event 2, lines 37..40 (12:00 Mar 10 .. 12:00 Mar 11): obs 1 5 3 2,
//   sim 0 1 2 7; and Qsim[27] = 1.5, Qsim[41] = 3, Qsim[42] = 0.5, which the
//   peak-aligned pairs reach.
struct MarchStore {
  std::vector<double> obs = std::vector<double>(124, 1.0);
  std::vector<double> sim = std::vector<double>(124, 1.0);
  MarchStore() {
    const double o1[] = {2, 4, 6, 8, 8, 6, -999, 4, 2, 2, 2};
    const double s1[] = {2, 2, 4, 6, 10, 8, 6, -0.5, 4, 2, 4};
    for (int k = 0; k < 11; ++k) {
      obs[16 + k] = o1[k];
      sim[16 + k] = s1[k];
    }
    const double o2[] = {1, 5, 3, 2};
    const double s2[] = {0, 1, 2, 7};
    for (int k = 0; k < 4; ++k) {
      obs[37 + k] = o2[k];
      sim[37 + k] = s2[k];
    }
    sim[27] = 1.5;
    sim[41] = 3;
    sim[42] = 0.5;
  }
};

const char* kMarchEvents = "2\n 7 3 5 1998  23 3 7 1998\n 12 3 10 1998  12 3 11 1998\n@Q\n";

} // namespace

// Event 1, 9 valid lines (line 22 has obs -999, line 23 sim -0.5):
//   So 40, Ss 42, Sd 2, Sad 14, Sdd 28, Sos 232, Soo 232, Sss 260.
//   bias 5.000, abs 35.00, rel RMS sqrt(28/9)/(40/9) -> 39.69 %,
//   R = (2088-1680)/sqrt(576*488) = 0.770, var_o = (488/9)/8,
//   r = 1 - (28/9)/(61/9) = 0.541, Rm = R*sqrt(488/576) = 0.708,
//   totals 21600*40/216000 = 4.00 mm and 4.20 mm, Ipcp 232/40 = 5.80.
// Event 2, 4 valid lines: So 11, Ss 10, Sd -1, Sad 11, Sdd 43, Sos 25,
//   Soo 39, Sss 54: bias -9.091, abs 100.0, %RMS 119.2, R = -10/sqrt(116*35)
//   = -0.157, r = 1 - 10.75/(35/12) = -2.69, Rm = R*sqrt(35/116) = -0.0862,
//   totals 1.10 and 1.00, Ipcp 25/11 = 2.27.
// Pooled: B = 100*1/51 = 1.96, Bavg = 100*3/51 = 5.88 (>= |B|), flood RMS
//   = 100*(sqrt(28/9)+sqrt(43/4))*90/(2*51) = 445.
TEST(EventStatistics, RowsMeansPooledAndEventData) {
  twinser_test::Run run;
  MarchStore m;
  run.store(m.obs, m.sim, 6, 3, 1998, 3, 1998, 216);
  run.control(kMarchEvents);
  TempFile dat;
  twinser::OPTION_O = 1;
  twinser::data_out.open(dat.path);
  twinser::selection = 'g';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_EQ(between(report, "\n\n\n=====", "\n\n            CENTER"),
            kHeading + kFlowColumns +
                "  1.  3/05/1998  6:00 ~  3/07/1998 24:00   66    5.000   35.00   39.69   0.770   "
                "0.541   0.708   4.00   4.20    5.80\n"
                "  2.  3/10/1998 12:00 ~  3/11/1998 12:00   24   -9.091   100.0   119.2  -0.157   "
                "-2.69 -0.0862   1.10   1.00    2.27\n"
                "\n        Mean Values:  ------------->>     45.0   -2.05    67.5    79.5   0.306   "
                "-1.07   0.311    2.55    2.60"
                "\n\n       Overall bias, B, %     Flood bias, Bavg, %   Flood, RMS, %\n"
                "             1.96                   5.88               445.\n" +
                kFootnote);

  twinser::data_out.flush();
  EXPECT_EQ(dat.text(), "\nEvent 1:\n 3/05/1998  6:00 ~  3/07/1998 24:00\n Observed    Simulated\n"
                        "        2        2\n        4        2\n        6        4\n"
                        "        8        6\n        8       10\n        6        8\n"
                        "     -999        6\n        4     -0.5\n        2        4\n"
                        "        2        2\n        2        4\n"
                        "\nEvent 2:\n 3/10/1998 12:00 ~  3/11/1998 12:00\n Observed    Simulated\n"
                        "        1        0\n        5        1\n        3        2\n"
                        "        2        7\n");
}

// Centres: event 1 obs (k = 1..11, k = 7 out) 228/44 = 5.18 -> 5, the line
// with sim -0.5 still counting for obs; sim (k = 8 out) 282/48 = 5.88 -> 5;
// both on line 20 (0:00 Mar 6), diff 0. Event 2 obs 28/11 = 2.55 -> 2 (line
// 38, 12:00 Mar 10), sim 36/10 = 3.6 truncated to 3 (line 39, 18:00), diff 6.
// Maxima: event 1 obs plateau 8, 8 -> first line 19 (18:00 Mar 5), sim 10 on
// line 20, shift 1 = 6 h, ratio 1.25; event 2 obs 5 on line 38, sim 7 two
// steps later on line 40 (0:00 Mar 11): 12 h, ratio 1.40. Means 9, 1.325 and
// (0.25+0.4)/2; Ep = 100*4/13, Bp = 6+12, Bp,avg = 9, mean peak 6.5.
TEST(EventStatistics, CentreOfMassAndMaxima) {
  twinser_test::Run run;
  MarchStore m;
  run.store(m.obs, m.sim, 6, 3, 1998, 3, 1998, 216);
  run.control(kMarchEvents);
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_EQ(between(report, "\n\n            CENTER", "                          STATISTICS FOR GIVEN TIME"),
            kCentreHead +
                "  1.    0:00 03/06/1998     0:00 03/06/1998       0\n"
                "  2.   12:00 03/10/1998    18:00 03/10/1998       6\n"
                "\nMean value of time difference for above events --> 3.000 (hours)\n"
                "Mean value of absolute time difference for above events --> 3.000 (hours)\n\n\n\n" +
                kFlowMaxHead +
                "  1.   8.00000   18:00 03/05/1998   10.0000    0:00 03/06/1998    6     1.25     "
                "0.250\n"
                "  2.   5.00000   12:00 03/10/1998   7.00000    0:00 03/11/1998   12     1.40     "
                "0.400\n"
                "\n                                 Mean value --------->>       9.000    1.325    "
                "0.3250\n"
                "\n Overall Peak Flow Statistics: (for 2 events)\n"
                " Peak Error, Ep, %  *   Overall Peak Time Bias, Bp, hrs   *   Peak Time Error, "
                "Bp,avg, hrs\n"
                "       30.77                       18.00                              9.000\n"
                " Averaged observed peak flow for all events: 6.500 CMS\n\n\n\n");
  EXPECT_EQ(twinser::interval[0][8], 1);
  EXPECT_EQ(twinser::interval[1][8], 2);
}

// Peak-aligned pairs Qobs[i], Qsim[i + shift]. Event 1 (shift 1): line 22
// out (obs -999), line 23 now pairs 4 with 4, line 26 pairs 2 with 1.5:
//   n 10, So 44, Ss 47.5, Sd 3.5, Sad 4.5, Sdd 8.25, Sos 267, Soo 248,
//   Sss 294.25: 7.955, 10.23, 20.64, R 0.949, r 0.864, 4.40, 4.75.
// Event 2 (shift 2): obs 1 5 3 2 with sim 2 7 3 0.5 from lines 39..42, so the
//   simulated total (12.5 -> 1.25 mm) is that of the moved window:
//   13.64, 40.91, 48.96, R 0.886, r 0.379, 1.10, 1.25.
TEST(EventStatistics, PeakAlignedTable) {
  twinser_test::Run run;
  MarchStore m;
  run.store(m.obs, m.sim, 6, 3, 1998, 3, 1998, 216);
  run.control(kMarchEvents);
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_EQ(between(report, "                          STATISTICS FOR GIVEN TIME", ""),
            kShiftFlow +
                "  1.   6:00  3/05/1998 ~ 24:00  3/07/1998      66     7.955     10.23     20.64   "
                "0.949   0.864     4.40     4.75\n"
                "  2.  12:00  3/10/1998 ~ 12:00  3/11/1998      24     13.64     40.91     48.96   "
                "0.886   0.379     1.10     1.25\n"
                "\n          Mean Values:  ----------->>        45.0      10.8      25.6      34.8"
                "   0.918   0.621      2.75     3.00");
}

// With no peak shift the aligned row repeats the first table's values.
// Daily January 2001, depths (area 0): obs 2 6 3 and sim 1 3 2 on lines 0..2
// (event hour 24 Jan 1 .. hour 24 Jan 4), both maxima on line 1 (0:00 Jan 2).
//   So 11, Ss 6, Sd -5, Sad 5, Sdd 11, Sos 26, Soo 49, Sss 14:
//   -45.45, 45.45, rel sqrt(11/3)/(11/3) -> 52.22, R = 12/sqrt(6*26) = 0.961,
//   r = 1 - (11/3)/(26/6) = 0.154; the simulated spread is the smaller, so
//   Rm = R*sqrt(6/26) = 0.462; totals plain sums 11.0 and 6.00; Ipcp 26/11.
TEST(EventStatistics, DepthsAndZeroShiftMatchFirstTable) {
  twinser_test::Run run;
  std::vector<double> obs(31, 0.5), sim(31, 0.5);
  obs[0] = 2, obs[1] = 6, obs[2] = 3;
  sim[0] = 1, sim[1] = 3, sim[2] = 2;
  run.store(obs, sim, 24, 1, 2001, 1, 2001, 0);
  run.control("1 24 1 1 2001 24 1 4 2001\n");
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_EQ(between(report, "\n\n\n=====", "\n        Mean Values"),
            kHeading + kDepthColumns +
                "  1.  1/01/2001 24:00 ~  1/04/2001 24:00   72   -45.45   45.45   52.22   0.961   "
                "0.154   0.462   11.0   6.00    2.36\n");
  EXPECT_NE(report.find(kRainMaxHead +
                        "  1.   6.00000    0:00 01/02/2001   3.00000    0:00 01/02/2001    0    "
                        "0.500    -0.500\n"),
            std::string::npos);
  EXPECT_EQ(between(report, "                          STATISTICS FOR GIVEN TIME", "\n          Mean"),
            kShiftDepth +
                "  1.  24:00  1/01/2001 ~ 24:00  1/04/2001      72    -45.45     45.45     52.22   "
                "0.961   0.154     11.0     6.00\n");
}

// An observed series of zeros has no centre of mass: a readable text stands
// in for its date and the difference, and the event adds 0 to both sums.
// Event 1, lines 4..7: obs 0 0 0 0, sim 1 1 1 1 -> 10/4 = 2.5 -> 2, line 5
// (6:00 Mar 2). Event 2 ends at hour 0 of Mar 4, the instant of hour 24 of
// Mar 3: lines 8..10, obs 1 4 1 -> 12/6 = 2 (line 9, 6:00), sim 0 0 4 -> 3
// (line 10, 12:00), 6 h; both means 6/2 = 3.
TEST(EventStatistics, ZeroMassSumHasNoCentre) {
  twinser_test::Run run;
  std::vector<double> obs(124, 1.0), sim(124, 1.0);
  for (int i = 4; i < 8; ++i) obs[i] = 0;
  const double o2[] = {1, 4, 1}, s2[] = {0, 0, 4};
  for (int k = 0; k < 3; ++k) obs[8 + k] = o2[k], sim[8 + k] = s2[k];
  run.store(obs, sim, 6, 3, 1998, 3, 1998, 216);
  run.control("2  6 3 2 1998 6 3 3 1998  6 3 3 1998 0 3 4 1998\n");
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_EQ(between(report, kCentreHead, "\nMean value of time"),
            kCentreHead +
                "  1.            no mass     6:00 03/02/1998     n/a\n"
                "  2.    6:00 03/03/1998    12:00 03/03/1998       6\n");
  EXPECT_NE(report.find("Mean value of time difference for above events --> 3.000 (hours)\n"
                        "Mean value of absolute time difference for above events --> 3.000"),
            std::string::npos);
}

// Window lines outside the store are missing and never read. Event 1 begins
// at hour 0 of the period's first day: lines -1..1, 18 hours; line -1 shows
// -999 in event.dat, counts as k = 1 in the centre of mass (sim 0 2 on lines
// 0 and 1: 2*3/2 = position 3, line 1, 6:00) and is skipped by the maxima
// search, which starts on line 0 (obs -999 -999 keeps line 0; sim peak on
// line 1: shift 1, ratio 2/-999). Event 2 ends at hour 24 of the last day:
// lines 120..122, obs 5 1 1, sim 1 1 5, shift 2; its third aligned pair
// would reach line 124, past the store, and is out: pairs (5,5), (1,1).
TEST(EventStatistics, WindowLinesOutsideTheStore) {
  twinser_test::Run run;
  std::vector<double> obs(124, 1.0), sim(124, 1.0);
  obs[0] = obs[1] = -999;
  sim[0] = 0, sim[1] = 2;
  obs[120] = 5, sim[122] = 5;
  run.store(obs, sim, 6, 3, 1998, 3, 1998, 216);
  run.control("2  0 3 1 1998 18 3 1 1998   6 3 31 1998 24 3 31 1998\n");
  TempFile dat;
  twinser::OPTION_O = 1;
  twinser::data_out.open(dat.path);
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();

  EXPECT_NE(report.find("  1.  3/01/1998  0:00 ~  3/01/1998 18:00   18"), std::string::npos);
  EXPECT_NE(report.find("  2.  3/31/1998  6:00 ~  3/31/1998 24:00   18"), std::string::npos);
  twinser::data_out.flush();
  const std::string block1 =
      "\nEvent 1:\n 3/01/1998  0:00 ~  3/01/1998 18:00\n Observed    Simulated\n"
      "     -999     -999\n     -999        0\n     -999        2\n";
  EXPECT_EQ(dat.text().substr(0, block1.size()), block1);
  EXPECT_NE(report.find(kCentreHead + "  1.            no mass     6:00 03/01/1998     n/a\n"),
            std::string::npos);
  EXPECT_NE(report.find(kFlowMaxHead +
                        "  1.  -999.000    0:00 03/01/1998   2.00000    6:00 03/01/1998    6 "
                        "-0.00200     -1.00\n"),
            std::string::npos);
  EXPECT_NE(report.find("  2.   6:00  3/31/1998 ~ 24:00  3/31/1998      18     0.000     0.000"
                        "     0.000    1.00    1.00    0.600    0.600\n"),
            std::string::npos);
}

// A window longer than 24,855 daily lines: the time of line k in seconds,
// k x 24 x 3600, passes 2^31. Daily 1950..2020 (25,933 lines) of constant 1,
// event hour 24 of 1 Jan 1950 .. hour 24 of 31 Dec 2020 = lines 0..25931:
// both centres at (25932 + 1) / 2 = 12966.5 -> 12966, line 12965, 1 Jul 1985.
TEST(EventStatistics, CentreOfMassOfAVeryLongWindow) {
  twinser_test::Run run;
  std::vector<double> ones(25933, 1.0);
  run.store(ones, ones, 24, 1, 1950, 12, 2020, 0);
  run.control("1 24 1 1 1950 24 12 31 2020\n");
  twinser::selection = 'G';
  twinser::event();
  EXPECT_NE(run.report_text().find(kCentreHead +
                                   "  1.    0:00 07/01/1985     0:00 07/01/1985       0\n"),
            std::string::npos);
}

// No events: every mean is 0/0, which x86-64 makes the negative default NaN
// and the stream writes as -nan; the peak time bias is a sum and stays 0.
TEST(EventStatistics, NoEventsGiveNan) {
  twinser_test::Run run;
  std::vector<double> ones(124, 1.0);
  run.store(ones, ones, 6, 3, 1998, 3, 1998, 216);
  run.control("0\n");
  twinser::selection = 'G';
  twinser::event();
  const std::string report = run.report_text();
  std::string means;
  for (int j = 0; j < 9; ++j) means += "    -nan";
  EXPECT_NE(report.find(kFlowColumns + "\n        Mean Values:  ------------->> " + means +
                        "\n\n       Overall bias, B, %     Flood bias, Bavg, %   Flood, RMS, %\n"
                        "             -nan                   -nan               -nan\n"),
            std::string::npos);
  EXPECT_NE(report.find("events --> -nan (hours)\nMean value of absolute time difference for "
                        "above events --> -nan (hours)\n"),
            std::string::npos);
  EXPECT_NE(report.find(kFlowMaxHead + "\n                                 Mean value --------->>"
                                       "        -nan     -nan      -nan\n"
                                       "\n Overall Peak Flow Statistics: (for 0 events)\n"),
            std::string::npos);
  EXPECT_NE(report.find("\n        -nan                       0.000                               -nan\n"
                        " Averaged observed peak flow for all events: -nan CMS\n"),
            std::string::npos);
  const std::string last = "-\n\n          Mean Values:  ----------->>  "
                           "      -nan      -nan      -nan      -nan    -nan    -nan      -nan     -nan";
  EXPECT_EQ(report.substr(report.size() - last.size()), last);
}
