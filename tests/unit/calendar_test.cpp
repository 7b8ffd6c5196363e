// Calendar and line arithmetic, on dates whose counts are easy to check by
// hand: 2000 is a leap year of 366 days, 1999 and 2001 have 365.
#include "support.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <string>
#include <tuple>

using namespace twinser;

namespace {

TEST(Calendar, LeapYearsAndMonthLengths) {
  EXPECT_EQ(is_leap_year(1996), 1);
  EXPECT_EQ(is_leap_year(2000), 1); // divisible by 400
  EXPECT_EQ(is_leap_year(1900), 0); // by 100, not by 400
  EXPECT_EQ(is_leap_year(1999), 0);
  EXPECT_EQ(days_of_month(2, 2000), 29);
  EXPECT_EQ(days_of_month(2, 1900), 28);
  EXPECT_EQ(days_of_month(1, 1999), 31);
  EXPECT_EQ(days_of_month(4, 1999), 30);
  EXPECT_EQ(days_of_month(12, 1999), 31);
}

TEST(Calendar, BadMonthIsReportedAndCountsZero) {
  testing::internal::CaptureStdout();
  int d13 = days_of_month(13, 2000);
  int d0 = days_of_month(0, 2000);
  std::string said = testing::internal::GetCapturedStdout();
  EXPECT_EQ(d13, 0);
  EXPECT_EQ(d0, 0);
  EXPECT_EQ(said, "Month [1-12] and year [yyyy] need to be given correctly\n"
                  "Month [1-12] and year [yyyy] need to be given correctly\n");
}

TEST(Calendar, LinesInWholeMonths) {
  EXPECT_EQ(hour_count(1, 2000, 12, 2000, 24), 366);
  EXPECT_EQ(hour_count(1, 2000, 12, 2000, 6), 1464);
  // 92 days of Oct-Dec 1999, 366 of 2000, 273 of Jan-Sep 2001
  EXPECT_EQ(hour_count(10, 1999, 9, 2001, 24), 731);
  EXPECT_EQ(hour_count(12, 1999, 1, 2000, 24), 62);
  EXPECT_EQ(hour_count(3, 2000, 2, 2000, 24), 0);
  // Jan 1990 to Oct 1992 less October: 365 + 365 + 274 days
  EXPECT_EQ(hour_count(1, 1990, 10, 1992, 24) - 31, 1004);
  // 10/1992-12/1999: 92 + 6 * 365 + 365 + one leap day (1996)
  EXPECT_EQ(hour_count(10, 1992, 12, 1999, 24), 2648);
  EXPECT_EQ(hour_count(10, 1993, 9, 1999, 24), 2191);
  EXPECT_EQ(hour_count(10, 1993, 9, 1999, 1), 2191 * 24);
  // centuries: 1900 is not a leap year, 2000 is; 1899-2101 has 203 years
  EXPECT_EQ(hour_count(1, 1899, 12, 2101, 24), 203 * 365 + 49);
}

TEST(Calendar, LineOfADateTime) {
  // step 6 from 2000-01-01 (hour1 = step, so a = 1)
  EXPECT_EQ(hour_count(1, 2000, 1, 2000, 1, 6, 1, 6, 6), 0);
  EXPECT_EQ(hour_count(1, 2000, 1, 2000, 1, 6, 2, 0, 6), 3);
  EXPECT_EQ(hour_count(1, 2000, 2, 2000, 1, 6, 1, 6, 6), 124);
  EXPECT_EQ(hour_count(1, 2000, 1, 2001, 1, 6, 1, 6, 6), 1464);
  EXPECT_EQ(hour_count(1, 2000, 2, 2001, 1, 6, 1, 6, 6), 1588);
  // months between the two in one year, and a whole year between: with D
  // whole days from 2000-01-01 the line is 4 D + b - 1
  EXPECT_EQ(hour_count(1, 2000, 4, 2000, 1, 6, 1, 24, 6), 4 * 91 + 4 - 1);
  EXPECT_EQ(hour_count(1, 2000, 3, 2002, 1, 6, 2, 12, 6), 4 * (366 + 365 + 59 + 1) + 2 - 1);
  // daily: the line of a day's end is its day count from the start, less one
  EXPECT_EQ(hour_count(10, 1999, 9, 2001, 1, 24, 30, 24, 24), 730);
}

TEST(Calendar, StartOfALine) {
  twinser_test::Run run;
  time_step = 6;
  month_begin = 1;
  year_begin = 2000;
  int y, m, d, h;
  line_to_date(0, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2000, 1, 1, 0}));
  line_to_date(3, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2000, 1, 1, 18}));
  line_to_date(4, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2000, 1, 2, 0}));
  line_to_date(124, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2000, 2, 1, 0}));
  line_to_date(1464, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2001, 1, 1, 0}));
  time_step = 24;
  line_to_date(31, y, m, d, h);
  EXPECT_EQ((std::vector<int>{y, m, d, h}), (std::vector<int>{2000, 2, 1, 0}));
}

TEST(Calendar, MonthAndYearOfEveryLine) {
  // step 6 over January and February 2000: 124 lines of January, then 116
  twinser_test::Run run;
  run.store(std::vector<double>(240, 1.0), std::vector<double>(240, 1.0), 6, 1, 2000, 2, 2000);
  for (int i = 0; i <= 123; ++i) ASSERT_EQ(month[i], 1) << "line " << i;
  for (int i = 124; i < 240; ++i) ASSERT_EQ(month[i], 2) << "line " << i;
  EXPECT_EQ(year[0], 2000);
  EXPECT_EQ(year[239], 2000);
}

TEST(Calendar, DailyLinesKeepTheirOwnDay) {
  // daily from December 1999: the last line of December is still 1999
  twinser_test::Run run;
  run.store(std::vector<double>(62, 1.0), std::vector<double>(62, 1.0), 24, 12, 1999, 1, 2000);
  EXPECT_EQ(month[30], 12);
  EXPECT_EQ(year[30], 1999);
  EXPECT_EQ(month[31], 1);
  EXPECT_EQ(year[31], 2000);
  EXPECT_EQ(month[61], 1);
}

TEST(Calendar, DailyFromJanuary) {
  twinser_test::Run run;
  run.store(std::vector<double>(60, 1.0), std::vector<double>(60, 1.0), 24, 1, 2000, 2, 2000);
  EXPECT_EQ(month[30], 1);
  EXPECT_EQ(month[31], 2);
}

// The data record dates lines by the end of their step, midnight being hour
// 24 of the day that ends, and finds the first whole water year (1 October to
// 30 September) in lines. Worked by hand:
//  - daily from 1 September 2000, 426 lines (to 31 October 2001): the water
//    year starts 30 days in and ends 30 + 365 days in;
//  - 12-hourly from September 2000, 800 lines: the same days, two lines each;
//    line 799 is the second of day 399, 5 October 2001;
//  - hourly January 2000: line 743 is the 24th of day 30; October is past the end;
//  - 9-hourly from February 2001 (starts 0, 9, 18: three lines a day), 9
//    lines: line 8 starts at 18 on 3 February and ends at its midnight.
struct dated {
  int year, month, day, hour;
  bool daily;
};
std::tuple<int, int, int, int, bool> as_tuple(const dated& d) {
  return {d.year, d.month, d.day, d.hour, d.daily};
}
std::tuple<int, int, int, int, bool> as_tuple(const std::optional<clock_time>& t) {
  if (!t) return {0, 0, 0, 0, false};
  return {t->year, t->month, t->day, t->hour, t->daily};
}

TEST(Calendar, DataRecordDatesLinesByTheEndOfTheirStep) {
  struct expected {
    int step, month, year, lines;
    dated first, last;
    bool water_year;
    long long wy_first, wy_end;
    dated wy_first_date, wy_last_date;
  };
  const expected cases[] = {
      {24, 9, 2000, 426, {2000, 9, 1, 24, true}, {2001, 10, 31, 24, true},
       true, 30, 395, {2000, 10, 1, 24, true}, {2001, 9, 30, 24, true}},
      {12, 9, 2000, 800, {2000, 9, 1, 12, false}, {2001, 10, 5, 24, false},
       true, 60, 790, {2000, 10, 1, 12, false}, {2001, 9, 30, 24, false}},
      {1, 1, 2000, 744, {2000, 1, 1, 1, false}, {2000, 1, 31, 24, false}, false, 0, 0, {}, {}},
      {9, 2, 2001, 9, {2001, 2, 1, 9, false}, {2001, 2, 3, 24, false}, false, 0, 0, {}, {}},
  };
  for (const expected& c : cases) {
    twinser_test::Run run;
    run.store(std::vector<double>(c.lines, 1.0), std::vector<double>(c.lines, 1.0), c.step, c.month,
              c.year, c.month, c.year);
    const data_record& d = ctx.results.data;
    SCOPED_TRACE("step " + std::to_string(c.step));
    EXPECT_EQ(as_tuple(d.first_date), as_tuple(c.first));
    EXPECT_EQ(as_tuple(d.last_date), as_tuple(c.last));
    ASSERT_EQ(d.first_water_year.has_value(), c.water_year);
    if (!c.water_year) continue;
    EXPECT_EQ(d.first_water_year->first_line, c.wy_first);
    EXPECT_EQ(d.first_water_year->end_line, c.wy_end);
    EXPECT_EQ(as_tuple(d.first_water_year->first_date), as_tuple(c.wy_first_date));
    EXPECT_EQ(as_tuple(d.first_water_year->last_date), as_tuple(c.wy_last_date));
  }
}

} // namespace

// The date of a line must be what a walk from line 0 gives, one step at a
// time: the hour grows by the step and a day ends once it would pass 23.
// Steps that do not divide a day (a T record of 18 hours on 6-hour files)
// follow the same walk.
TEST(Calendar, StartOfALineMatchesTheStepwiseWalk) {
  for (int step : {1, 2, 3, 4, 5, 6, 7, 8, 12, 18, 21, 24}) {
    twinser::time_step = step;
    twinser::month_begin = 11;
    twinser::year_begin = 1999;
    int wy = 1999, wm = 11, wd = 1, wh = 0;
    for (int line = 0; line < 4000; ++line) {
      int y, m, d, h;
      line_to_date(line, y, m, d, h);
      ASSERT_EQ(std::make_tuple(y, m, d, h), std::make_tuple(wy, wm, wd, wh))
          << "step " << step << " line " << line;
      wh += step;
      if (wh > 23) { ++wd; wh = 0; }
      if (wd > days_of_month(wm, wy)) { ++wm; wd = 1; }
      if (wm > 12) { ++wy; wm = 1; }
    }
  }
}

// Far from the start of the period the date must still be the walk's: daily
// lines over six centuries from February 1896 (1900 and 2100 without a leap
// day, 2000 with one), and 6-hourly lines from December of year -401 across
// the years before and after year 0.
TEST(Calendar, StartOfALineFarIntoThePeriod) {
  struct start { int step, month, year, lines; };
  for (const start& s : {start{24, 2, 1896, 220000}, start{6, 12, -401, 8000}, start{1, 1, 2099, 20000}}) {
    twinser::time_step = s.step;
    twinser::month_begin = s.month;
    twinser::year_begin = s.year;
    int wy = s.year, wm = s.month, wd = 1, wh = 0;
    for (int line = 0; line < s.lines; ++line) {
      int y, m, d, h;
      line_to_date(line, y, m, d, h);
      ASSERT_EQ(std::make_tuple(y, m, d, h), std::make_tuple(wy, wm, wd, wh))
          << "from " << s.month << "/" << s.year << ", step " << s.step << ", line " << line;
      wh += s.step;
      if (wh > 23) { ++wd; wh = 0; }
      if (wd > days_of_month(wm, wy)) { ++wm; wd = 1; }
      if (wm > 12) { ++wy; wm = 1; }
    }
  }
}
