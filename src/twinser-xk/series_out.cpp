// Series out: the dated rows placed on the lines of whole months at one time
// step, and the XK series file written from them.
//
// A line of the series file is one step; line 0 starts at hour 0 of day 1 of
// the first month. A row belongs to the line of the step it closes (--stamp
// end, the default), or opens (--stamp begin); a date alone is its own day.
#include "xk.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

namespace xk {

using common::MISSING;
namespace layout = common::series_layout;

// ------------------------------------------------------------ dates in words

static std::string stamp_text(long long hour, bool date_only) {
  int y, m, d;
  civil_from_days(floor_div(hour, 24), y, m, d);
  char text[40];
  if (date_only)
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
  else
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02lld:00", y, m, d, hour - floor_div(hour, 24) * 24);
  return text;
}

// A row's place in the input: "line 12" of a CSV file, "time 12" of a NetCDF
// variable (its 12th value on the time axis).
static std::string line_word(const char* word, long long line) { return word + (" " + std::to_string(line)); }

// "1 hour", "6 hours".
static std::string hours_text(long long n) { return std::to_string(n) + (n == 1 ? " hour" : " hours"); }

// ------------------------------------------------------------ time step

// Stamps must increase: an earlier or repeated one names both lines.
static void check_order(const std::vector<row>& rows, const char* word) {
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const row &a = rows[i - 1], &b = rows[i];
    if (b.date_only != a.date_only)
      throw input_error(b.line, b.date_only ? "a date without a time among date-times"
                                            : "a date-time among dates without a time");
    if (b.hour < a.hour)
      throw input_error(b.line, stamp_text(b.hour, b.date_only) + " comes before " + stamp_text(a.hour, a.date_only) +
                                    " on " + line_word(word, a.line) + "; the dates must increase");
    if (b.hour == a.hour)
      throw input_error(b.line, stamp_text(b.hour, b.date_only) + " stands twice (also on " + line_word(word, a.line) + ")");
  }
}

// The step is the commonest difference between neighbouring stamps (the
// smaller on a tie), so that gaps do not mislead it; a lone date is a day.
static int find_step(const std::vector<row>& rows, const char* word) {
  if (rows.size() == 1) {
    if (rows[0].date_only) return 24;
    throw input_error(rows[0].line, "one date-time alone does not show the time step; a daily value "
                                    "may be given as a date alone");
  }
  std::map<long long, long long> seen;
  for (std::size_t i = 1; i < rows.size(); ++i) ++seen[rows[i].hour - rows[i - 1].hour];
  long long step = 0, most = 0;
  for (const auto& [diff, count] : seen)
    if (count > most) {
      step = diff;
      most = count;
    }
  if (step > 24 || 24 % step != 0) {
    std::size_t i = 1;
    while (rows[i].hour - rows[i - 1].hour != step) ++i;
    throw input_error(rows[i].line, "the dates are " + hours_text(step) + " apart (from " +
                                        line_word(word, rows[i - 1].line) +
                                        "); a series file holds steps of 1, 2, 3, 4, 6, 8, 12 or 24 hours");
  }
  return static_cast<int>(step);
}

// Every difference is a whole number of steps; a larger one is a gap. Four
// equal gaps in a row are no longer gaps but a coarser step: five or more
// rows at a regular longer spacing mean the step has changed.
static void check_steps(const std::vector<row>& rows, int step, const char* word) {
  constexpr int regular = 4;
  int run = 0;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    long long diff = rows[i].hour - rows[i - 1].hour;
    if (diff % step != 0)
      throw input_error(rows[i].line, stamp_text(rows[i].hour, rows[i].date_only) + " is " + hours_text(diff) +
                                          " after " + line_word(word, rows[i - 1].line) +
                                          ", but the series steps by " + hours_text(step) +
                                          ": the time step changes");
    run = diff > step && i > 1 && diff == rows[i - 1].hour - rows[i - 2].hour ? run + 1 : (diff > step ? 1 : 0);
    if (run == regular)
      throw input_error(rows[i].line, "the stamps are " + hours_text(diff) + " apart from " +
                                          line_word(word, rows[i - regular].line) +
                                          " to here, but the series steps by " + hours_text(step) +
                                          ": the time step changes");
  }
}

// ------------------------------------------------------------ series

series make_series(const table& t, const options& opt) {
  const std::vector<row>& rows = t.rows;
  if (rows.empty()) throw input_error(0, "holds no data rows");
  check_order(rows, t.row_word);
  series s;
  s.step = find_step(rows, t.row_word);
  check_steps(rows, s.step, t.row_word);

  // Hour at which each row's step begins.
  const long long shift = rows[0].date_only || opt.stamp_begin ? 0 : s.step;
  const long long first_begin = rows.front().hour - shift, last_begin = rows.back().hour - shift;
  long long into_day = first_begin - floor_div(first_begin, 24) * 24;
  if (into_day % s.step != 0)
    throw input_error(rows[0].line, "the " + std::to_string(s.step) + "-hour step stamped " +
                                        stamp_text(rows[0].hour, false) + " would begin at " +
                                        std::to_string(into_day) + ":00, not a whole number of steps after "
                                        "midnight" + (opt.stamp_begin ? "" : " (a date-time marks the end of its step)"));

  int d;
  civil_from_days(floor_div(first_begin, 24), s.first_year, s.first_month, d);
  civil_from_days(floor_div(last_begin, 24), s.last_year, s.last_month, d);
  s.first_hour = days_from_civil(s.first_year, s.first_month, 1) * 24;
  int after_m = s.last_month % 12 + 1, after_y = s.last_year + (s.last_month == 12 ? 1 : 0);
  long long end_hour = days_from_civil(after_y, after_m, 1) * 24;
  s.lines = (end_hour - s.first_hour) / s.step;
  if (end_hour - s.first_hour > MAX_SERIES_HOURS)
    throw input_error(0, "the series would span " + std::to_string(end_hour - s.first_hour) +
                             " hours of whole months, " + std::to_string(s.first_month) + "/" +
                             std::to_string(s.first_year) + " to " + std::to_string(s.last_month) + "/" +
                             std::to_string(s.last_year) + "; twinser reads at most " +
                             std::to_string(MAX_SERIES_HOURS) + " hours: convert a shorter period");

  s.at.reserve(rows.size());
  s.value.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const row& r = rows[i];
    s.at.push_back((r.hour - shift - s.first_hour) / s.step);
    if (i > 0) s.missing.gap += s.at[i] - s.at[i - 1] - 1;
    double v = MISSING;
    switch (r.kind) {
    case cell::value:
      v = convert_value(r.value, opt, s.step);
      if (!std::isfinite(v) || v == MISSING)
        throw input_error(r.line, "the value " + value_text(r.value) + " becomes " + value_text(v) +
                                      " once converted to " + opt.unit +
                                      (std::isfinite(v) ? ", the missing value" : ", which no series file holds") +
                                      "; check --scale, --from-unit and --mm-to-cms");
      ++s.values;
      break;
    case cell::marker: ++s.missing.marker; break;
    case cell::not_a_number: ++s.missing.not_a_number; break;
    case cell::empty: ++s.missing.empty; break;
    case cell::non_numeric: ++s.missing.non_numeric; break;
    case cell::below: ++s.missing.below; break;
    case cell::flagged: ++s.missing.flagged; break;
    case cell::fill: ++s.missing.fill; break;
    }
    s.value.push_back(v);
  }
  s.missing.padding = s.at.front() + (s.lines - 1 - s.at.back());
  return s;
}

// Which step the first row went to. A date alone is its day; a date-time
// closes (or opens) a step, named by its day for daily steps and by its hours
// otherwise: the convention of every run stands on its summary line.
std::string first_step_text(const table& t, const series& s, const options& opt) {
  const row& r = t.rows.front();
  std::string text = "first value stamped " + stamp_text(r.hour, r.date_only);
  if (r.date_only) return text + " is that day's step";
  long long begin = s.first_hour + s.at.front() * s.step;
  text += opt.stamp_begin ? " is the step beginning then: " : " is the step ending then: ";
  if (s.step == 24) return text + stamp_text(begin, true);
  long long into = begin - floor_div(begin, 24) * 24;
  char hours[32];
  std::snprintf(hours, sizeof hours, " to %02lld:00", into + s.step);
  return text + stamp_text(begin, false) + hours;
}

// ------------------------------------------------------------ writing

// Every value keeps every digit: the shortest text that reads back as the
// same double, so the series file holds exactly what the CSV held, or what
// the conversion gave.
std::string value_text(double v) {
  if (v == MISSING) return "-999";
  char text[64];
  auto done = std::to_chars(text, text + sizeof text, v);
  return std::string(text, done.ptr);
}

static std::string clean(std::string_view s, std::size_t width) {
  std::string text;
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) text += c;
  return text.substr(0, width);
}

static const char* kind_word(const std::string& unit) {
  if (unit == "CMS") return "FLOW";
  if (unit == "MM") return "DEPTH";
  return "TEMPERATURE";
}

// The layout the series reader expects (common/series_layout.h): the 21
// columns before each value hold the station and the date and hour of the end
// of the line's step (hour 24 is the end of a day), as in the control file's
// event records.
void write_xk(std::ostream& out, const series& s, const options& opt, const std::string& source) {
  std::string slash = source.substr(source.find_last_of('/') == std::string::npos ? 0 : source.find_last_of('/') + 1);
  out << clean("$ written by twinser-xk from " + slash, 79) << "\n";
  if (opt.has_area) {
    char note[80];
    std::snprintf(note, sizeof note, "$ flow in m3/s from a depth in mm per step, basin area %.10g km2",
                  opt.area_km2);
    out << note << "\n";
  }
  out << "$ each line: station, date and hour of the END of its step, value\n";
  char text[128];
  // station code (5) and a blank, the kind of series up to the unit's column
  std::snprintf(text, sizeof text, "%-5.5s %-*s%-*.*s %*d\n", opt.station.c_str(),
                static_cast<int>(layout::UNIT_COLUMN - 6), kind_word(opt.unit),
                static_cast<int>(layout::UNIT_WIDTH), static_cast<int>(layout::UNIT_WIDTH), opt.unit.c_str(),
                static_cast<int>(layout::STEP_WIDTH), s.step);
  out << text;
  out << s.first_month << " " << s.first_year << " " << s.last_month << " " << s.last_year << " 1 FREE\n";

  const std::string missing = value_text(MISSING);
  std::size_t next = 0;
  long long day = floor_div(s.first_hour, 24);
  int y, m, d, hour = 0;
  civil_from_days(day, y, m, d);
  for (long long line = 0; line < s.lines; ++line) {
    hour += s.step; // end of the step, 1..24
    std::string value = missing;
    if (next < s.at.size() && s.at[next] == line) value = value_text(s.value[next++]);
    // 19 columns of station, date and hour, blanks to the value's column
    std::snprintf(text, sizeof text, "%-5.5s %4d %2d %2d %2d%*s%10s\n", opt.station.c_str(), y, m, d, hour,
                  static_cast<int>(layout::VALUE_COLUMN - 19), "", value.c_str());
    out << text;
    if (hour == 24) {
      hour = 0;
      civil_from_days(++day, y, m, d);
    }
  }
}

} // namespace xk
