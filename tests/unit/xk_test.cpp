// twinser-xk: where each CSV row lands in the series, what a cell that gives
// no number counts as, the CSV dialects, and every stop with its line. The
// expected lines are counted by hand from the calendar: September has 720
// hours, February 2000 has 29 days.
#include "xk.h"

#include <gtest/gtest.h>
#include <netcdf.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <string>
#include <tuple>
#include <vector>

namespace {

xk::options cms() {
  xk::options opt;
  opt.unit = "CMS";
  return opt;
}

xk::series convert(const std::string& csv, const xk::options& opt = cms()) {
  return xk::make_series(xk::read_csv(csv, opt), opt);
}

struct placement {
  const char* csv;
  bool begin;
  int step, first_month, first_year, last_month, last_year;
  long long lines;
  std::vector<long long> at;
  long long gap, padding;
};

TEST(Xk, RowsLandOnTheLineOfTheirStep) {
  const placement cases[] = {
      // 00:00 closes the last hour of 30 September: the file starts in September
      {"date,value\n2010-10-01 00:00,1\n2010-10-01 01:00,2\n2010-10-01 02:00,3\n", false, 1, 9, 2010, 10, 2010,
       720 + 744, {719, 720, 721}, 0, 719 + 742},
      // the same stamps opening their steps
      {"date,value\n2010-10-01 00:00,1\n2010-10-01 01:00,2\n2010-10-01 02:00,3\n", true, 1, 10, 2010, 10, 2010,
       744, {0, 1, 2}, 0, 741},
      // dates alone, the leap day, a missing 1 March
      {"2000-02-28,1\n2000-02-29,2\n2000-03-02,3\n", false, 24, 2, 2000, 3, 2000, 60, {27, 28, 30}, 1, 27 + 29},
      // midnight stamps on daily values close the day before: 1 March is 29 February's value
      {"t,q\n2000-03-01T00:00Z,1\n2000-03-02T00:00Z,2\n", false, 24, 2, 2000, 3, 2000, 60, {28, 29}, 0, 28 + 30},
      // six-hour steps, a step found despite a gap of 18 hours
      {"2001-01-01 06:00,1\n2001-01-01 12:00,2\n2001-01-02 06:00,3\n2001-01-02 12:00,4\n", false, 6, 1, 2001, 1,
       2001, 124, {0, 1, 4, 5}, 2, 118},
      // three equal gaps in a row are still gaps
      {"2000-01-01,1\n2000-01-02,1\n2000-01-03,1\n2000-01-04,1\n2000-01-05,1\n2000-01-06,1\n2000-01-08,1\n"
       "2000-01-10,1\n2000-01-12,1\n2000-01-13,1\n",
       false, 24, 1, 2000, 1, 2000, 31, {0, 1, 2, 3, 4, 5, 7, 9, 11, 12}, 3, 18},
      // across a new year; 24:00 is the end of the day
      {"1999-12-31 24:00,1\n2000-01-01T24:00:00.000Z,2\n", false, 24, 12, 1999, 1, 2000, 62, {30, 31}, 0, 60},
  };
  for (const auto& c : cases) {
    xk::options opt = cms();
    opt.stamp_begin = c.begin;
    xk::series s = convert(c.csv, opt);
    SCOPED_TRACE(c.csv);
    EXPECT_EQ(s.step, c.step);
    EXPECT_EQ(s.first_month, c.first_month);
    EXPECT_EQ(s.first_year, c.first_year);
    EXPECT_EQ(s.last_month, c.last_month);
    EXPECT_EQ(s.last_year, c.last_year);
    EXPECT_EQ(s.lines, c.lines);
    EXPECT_EQ(s.at, c.at);
    EXPECT_EQ(s.missing.gap, c.gap);
    EXPECT_EQ(s.missing.padding, c.padding);
  }
}

TEST(Xk, CellsWithoutANumberAreMissingAndCounted) {
  xk::options opt = cms();
  opt.has_missing_below = true;
  opt.missing_below = 0;
  xk::series s = convert("date,flow\n2000-01-01,1.5\n2000-01-02,\n2000-01-03,NaN\n2000-01-04,na\n"
                         "2000-01-05,N/A\n2000-01-06,ice\n2000-01-07,-999\n2000-01-08,-0.5\n"
                         "2000-01-09,0\n2000-01-10,0x10\n2000-01-11,inf\n2000-01-12,1e999\n",
                         opt);
  const std::vector<double> want = {1.5, -999, -999, -999, -999, -999, -999, -999, 0, -999, -999, -999};
  EXPECT_EQ(s.value, want);
  EXPECT_EQ(s.values, 2);
  EXPECT_EQ(s.missing.empty, 1);
  EXPECT_EQ(s.missing.not_a_number, 3);
  EXPECT_EQ(s.missing.non_numeric, 4); // text, hexadecimal, infinity, beyond a double
  EXPECT_EQ(s.missing.marker, 1);
  EXPECT_EQ(s.missing.below, 1);       // -0.5 < 0; 0 itself is kept
  EXPECT_EQ(s.missing.padding, 31 - 12);
  EXPECT_EQ(s.missing.total() + s.values, s.lines);
}

TEST(Xk, DepthPerStepBecomesFlow) {
  xk::options opt = cms();
  opt.has_area = true;
  opt.area_km2 = 1;
  // 8.64 mm in a day over 1 km2 is 8640 m3 in 86400 s; 3.6 mm in an hour is 3600 m3 in 3600 s
  EXPECT_DOUBLE_EQ(convert("2000-01-01,8.64\n", opt).value[0], 0.1);
  xk::series hourly = convert("2000-01-01 01:00,3.6\n2000-01-01 02:00,NA\n", opt);
  EXPECT_DOUBLE_EQ(hourly.value[0], 1.0);
  EXPECT_EQ(hourly.value[1], -999); // missing stays missing, not converted
}

TEST(Xk, ValuesKeepTheirDigits) {
  // the shortest text of the same double, converted or not
  EXPECT_EQ(xk::value_text(0.1), "0.1");
  EXPECT_EQ(xk::value_text(304.406100864), "304.406100864");
  EXPECT_EQ(xk::value_text(0.27297440114688004), "0.27297440114688004");
  EXPECT_EQ(xk::value_text(-999), "-999");
  EXPECT_EQ(xk::value_text(1e-7), "1e-07");
  // 2.1 mm/day over 99.79 km2: 2.1 * 99.79 * 1000 / 86400 = 2.42545138..., every digit kept (not 2.425)
  EXPECT_EQ(xk::value_text(2.1 * 99.79 * 1000 / 86400), "2.4254513888888893");
}

TEST(Xk, CsvDialects) {
  // semicolons with decimal commas, CRLF, quotes, a comment, blank lines, a
  // column named in another case
  xk::options opt = cms();
  opt.value_col = "FLOW";
  xk::table t = xk::read_csv("# gauge 42\r\n\"date\";\"x\";\"flow\"\r\n\r\n2000-01-01;a;\"1,5\"\r\n"
                             "2000-01-02;\"b;\nc\";2\r\n2000-01-03;d; 2.5e1 \r\n",
                             opt);
  EXPECT_EQ(t.delimiter, ';');
  EXPECT_EQ(t.header_line, 2);
  ASSERT_EQ(t.rows.size(), 3u);
  EXPECT_EQ(t.rows[0].line, 4);
  EXPECT_EQ(t.rows[1].line, 5);
  EXPECT_EQ(t.rows[2].line, 7); // the quoted line end inside row 5 counts
  EXPECT_EQ(t.rows[0].value, 1.5);
  EXPECT_EQ(t.rows[1].value, 2);
  EXPECT_EQ(t.rows[2].value, 25);
  // tabs, the date in column 2, no header
  opt.value_col = "3";
  opt.date_col = "2";
  t = xk::read_csv("A\t2000-01-01\t7\nA\t2000-01-02\t8\n", opt);
  EXPECT_EQ(t.delimiter, '\t');
  EXPECT_EQ(t.header_line, 0);
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[1].value, 8);
  // a spreadsheet's byte order mark before a file without a header
  t = xk::read_csv("\xEF\xBB\xBF" "2000-01-01;1\n2000-01-02;2\n", cms());
  EXPECT_EQ(t.header_line, 0);
  EXPECT_EQ(t.rows.size(), 2u);
  // with commas as delimiter a decimal comma cannot be; 1,5 is two fields
  opt = cms();
  t = xk::read_csv("2000-01-01,1,5\n", opt);
  EXPECT_EQ(t.rows[0].value, 1);
}

struct stop_case {
  const char* csv;
  const char* value_col;
  long long line;
  const char* what;
};

TEST(Xk, FaultsNameTheirLine) {
  const stop_case cases[] = {
      {"d,v\n2000-01-01,1\n2000-01-03,2\n2000-01-02,3\n", "2", 4, "2000-01-02 comes before 2000-01-03 on line 3"},
      {"d,v\n2000-01-01,1\n2000-01-01,2\n", "2", 3, "2000-01-01 stands twice (also on line 2)"},
      {"2000-01-01 01:00,1\n2000-01-01 02:00,1\n2000-01-01 03:00,1\n2000-01-01 04:30,1\n", "2", 4,
       "is not on the hour"},
      {"2000-01-01 01:00,1\n2000-01-01 02:00,1\n2000-01-01 03:00,1\n2000-01-01 05:30,1\n", "2", 4,
       "is not on the hour"},
      {"2000-01-01 03:00,1\n2000-01-01 06:00,1\n2000-01-01 09:00,1\n2000-01-01 10:00,1\n", "2", 4,
       "2000-01-01 10:00 is 1 hour after line 3, but the series steps by 3 hours"},
      {"2000-01-01 05:00,1\n2000-01-01 10:00,1\n", "2", 2, "the dates are 5 hours apart (from line 1)"},
      // hourly, then three-hourly: four equal gaps in a row are a coarser step
      {"2000-01-01 01:00,1\n2000-01-01 02:00,1\n2000-01-01 03:00,1\n2000-01-01 04:00,1\n2000-01-01 05:00,1\n"
       "2000-01-01 06:00,1\n2000-01-01 09:00,1\n2000-01-01 12:00,1\n2000-01-01 15:00,1\n2000-01-01 18:00,1\n",
       "2", 10, "the stamps are 3 hours apart from line 6 to here, but the series steps by 1 hour:"},
      {"2000-01-01,1\n2000-01-08,1\n", "2", 2, "the dates are 168 hours apart"},
      {"2000-01-01 12:00,1\n2000-01-02 12:00,1\n", "2", 1, "would begin at 12:00"},
      {"2000-01-01,1\n2000-01-02 00:00,1\n", "2", 2, "a date-time among dates without a time"},
      {"2000-01-01 01:00,1\n", "2", 1, "one date-time alone does not show the time step"},
      {"d,v\n\n2001-02-29,1\n", "2", 3, "\"2001-02-29\" is not a day of the calendar"},
      {"d,v\n2001-02-28 25:00,1\n", "2", 2, "is not a time of day"},
      {"d,v\n2001-02-28 01:00:00.5,1\n", "2", 2, "is not on the hour"},
      {"d,v\n2001-02-28+01:00,1\n", "2", 2, "is not a date"},
      {"d,v\n01/02/2001,1\n", "2", 2, "may be day-first or month-first, which is never guessed: give --date-format \"%d/%m/%Y\" or --date-format \"%m/%d/%Y\""},
      {"d,v\n1.2.01,1\n", "2", 2, "--date-format \"%d.%m.%Y\" or --date-format \"%m.%d.%Y\""},
      {"d,v\n2001-02-30,1\n", "2", 2, "is not a day of the calendar"},
      {"d,v\n2001.02.03,1\n", "2", 2, "give its form with --date-format"},
      {"d,v\n2001-02-28\n", "2", 2, "the row has 1 column (split at each \",\"), the value is read from column 2"},
      {"d,v\n2001-02-28,\"1\n", "2", 2, "a quoted field is not closed"},
      {"d,v\n2001-02-28,1\"2\"\n", "2", 2, "a quote inside a field"},
      {"d,v\n2001-02-28,1\n", "flow", 1, "no column named \"flow\" in the header row (\"d\", \"v\")"},
      {"2001-02-28,1\n", "flow", 1, "a column is chosen by name (--value-col flow), but the first row holds data"},
      {"d,v\n# only a header\n", "2", 0, "holds no data rows"},
      {"", "2", 0, "holds no data rows"},
  };
  for (const auto& c : cases) {
    xk::options opt = cms();
    opt.value_col = c.value_col;
    SCOPED_TRACE(c.csv);
    try {
      convert(c.csv, opt);
      ADD_FAILURE() << "no stop";
    } catch (const xk::input_error& e) {
      EXPECT_EQ(e.line, c.line);
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
    }
  }
}

} // namespace

// ------------------------------------------------------------ layouts as agencies and models write them

namespace {

xk::options with(const std::string& date_col, const std::string& value_col) {
  xk::options opt = cms();
  opt.date_col = date_col;
  opt.value_col = value_col;
  return opt;
}

} // namespace

TEST(XkLayouts, WhatStandsAboveTheDataIsSkipped) {
  // two lines skipped, a comment with an open quote, a title line, a header
  // with blanks around its names, the data from line 6
  xk::options opt = with("Date", "Value");
  opt.skip = 2;
  xk::table t = xk::read_csv("junk,\"\nmore\n# a \"comment\nDaily Discharge (m3/s)\n ID,Date,Value,SYM \n"
                             "A,1913/07/01,100,B\nA,1913/07/02,110,\n",
                             opt);
  EXPECT_EQ(t.title_line, 4);
  EXPECT_EQ(t.header_line, 5);
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0].line, 6);
  EXPECT_EQ(t.rows[1].hour - t.rows[0].hour, 24);
  EXPECT_EQ(t.rows[1].value, 110);
  // the format row is skipped only right below the header; a first row with
  // fewer fields that is data is no title
  t = xk::read_csv("a\tdate\tq\n5s\t20d\t14n\nX\t2000-01-01\t1\n", with("2", "3"));
  EXPECT_EQ(t.format_line, 2);
  EXPECT_EQ(t.rows.size(), 1u);
  try {
    xk::read_csv("2000-01-01\n2000-01-02,5\n", cms());
    ADD_FAILURE() << "no stop";
  } catch (const xk::input_error& e) {
    EXPECT_EQ(e.line, 1); // not dropped as a title
  }
  EXPECT_THROW(xk::read_csv("a\tdate\tq\nX\t2000-01-01\t1\n5s\t20d\t14n\n", with("2", "3")), xk::input_error);
  // --skip past the end of the file
  opt = cms();
  opt.skip = 3;
  try {
    xk::read_csv("a\nb\n", opt);
    ADD_FAILURE() << "no stop";
  } catch (const xk::input_error& e) {
    EXPECT_STREQ(e.what(), "has 2 lines, and --skip 3 skips them all");
  }
}

TEST(XkLayouts, DatesInTheirForms) {
  struct form {
    const char* cell;
    const char* format;
    long long days; // days since 1970-01-01 by the calendar
    bool date_only;
    long long hour_of_day;
  };
  const form forms[] = {
      {"1970/01/02", "", 1, true, 0},
      {"19700102", "", 1, true, 0},
      {"1970/01/02 05:00", "", 1, false, 5},
      {"19700102T05:00", "", 1, false, 5},
      {"02.01.1970", "%d.%m.%Y", 1, true, 0},
      {"01/02/1970 05:00", "%m/%d/%Y %H:%M", 1, false, 5},
      {"1972 060", "%Y %j", 365 + 365 + 59, true, 0}, // 29 February of a leap year
      {"02-Jan-1970", "%d-%b-%Y", 1, true, 0},
  };
  for (const auto& f : forms) {
    xk::options opt = cms();
    opt.date_format = f.format;
    SCOPED_TRACE(f.cell);
    xk::table t = xk::read_csv(std::string(f.cell) + ",1\n", opt);
    ASSERT_EQ(t.rows.size(), 1u);
    EXPECT_EQ(t.rows[0].hour, f.days * 24 + f.hour_of_day);
    EXPECT_EQ(t.rows[0].date_only, f.date_only);
  }
  // never guessed, never half read
  const std::pair<const char*, const char*> refused[] = {
      {"01/02/1970", "may be day-first or month-first"},
      {"13.01.70", "may be day-first or month-first"},
      {"1970-01/02", "is not a date"},
      {"d,v\n1970013", "is not a date"},
      {"19700230", "is not a day of the calendar"},
  };
  for (const auto& [cell, what] : refused) {
    SCOPED_TRACE(cell);
    try {
      xk::read_csv(std::string(cell) + ",1\n", cms());
      ADD_FAILURE() << "no stop";
    } catch (const xk::input_error& e) {
      EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
    }
  }
  xk::options opt = cms();
  opt.date_format = "%d.%m.%Y";
  EXPECT_THROW(xk::read_csv("d,v\n02.01.1970 extra,1\n", opt), xk::input_error);
  EXPECT_THROW(xk::read_csv("d,v\n1970-01-02,1\n", opt), xk::input_error);
}

TEST(XkLayouts, TimeOfDayColumn) {
  const std::pair<const char*, long long> times[] = {
      {"00:00", 0}, {"7:00", 7 * 3600}, {"23:59:59", 86399}, {"24:00", 86400}, {"24:00:00.000", 86400},
      {"00:00:00.00", 0}, {"12:30:15", 45015},
  };
  for (const auto& [text, seconds] : times) {
    long long got = -2;
    EXPECT_TRUE(xk::parse_time_of_day(text, got)) << text;
    EXPECT_EQ(got, seconds) << text;
  }
  long long got;
  for (const char* text : {"24:01", "12", "12:60", "1200", "12:00:00.", "-1:00", "100:00", ""})
    EXPECT_FALSE(xk::parse_time_of_day(text, got)) << text;
  // joined: 24:00 closes the day, so two hourly rows either side of midnight are one step apart
  xk::options opt = with("1", "3");
  opt.time_col = "2";
  xk::table t = xk::read_csv("2000-01-01,24:00,1\n2000-01-02,01:00,2\n", opt);
  EXPECT_EQ(t.rows[1].hour - t.rows[0].hour, 1);
  EXPECT_FALSE(t.rows[0].date_only);
  EXPECT_THROW(xk::read_csv("2000-01-01,00:30,1\n2000-01-02,01:00,2\n", opt), xk::input_error);
  EXPECT_THROW(xk::read_csv("2000-01-01 01:00,01:00,1\n", opt), xk::input_error);
  // without --time-col: refused when a column's cells are all times, or its header names one; not otherwise
  EXPECT_THROW(xk::read_csv("2000-01-01,00:00,1\n2000-01-02,00:00,2\n", with("1", "3")), xk::input_error);
  EXPECT_THROW(xk::read_csv("day,Hour (UTC),q\n2000-01-01,0,1\n", with("1", "3")), xk::input_error);
  EXPECT_NO_THROW(xk::read_csv("2000-01-01,00:00,1\n2000-01-02,x,2\n", with("1", "3")));
  EXPECT_NO_THROW(xk::read_csv("day,hourly_mean,q\n2000-01-01,5,1\n", with("1", "3")));
  opt = with("1", "3");
  opt.date_only = true;
  EXPECT_NO_THROW(xk::read_csv("2000-01-01,00:00,1\n2000-01-02,00:00,2\n", opt));
}

TEST(XkLayouts, FlaggedValuesAreMissingAndCountedApart) {
  xk::options opt = with("1", "2");
  opt.flag_col = "flag";
  opt.missing_flags = {"B", "E"};
  // a flag beats its value; a row without the flag column has no flag
  xk::series s = convert("d,v,flag\n2000-01-01,1,B\n2000-01-02,2, E \n2000-01-03,3,A\n2000-01-04,4\n"
                         "2000-01-05,NA,B\n2000-01-06,6,b\n",
                         opt);
  const std::vector<double> want = {-999, -999, 3, 4, -999, 6};
  EXPECT_EQ(s.value, want);
  EXPECT_EQ(s.missing.flagged, 3);
  EXPECT_EQ(s.missing.not_a_number, 0);
  EXPECT_EQ(s.values, 3);
  EXPECT_EQ(s.missing.total() + s.values, s.lines);
}

TEST(XkUnits, ExactFactorsIntoTheSeriesUnit) {
  struct conversion {
    const char* from;
    const char* unit;
    double value, want;
  };
  const conversion cases[] = {
      {"cfs", "CMS", 1, 0.028316846592},   {"CFS", "CMS", 100, 2.8316846592},
      {"ft3/s", "CMS", 1, 0.028316846592}, {"l/s", "CMS", 250, 0.25},
      {"m3/s", "CMS", 7.5, 7.5},           {"in", "MM", 2, 50.8},
      {"mm", "MM", 3.25, 3.25},            {"degF", "DEGC", 212, 100},
      {"degF", "DEGC", 32, 0},             {"K", "DEGC", 273.15, 0},
      {"degC", "DEGF", 100, 212},          {"degC", "DEGF", -40, -40},
      {"degF", "DEGF", 50.5, 50.5},        {"degC", "DEGC", 12.5, 12.5},
  };
  for (const auto& c : cases) {
    xk::options opt;
    opt.unit = c.unit;
    opt.from_unit = c.from;
    SCOPED_TRACE(c.from);
    EXPECT_NO_THROW(xk::check_units(opt));
    EXPECT_EQ(xk::convert_value(c.value, opt, 24), c.want);
  }
  // inches per day over 86.4 km2: 1 in = 25.4 mm, then 25.4 mm * 86.4 km2 * 1000 / 86400 s = 25.4 m3/s
  xk::options opt;
  opt.unit = "CMS";
  opt.from_unit = "in";
  opt.has_area = true;
  opt.area_km2 = 86.4;
  EXPECT_NO_THROW(xk::check_units(opt));
  EXPECT_DOUBLE_EQ(xk::convert_value(1, opt, 24), 25.4);
  opt.from_unit = "";
  opt.has_scale = true;
  opt.scale = 10; // cm to mm
  EXPECT_DOUBLE_EQ(xk::convert_value(1, opt, 24), 10);
  // kinds that do not meet
  for (auto [from, unit, area] : {std::tuple{"cfs", "MM", false}, std::tuple{"mm", "CMS", false},
                                  std::tuple{"cfs", "CMS", true}, std::tuple{"K", "CMS", false},
                                  std::tuple{"furlongs", "CMS", false}}) {
    xk::options bad;
    bad.unit = unit;
    bad.from_unit = from;
    bad.has_area = area;
    EXPECT_THROW(xk::check_units(bad), xk::input_error) << from << " " << unit;
  }
}

TEST(XkLimits, SeriesLongerThanTwinserReadsIsRefused) {
  // hourly rows on 1 and 2 January of year 1 and one at hour 2^31 after:
  // a gap, but a period of more hours than twinser counts
  xk::table t;
  const long long start = xk::days_from_civil(1, 1, 1) * 24 + 1;
  for (long long h : {0LL, 1LL, 2LL, 2147483648LL}) t.rows.push_back({h + 1, start + h, false, xk::cell::value, 1});
  try {
    xk::make_series(t, cms());
    ADD_FAILURE() << "no stop";
  } catch (const xk::input_error& e) {
    EXPECT_NE(std::string(e.what()).find("twinser reads at most 2147483647 hours"), std::string::npos) << e.what();
  }
  // the same gap ten times shorter is placed
  t.rows.back().hour = start + 214748364;
  EXPECT_EQ(xk::make_series(t, cms()).missing.gap, 214748364 - 3);
}

// ------------------------------------------------------------ NetCDF

namespace {

// A small NetCDF file written with the library's own calls: a time
// coordinate with `units` and `calendar`, and q(time) or q(time, station)
// with int station ids marked as the timeseries_id; its bytes come back.
struct nc_spec {
  std::string units = "days since 1999-12-31", calendar = "proleptic_gregorian";
  std::vector<double> times = {1, 2, 3, 4};
  int stations = 0;            // 0: q(time); else q(time, station)
  std::vector<double> values;  // time-major
  bool missing_value = false;  // q:missing_value = 1e20
};

std::string nc_bytes(const nc_spec& s) {
  char dir[] = "/tmp/xk_nc_XXXXXX";
  if (!mkdtemp(dir)) return "";
  std::string path = std::string(dir) + "/t.nc";
  int nc, time_dim, station_dim, time_var, q, ids;
  nc_create(path.c_str(), NC_CLOBBER, &nc);
  nc_def_dim(nc, "time", s.times.size(), &time_dim);
  nc_def_var(nc, "time", NC_DOUBLE, 1, &time_dim, &time_var);
  nc_put_att_text(nc, time_var, "units", s.units.size(), s.units.c_str());
  if (!s.calendar.empty()) nc_put_att_text(nc, time_var, "calendar", s.calendar.size(), s.calendar.c_str());
  if (s.stations > 0) {
    nc_def_dim(nc, "station", s.stations, &station_dim);
    nc_def_var(nc, "station_id", NC_INT, 1, &station_dim, &ids);
    nc_put_att_text(nc, ids, "cf_role", 13, "timeseries_id");
    int dims[2] = {time_dim, station_dim};
    nc_def_var(nc, "q", NC_DOUBLE, 2, dims, &q);
  } else {
    nc_def_var(nc, "q", NC_DOUBLE, 1, &time_dim, &q);
  }
  if (s.missing_value) {
    double mv = 1e20;
    nc_put_att_double(nc, q, "missing_value", NC_DOUBLE, 1, &mv);
  }
  nc_enddef(nc);
  nc_put_var_double(nc, time_var, s.times.data());
  if (s.stations > 0) {
    std::vector<int> id(s.stations);
    for (int i = 0; i < s.stations; ++i) id[i] = 101 * (i + 1);
    nc_put_var_int(nc, ids, id.data());
  }
  nc_put_var_double(nc, q, s.values.data());
  nc_close(nc);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  rmdir(dir);
  return bytes;
}

} // namespace

TEST(XkNetcdf, StampsFillValuesAndStations) {
  nc_spec one;
  one.values = {1.5, std::nan(""), 1e20, NC_FILL_DOUBLE};
  one.missing_value = true;
  xk::options opt = cms();
  opt.var = "q";
  std::string bytes = nc_bytes(one);
  ASSERT_TRUE(xk::is_netcdf(bytes));
  xk::table t = xk::read_netcdf(bytes, opt);
  ASSERT_EQ(t.rows.size(), 4u);
  // 1 day since 1999-12-31 is 2000-01-01 00:00
  EXPECT_EQ(t.rows[0].hour, xk::days_from_civil(2000, 1, 1) * 24);
  EXPECT_EQ(t.rows[3].hour, xk::days_from_civil(2000, 1, 4) * 24);
  EXPECT_EQ(t.rows[0].value, 1.5);
  EXPECT_EQ(t.rows[1].kind, xk::cell::not_a_number);
  EXPECT_EQ(t.rows[2].kind, xk::cell::fill); // missing_value
  EXPECT_EQ(t.rows[3].kind, xk::cell::fill); // the default fill of a double without _FillValue
  // (time, station): the second station's column, found by its id
  nc_spec two;
  two.units = "hours since 2000-01-01T00:00:00Z";
  two.calendar = "";
  two.times = {6, 12};
  two.stations = 3;
  two.values = {1, 2, 3, 4, 5, 6};
  opt.station_id = "202";
  t = xk::read_netcdf(nc_bytes(two), opt);
  ASSERT_EQ(t.rows.size(), 2u);
  EXPECT_EQ(t.rows[0].value, 2);
  EXPECT_EQ(t.rows[1].value, 5);
  EXPECT_EQ(t.rows[1].hour, xk::days_from_civil(2000, 1, 1) * 24 + 12);
  xk::series s = xk::make_series(t, opt);
  EXPECT_EQ(s.step, 6);
  opt.station_id = "";
  opt.station_index = 3;
  EXPECT_EQ(xk::read_netcdf(nc_bytes(two), opt).rows[1].value, 6);
}

TEST(XkNetcdf, TimeAxesThatCannotBePlacedStop) {
  struct axis {
    const char* units;
    const char* calendar;
    double first;
    const char* what;
  };
  const axis axes[] = {
      {"months since 2000-01-01", "standard", 1, "reads seconds, minutes, hours or days since a date"},
      {"days since 2000-01-01", "360_day", 1, "reads the civil calendar only"},
      {"days since 1582-10-01", "gregorian", 1, "before 15 October 1582"},
      {"minutes since 2000-01-01 00:00", "standard", 30, "not on the hour"},
      {"hours since 2000-01-01 00:00 +05:00", "standard", 1, "a time zone offset"},
      {"hours since 2000-02-30", "standard", 1, "no date YYYY-MM-DD"},
  };
  for (const auto& a : axes) {
    nc_spec s;
    s.units = a.units;
    s.calendar = a.calendar;
    s.times = {a.first, a.first + 1440};
    s.values = {1, 2};
    xk::options opt = cms();
    opt.var = std::string(1, 'q');
    SCOPED_TRACE(a.units);
    try {
      xk::make_series(xk::read_netcdf(nc_bytes(s), opt), opt);
      ADD_FAILURE() << "no stop";
    } catch (const xk::input_error& e) {
      EXPECT_NE(std::string(e.what()).find(a.what), std::string::npos) << e.what();
    }
  }
  // the proleptic calendar reads the same early day
  nc_spec early;
  early.units = "days since 1582-10-01";
  early.calendar = "proleptic_gregorian";
  early.values = {1, 2, 3, 4};
  xk::options opt = cms();
  opt.var = "q";
  EXPECT_EQ(xk::read_netcdf(nc_bytes(early), opt).rows[0].hour, xk::days_from_civil(1582, 10, 2) * 24);
  EXPECT_THROW(xk::read_netcdf("CDF\x01 not really", opt), xk::input_error);
}
