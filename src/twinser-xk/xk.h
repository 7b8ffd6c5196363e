// twinser-xk: a CSV file of dates and values made into an XK series file.
//
// Three steps, each callable on its own (the fuzz harness and the unit tests
// call them directly): read_csv turns the bytes of a CSV file into dated rows,
// make_series finds the time step, checks the order of the dates and places
// every row on a line of whole months, write_xk writes the series file.
// Every fault in the input is an input_error naming the CSV line.
#pragma once

#include "common/calendar.h"
#include "common/files.h"
#include "common/series_layout.h"

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace xk {

// ------------------------------------------------------------ options

struct options {
  std::string unit;              // CMS, MM, DEGC or DEGF: columns 25-28 of the first header line
  std::string date_col = "1";    // date column: 1-based number or header name
  std::string value_col = "2";   // value column: 1-based number or header name
  std::string station;           // code of up to 5 characters for columns 1-5 (blank if none)
  bool stamp_begin = false;      // a date-time marks the beginning of its step (else its end)
  bool has_missing_below = false;
  double missing_below = 0;      // values below this are missing
  bool has_area = false;
  double area_km2 = 0;           // basin area for depth per step (mm) -> flow (m3/s)
};

// A fault in the input: the CSV line it was found on (0 for the file as a
// whole) and what is wrong, in words for the user.
struct input_error : std::runtime_error {
  long long line;
  input_error(long long l, const std::string& what) : std::runtime_error(what), line(l) {}
};

// ------------------------------------------------------------ CSV rows

// Why a cell gives no value; each becomes -999 and is counted apart.
enum class cell : std::uint8_t {
  value,       // a number that is kept
  marker,      // -999 already, the series' own missing value
  not_a_number,// NaN, NA or N/A
  empty,       // nothing in the cell
  non_numeric, // any other text
  below,       // a number below --missing-below
};

// One data row of the CSV.
struct row {
  long long line;     // CSV line where the row starts (1-based)
  long long hour;     // its stamp in hours since 1970-01-01 00:00 (date alone: hour 0 of the day)
  bool date_only;     // the stamp is a date without a time: that day's step
  cell kind;
  double value;       // the number as read (when kind is value or below)
};

struct table {
  std::vector<row> rows;
  char delimiter = ',';        // found from the first line: tab, ';' or ','
  long long header_line = 0;   // line of the header row, 0 without one
  long long lines = 0;         // lines in the file
};

table read_csv(std::string_view bytes, const options& opt);

// ------------------------------------------------------------ series

// How many lines of the series file hold -999, and why.
struct missing_counts {
  long long marker = 0, not_a_number = 0, empty = 0, non_numeric = 0, below = 0;
  long long gap = 0;      // steps between two rows that the CSV does not give
  long long padding = 0;  // steps before the first row and after the last, to whole months
  long long total() const { return marker + not_a_number + empty + non_numeric + below + gap + padding; }
};

// The series as it will be written: whole months at one step.
struct series {
  int step = 0;                    // hours per line; divides 24
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0;
  long long first_hour = 0;        // hour 0 of day 1 of the first month, hours since 1970
  long long lines = 0;             // lines of the whole months
  std::vector<long long> at;       // line of each CSV row, in row order
  std::vector<double> value;       // value written for each CSV row (-999 when missing)
  long long values = 0;            // rows with a value
  missing_counts missing;
};

series make_series(const table& t, const options& opt);

// The value as it stands in the file: the shortest text that reads back as
// the same double; a flow converted from a depth with three decimals, four
// significant digits below 1.
std::string value_text(double v, bool converted);

// The whole series file; `source` names the CSV file in a comment line.
void write_xk(std::ostream& out, const series& s, const options& opt, const std::string& source);

// ------------------------------------------------------------ calendar

// the one calendar of the three commands, days since 1970-01-01
using common::civil_from_days;
using common::days_from_civil;
using common::floor_div;

} // namespace xk
