// The JSON summary says what the report says: values a section prints come
// from its record, and a run that ended with 2 says why.
#include "summary.h"
#include "support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <variant>

using namespace twinser;

namespace {

std::string printed_g(double v, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%#.*g", digits, v);
  return text;
}

TEST(Summary, EqualIntervalsGiveTheTopTheReportPrintsAndTheDataMaximumApart) {
  twinser_test::Run run;
  // largest observed 44.5975; with 7 intervals the last top is 44.5975 * 7 / 7,
  // one unit of the last bit above it: printed at 5 digits 44.598, where the
  // maximum itself prints 44.597
  run.store({1, 44.5975, 3}, {1, 2, 3}, 24, 1, 2000, 1, 2000);
  run.control("7\n");
  equal_ints();
  const auto& d = std::get<class_record>(ctx.results.selections.back());
  EXPECT_EQ(printed_g(d.interval_top, 5), "44.598");
  EXPECT_EQ(printed_g(d.max_observed, 5), "44.597");
  EXPECT_NE(run.report_text().find(" 44.598:"), std::string::npos);
  const auto j = twinser_view::summary_json(ctx.results, "test");
  EXPECT_EQ(j["selections"][0]["max_observed"].get<double>(), d.interval_top);
  EXPECT_EQ(j["selections"][0]["data_max"].get<double>(), 44.5975);
}

TEST(Summary, RefusedOptionsAreListedWithTheirReasons) {
  run_record r;
  EXPECT_TRUE(twinser_view::summary_json(r, "test")["refused_options"].empty());
  r.refused_options = {{"-x", "not a recognized option"}, {"-", "no option letter after the dash"}};
  const auto list = twinser_view::summary_json(r, "test")["refused_options"];
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["option"], "-x");
  EXPECT_EQ(list[0]["refused"], "not a recognized option");
  EXPECT_EQ(list[1]["option"], "-");
}

} // namespace
