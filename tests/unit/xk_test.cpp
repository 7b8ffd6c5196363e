// twinser-xk: where each CSV row lands in the series, what a cell that gives
// no number counts as, the CSV dialects, and every stop with its line. The
// expected lines are counted by hand from the calendar: September has 720
// hours, February 2000 has 29 days.
#include "xk.h"

#include <gtest/gtest.h>

#include <string>
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
      {"d,v\n2001-02-28\n", "2", 2, "the row has 1 column, the value is read from column 2"},
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
