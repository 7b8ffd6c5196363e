// The table of the 25 largest differences as the report shows it: dates from
// the start of each line's step, values at six significant digits, the signed
// error, and the precision left behind.
#include "support.h"

#include <gtest/gtest.h>

#include <string>

using namespace twinser;
using namespace twinser_test;

namespace {

std::string rule() { return std::string(65, '-') + "\n"; }

TEST(LargestDifferencesTable, SixHourFlowRowsWithSignedAndUndefinedErrors) {
  twinser_test::Run run;
  // 6-hour lines from 1 January 1998: line 5 starts at hour 6 of 2 January
  run.store({10, 4, -999, 0, 0, 2.5, 1}, {10, 1, 500, 2, 0, 1000.25, -0.5}, 6, 1, 1998, 1, 1998,
            100);
  error25();
  out << 1.0;
  EXPECT_EQ(run.report_text(),
            "\n\n" + rule() +
                "                25 LARGEST FLOW DIFFERENCES\n"
                "                    Observed  Simulated   Error    Percent\n"
                "      Date            Flow      Flow    (Sim-Obs)   Error\n" +
                rule() +
                // 997.75 / 2.5 * 100
                "  6:00 01/02/1998   2.50000    1000.25   997.750   39910.0\n"
                // ranked by |error|, shown with its sign
                "  6:00 01/01/1998   4.00000    1.00000  -3.00000  -75.0000\n"
                // a zero observation: infinite percent error
                " 18:00 01/01/1998   0.00000    2.00000   2.00000       inf\n"
                // two zero differences, the earlier line first; 0/0 on the last
                "  0:00 01/01/1998   10.0000    10.0000   0.00000   0.00000\n"
                "  0:00 01/02/1998   0.00000    0.00000   0.00000      -nan\n"
                // precision 4 is left behind
                "1.000");
}

TEST(LargestDifferencesTable, NoValidLineLeavesTheHeadingsAlone) {
  twinser_test::Run run;
  run.store({-999, 3}, {1, -1}, 24, 1, 2000, 1, 2000, 100);
  error25();
  std::string text = run.report_text();
  const std::string tail = "(Sim-Obs)   Error\n" + rule();
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail); // the table ends with its rule
}

} // namespace
