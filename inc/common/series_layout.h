// The series-file layout, as the reader in twinser and the writer in
// twinser-xk both know it:
//   "$" comment lines (a "$" in column 1 or 2), anywhere before the header;
//   the first header line: station in columns 1-24, unit (CMS, MM, DEGC,
//     DEGF) in columns 25-28, step in hours in columns 30-31;
//   a free-format second header line: first month, first year, last month,
//     last year, values per line, format;
//   then one value per data line after 21 columns the reader skips (the
//     writer puts the station and the date and hour of the end of the step
//     there), MISSING where there is none.
#pragma once

#include <cstddef>

namespace common {

constexpr double MISSING = -999.0; // the missing-value marker of the series

namespace series_layout {
constexpr char COMMENT = '$';               // in column 1 or 2: a comment line
constexpr std::size_t STATION_COLUMN = 0;   // first header line: station from column 1
constexpr std::size_t STATION_WIDTH = 24;   //   through column 24
constexpr std::size_t UNIT_COLUMN = 24;     // unit from column 25
constexpr std::size_t UNIT_WIDTH = 4;       //   through column 28
constexpr std::size_t STEP_COLUMN = 29;     // step in hours from column 30
constexpr std::size_t STEP_WIDTH = 2;       //   through column 31
constexpr std::size_t HEADER_WIDTH = STEP_COLUMN + STEP_WIDTH; // the first header line reaches this far
constexpr std::size_t VALUE_COLUMN = 21;    // a data line's value starts after this many columns
constexpr int FIRST_YEAR = 1;               // the years a period may name: four digits at most,
constexpr int LAST_YEAR = 9999;             //   so that every count of hours fits an int
constexpr std::size_t MAX_HEADER_LINE = 65536; // bytes a comment or header line may hold, line end excluded
static_assert(STATION_COLUMN + STATION_WIDTH == UNIT_COLUMN && UNIT_COLUMN + UNIT_WIDTH + 1 == STEP_COLUMN,
              "station, unit, one blank, step");
} // namespace series_layout

} // namespace common
