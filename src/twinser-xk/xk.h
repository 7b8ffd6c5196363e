// twinser-xk: a CSV or NetCDF file of dates and values made into an XK
// series file.
//
// Three steps, each callable on its own (the fuzz harness and the unit tests
// call them directly): read_csv (or read_netcdf) turns the bytes of the input
// into dated rows, make_series finds the time step, checks the order of the
// dates and places every row on a line of whole months, write_xk writes the
// series file. Every fault in the input is an input_error naming the CSV line
// (or the position on the time axis of a NetCDF file).
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
  std::string time_col;          // time-of-day column joined to the date column (empty: none)
  bool date_only = false;        // the date column's dates are their days' steps, whatever stands beside them
  std::string station;           // code of up to 5 characters for columns 1-5 (blank if none)
  bool stamp_begin = false;      // a date-time marks the beginning of its step (else its end)
  bool has_missing_below = false;
  double missing_below = 0;      // values below this are missing
  bool has_area = false;
  double area_km2 = 0;           // basin area for depth per step (mm) -> flow (m3/s)
  long long skip = 0;            // lines before the header that are not read at all
  std::string date_format;       // strftime letters for the date column (empty: the forms known without it)
  std::string flag_col;          // quality-flag column (empty: none)
  std::vector<std::string> missing_flags; // flags whose rows are missing (-999)
  std::string from_unit;         // unit of the values in the file (empty: already the series unit)
  bool has_scale = false;
  double scale = 1;              // factor applied to every value read (--scale)
  // NetCDF input
  std::string var;               // the variable that holds the series
  long long station_index = 0;   // station counted from 1 on a (station, time) variable, 0 if not given
  std::string station_id;        // station id matched against the cf_role timeseries_id variable
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
  flagged,     // a row whose quality flag is one of --missing-flags
  fill,        // a NetCDF fill or missing value
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
  const char* row_word = "line"; // what a row's number counts: CSV lines, or NetCDF time positions
  char delimiter = ',';        // found from the first line: tab, ';' or ','
  long long header_line = 0;   // line of the header row, 0 without one
  long long lines = 0;         // lines in the file
  long long title_line = 0;    // a title line above the header, 0 without one
  long long format_line = 0;   // the column-format row below the header (5s 15s 20d ...), 0 without one
  std::string time_col_name;   // the time column joined to the dates (for the summary)
};

table read_csv(std::string_view bytes, const options& opt);

// A NetCDF file (classic or netCDF-4) held in memory: the variable --var at
// the chosen station, stamped from its CF time coordinate.
table read_netcdf(std::string_view bytes, const options& opt);

// True when the bytes begin as a NetCDF file does (CDF or HDF5 signature).
bool is_netcdf(std::string_view bytes);

// ------------------------------------------------------------ units

// Checks --from-unit and --scale against --unit and --mm-to-cms; the message
// says what would read the file when they do not fit.
void check_units(const options& opt);

// A value as read, turned into the series unit: --scale, then --from-unit,
// then --mm-to-cms for a step of `step` hours.
double convert_value(double v, const options& opt, int step);

// Time-of-day text "HH:MM", "HH:MM:SS", "HH:MM:SS.fff" or "24:00": seconds
// since midnight (86400 for 24:00). False when the text is no time of day.
bool parse_time_of_day(std::string_view s, long long& seconds);

// ------------------------------------------------------------ series

// How many lines of the series file hold -999, and why.
struct missing_counts {
  long long marker = 0, not_a_number = 0, empty = 0, non_numeric = 0, below = 0;
  long long flagged = 0;  // rows whose quality flag is in --missing-flags
  long long fill = 0;     // NetCDF fill values (_FillValue, missing_value)
  long long gap = 0;      // steps between two rows that the CSV does not give
  long long padding = 0;  // steps before the first row and after the last, to whole months
  long long total() const {
    return marker + not_a_number + empty + non_numeric + below + flagged + fill + gap + padding;
  }
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

// The longest series twinser reads: its period of whole months is counted in
// hours in a signed 32-bit int.
inline constexpr long long MAX_SERIES_HOURS = 2147483647;

series make_series(const table& t, const options& opt);

// The value as it stands in the file: the shortest text that reads back as
// the same double, converted or not.
std::string value_text(double v);

// Which step the first row went to, in words: "first value stamped
// 2002-10-02 00:00 is the step ending then: 2002-10-01".
std::string first_step_text(const table& t, const series& s, const options& opt);

// The whole series file; `source` names the CSV file in a comment line.
void write_xk(std::ostream& out, const series& s, const options& opt, const std::string& source);

// ------------------------------------------------------------ calendar

// the one calendar of the three commands, days since 1970-01-01
using common::civil_from_days;
using common::days_from_civil;
using common::floor_div;

} // namespace xk
