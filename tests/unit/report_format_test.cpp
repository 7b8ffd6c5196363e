// The report's standing number format: showpoint, general notation, the
// precision as significant digits with trailing zeros kept.
#include "support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>

using namespace twinser;

namespace {

std::string written(twinser_test::Run& run, double v, int precision, int width = 0) {
  out << std::setprecision(precision) << std::setw(width) << v;
  return run.report_text();
}

TEST(ReportFormat, SignificantDigitsWithTrailingZeros) {
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, 100, 4), "100.0");
  }
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, 0.5, 3), "0.500");
  }
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, 0, 5, 9), "   0.0000"); // an unbiased run's percent bias
  }
}

TEST(ReportFormat, ExponentFormFromAHundredThousandAtPrecisionFour) {
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, 123456, 4), "1.235e+05");
  }
  {
    twinser_test::Run run; // four integer digits fill precision 4: the point stays, bare
    EXPECT_EQ(written(run, 9999.4, 4), "9999.");
  }
  {
    twinser_test::Run run; // a decimal exponent below -4 takes the exponent form too
    EXPECT_EQ(written(run, 0.00001234, 3), "1.23e-05");
  }
}

TEST(ReportFormat, UndefinedValuesAsTheStreamWritesThem) {
  volatile double zero = 0; // computed at run time, as the sums of a table are
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, std::numeric_limits<double>::quiet_NaN(), 4, 9), "      nan");
  }
  {
    twinser_test::Run run; // 0/0 on this hardware: the default NaN carries the sign bit
    EXPECT_EQ(written(run, zero / zero, 4, 9), "     -nan");
  }
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, 1 / zero, 4, 9), "      inf");
  }
  {
    twinser_test::Run run;
    EXPECT_EQ(written(run, -1 / zero, 4, 9), "     -inf");
  }
}

} // namespace
