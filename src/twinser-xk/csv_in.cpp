// CSV in: the bytes of a CSV file become dated rows with their values.
//
// libcsv splits the fields (quotes, CRLF, other delimiters); this file skips
// what stands above the data (lines given to --skip, # comments, a title line,
// the column-format row of the tab-separated gauge layout), finds the
// delimiter, the header row and the columns, reads each date (joined to its
// time of day when asked), each value and its quality flag, and says what a
// cell that gives no number is.
#include "xk.h"

#include <csv.h>
#include <date/date.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

namespace xk {

// ------------------------------------------------------------ cells

static std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

static bool digits_at(std::string_view s, std::size_t at, std::size_t n, int& v) {
  if (at + n > s.size()) return false;
  v = 0;
  for (std::size_t i = at; i < at + n; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    v = v * 10 + (s[i] - '0');
  }
  return true;
}

static std::size_t digit_run(std::string_view s, std::size_t at) {
  std::size_t n = 0;
  while (at + n < s.size() && std::isdigit(static_cast<unsigned char>(s[at + n]))) ++n;
  return n;
}

// A date whose year comes last (01/02/2000, 1.2.2000, 01-02-00): day-first
// and month-first cannot be told apart, and are never guessed. The separator
// is returned for the message.
static bool year_last(std::string_view s, char& sep) {
  std::size_t a = digit_run(s, 0);
  if (a < 1 || a > 2 || a >= s.size() || (s[a] != '/' && s[a] != '.' && s[a] != '-')) return false;
  sep = s[a];
  std::size_t b = digit_run(s, a + 1);
  if (b < 1 || b > 2 || a + 1 + b >= s.size() || s[a + 1 + b] != sep) return false;
  std::size_t c = digit_run(s, a + 2 + b);
  return c == 2 || c == 4;
}

static std::string quoted(std::string_view s) {
  std::string text = "\"";
  for (char c : s.substr(0, 40)) text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  return text + (s.size() > 40 ? "...\"" : "\"");
}

// A stamp read with the user's --date-format (strftime letters, read by the
// date library): seconds since 1970 of its local time as written.
static bool parse_formatted(std::string_view s, const std::string& format, long long& seconds) {
  std::istringstream in{std::string(s)};
  in.imbue(std::locale::classic());
  date::local_seconds t;
  in >> date::parse(format, t);
  if (in.fail()) return false;
  if (in.peek() != std::char_traits<char>::eof()) return false; // text after the form
  auto ymd = date::year_month_day(date::floor<date::days>(t));
  if (int(ymd.year()) < 1 || int(ymd.year()) > 9999) return false;
  seconds = t.time_since_epoch().count();
  return true;
}

// A --date-format that gives a time of day.
static bool format_has_time(const std::string& format) {
  for (std::size_t i = 0; i + 1 < format.size(); ++i)
    if (format[i] == '%') {
      char c = format[++i];
      if (c == 'H' || c == 'M' || c == 'S' || c == 'T' || c == 'R' || c == 'I') return true;
    }
  return false;
}

// A cell in the shape of a date: four digits and a hyphen or slash, eight
// digits, a year-last form (refused later with its own message), or what
// --date-format reads. The first row is a header when its date cell is none.
static bool looks_like_date(std::string_view s, const options& opt) {
  int v;
  char sep;
  s = trim(s);
  if (!opt.date_format.empty()) {
    long long seconds;
    return parse_formatted(s, opt.date_format, seconds);
  }
  if (digits_at(s, 0, 4, v) && s.size() > 4 && (s[4] == '-' || s[4] == '/')) return true;
  if (digit_run(s, 0) == 8 && (s.size() == 8 || s[8] == ' ' || s[8] == 'T')) return true;
  return year_last(s, sep);
}

bool parse_time_of_day(std::string_view s, long long& seconds) {
  s = trim(s);
  int hh = 0, mi = 0, ss = 0;
  std::size_t h = digit_run(s, 0);
  if (h < 1 || h > 2 || !digits_at(s, 0, h, hh) || h >= s.size() || s[h] != ':' || !digits_at(s, h + 1, 2, mi))
    return false;
  std::size_t at = h + 3;
  bool fraction = false;
  if (at < s.size() && s[at] == ':') {
    if (!digits_at(s, at + 1, 2, ss)) return false;
    at += 3;
    if (at < s.size() && s[at] == '.') {
      std::size_t from = ++at;
      for (; at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])); ++at) fraction = fraction || s[at] != '0';
      if (at == from) return false;
    }
  }
  if (at != s.size() || mi > 59 || ss > 59 || hh > 24 || (hh == 24 && (mi != 0 || ss != 0 || fraction)))
    return false;
  seconds = hh * 3600LL + mi * 60LL + ss;
  if (fraction) seconds = -1; // not a whole second: never on the hour
  return true;
}

// A date "YYYY-MM-DD", "YYYY/MM/DD" or "YYYYMMDD", or a date-time with
// "THH:MM[:SS[.fff]]" (or a blank instead of the T) after it, a Z allowed at
// the end; or the form --date-format gives. Times are whole hours; 24:00 is
// the end of the day. The stamp is returned in hours since 1970.
static void parse_stamp(std::string_view cell, long long line, const options& opt, long long& hour,
                        bool& date_only) {
  std::string_view s = trim(cell);
  if (!opt.date_format.empty()) {
    long long seconds = 0;
    if (!parse_formatted(s, opt.date_format, seconds))
      throw input_error(line, quoted(s) + " is not a date of the form --date-format \"" + opt.date_format +
                                  "\" gives (years 1 to 9999)");
    if (seconds % 3600 != 0)
      throw input_error(line, quoted(s) + " is not on the hour; a series file holds steps of whole hours");
    hour = (seconds - (seconds % 3600 + 3600) % 3600) / 3600;
    date_only = !format_has_time(opt.date_format);
    return;
  }
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  char sep;
  if (year_last(s, sep)) {
    std::string a = std::string("%d") + sep + "%m" + sep + "%Y", b = std::string("%m") + sep + "%d" + sep + "%Y";
    throw input_error(line, quoted(s) + " may be day-first or month-first, which is never guessed: give "
                                        "--date-format \"" + a + "\" or --date-format \"" + b + "\"" +
                                        (s.size() > 10 ? " with the time letters (%H:%M)" : ""));
  }
  const std::string bad = quoted(s) + " is not a date (YYYY-MM-DD, YYYY/MM/DD or YYYYMMDD) or date-time "
                                      "(YYYY-MM-DD HH:MM); give its form with --date-format, for example "
                                      "--date-format \"%d.%m.%Y %H:%M\"";
  std::size_t at;
  if (digit_run(s, 0) == 8) {
    digits_at(s, 0, 4, y);
    digits_at(s, 4, 2, m);
    digits_at(s, 6, 2, d);
    at = 8;
  } else {
    if (!digits_at(s, 0, 4, y) || s.size() < 10 || (s[4] != '-' && s[4] != '/') || !digits_at(s, 5, 2, m) ||
        s[7] != s[4] || !digits_at(s, 8, 2, d))
      throw input_error(line, bad);
    at = 10;
  }
  date_only = at == s.size();
  if (!date_only) {
    if ((s[at] != 'T' && s[at] != ' ') || !digits_at(s, at + 1, 2, hh) || at + 3 >= s.size() ||
        s[at + 3] != ':' || !digits_at(s, at + 4, 2, mi))
      throw input_error(line, bad);
    at += 6;
    if (at < s.size() && s[at] == ':') {
      if (!digits_at(s, at + 1, 2, ss)) throw input_error(line, bad);
      at += 3;
      if (at < s.size() && s[at] == '.') { // fractions of a second, as in 00:00:00.000Z
        std::size_t from = ++at;
        for (; at < s.size() && std::isdigit(static_cast<unsigned char>(s[at])); ++at)
          if (s[at] != '0') ss = 1; // not on the hour
        if (at == from) throw input_error(line, bad);
      }
    }
    if (at < s.size() && s[at] == 'Z') ++at;
    if (at != s.size())
      throw input_error(line, bad + (s[at] == '+' || s[at] == '-' ? "; give times without a UTC offset" : ""));
  }
  if (y < 1 || m < 1 || m > 12 || d < 1 || d > common::days_in_month(m, y))
    throw input_error(line, quoted(s) + " is not a day of the calendar");
  if (hh > 24 || mi > 59 || ss > 59 || (hh == 24 && (mi != 0 || ss != 0)))
    throw input_error(line, quoted(s) + " is not a time of day");
  if (mi != 0 || ss != 0)
    throw input_error(line, quoted(s) + " is not on the hour; a series file holds steps of whole hours");
  hour = days_from_civil(y, m, d) * 24 + hh;
}

static bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// A decimal number: sign, digits with one decimal point (a comma where the
// delimiter is not one), exponent. Hexadecimal, infinities and the like are
// not numbers here.
static bool parse_number(std::string_view s, char delimiter, double& v) {
  std::string text;
  std::size_t i = 0;
  auto digits = [&] {
    std::size_t n = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i, ++n) text += s[i];
    return n;
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
  std::size_t whole = digits(), part = 0;
  if (i < s.size() && (s[i] == '.' || (s[i] == ',' && delimiter != ','))) {
    text += '.';
    ++i;
    part = digits();
  }
  if (whole + part == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    text += s[i++];
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
    if (digits() == 0) return false;
  }
  if (i != s.size()) return false;
  v = std::strtod(text.c_str(), nullptr); // correctly rounded; underflow gives 0
  return std::isfinite(v);
}

static cell classify(std::string_view cell_text, const options& opt, char delimiter, double& v) {
  std::string_view s = trim(cell_text);
  v = 0;
  if (s.empty()) return cell::empty;
  if (same_letters(s, "NaN") || same_letters(s, "NA") || same_letters(s, "N/A") || same_letters(s, "-NaN"))
    return cell::not_a_number;
  if (!parse_number(s, delimiter, v)) return cell::non_numeric;
  if (v == -999) return cell::marker;
  if (opt.has_missing_below && v < opt.missing_below) return cell::below;
  return cell::value;
}

// ------------------------------------------------------------ columns

static bool is_column_number(const std::string& col) {
  if (col.empty()) return false;
  for (char c : col)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

// A column given by name: the header cell that equals it without the blanks
// around either, else the one that equals it in any case.
static std::size_t named_column(const std::vector<std::string>& header, const std::string& name,
                                const char* option, long long line) {
  std::string_view want = trim(name);
  for (std::size_t i = 0; i < header.size(); ++i)
    if (trim(header[i]) == want) return i;
  for (std::size_t i = 0; i < header.size(); ++i)
    if (same_letters(trim(header[i]), want)) return i;
  std::string names;
  for (const auto& h : header) names += (names.empty() ? "" : ", ") + quoted(trim(h));
  throw input_error(line, "no column named " + quoted(name) + " in the header row (" + names + "); give " +
                              option + " one of these names or a column number");
}

// A header that names a time of day: "time", "hour", "hh:mm", "Time (UTC)".
static bool names_a_time(std::string_view h) {
  std::string s;
  for (char c : trim(h)) s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* w : {"hh:mm", "hh:mm:ss", "hh", "hhmm", "time of day", "clock"})
    if (s == w) return true;
  for (const char* w : {"time", "hour", "hours"})
    if (s.rfind(w, 0) == 0 && (s.size() == std::strlen(w) || !std::isalpha(static_cast<unsigned char>(s[std::strlen(w)]))))
      return true;
  return false;
}

// The row below the header of the tab-separated gauge layout that gives each
// column's width and kind: 5s 15s 20d 14n 10s.
static bool is_format_row(const std::vector<std::string>& f) {
  for (const auto& cell_text : f) {
    std::string_view c = trim(cell_text);
    std::size_t n = digit_run(c, 0);
    if (n == 0 || c.size() != n + 1 || !std::isalpha(static_cast<unsigned char>(c[n]))) return false;
  }
  return !f.empty();
}

// ------------------------------------------------------------ reading

namespace {

struct reader {
  const options& opt;
  table& out;
  std::vector<std::string> fields;
  long long line = 1;       // line of the byte being fed
  long long row_line = 1;   // line where the current row began
  bool at_row_start = true; // no byte of the current row seen yet
  bool columns_known = false;
  bool format_checked = false;   // the row after the header was looked at
  std::vector<std::string> first; // the first row, held until the second shows whether it is a title
  long long first_line = 0;
  bool holding = false;
  std::size_t date_at = 0, value_at = 1, time_at = 0, flag_at = 0; // 0-based columns
  bool has_time = false, has_flag = false;
  std::vector<std::string> header;     // the header row's cells (empty without one)
  std::vector<char> all_times;         // per column: every data cell so far is a time of day
  bool failed = false;
  input_error error{0, ""};
  reader(const options& o, table& t) : opt(o), out(t) {}

  void row_end();
  void take(const std::vector<std::string>& f, long long at);
  void resolve_columns(const std::vector<std::string>& f, long long at);
  std::size_t column(const std::string& col, const char* option, const std::vector<std::string>& f, bool header_row,
                     long long at) const;
  std::string column_name(std::size_t j) const;
  void data_row(const std::vector<std::string>& f, long long at);
  void finish();
};

} // namespace

std::size_t reader::column(const std::string& col, const char* option, const std::vector<std::string>& f,
                           bool header_row, long long at) const {
  if (is_column_number(col)) {
    std::size_t no = col.size() > 9 ? 1000000000 : std::strtoul(col.c_str(), nullptr, 10);
    if (no == 0) throw input_error(0, std::string(option) + ": columns are counted from 1");
    return no - 1;
  }
  if (!header_row) throw input_error(at, std::string("a column is chosen by name (") + option + " " + col +
                                             "), but the first row holds data, not a header; give its number");
  return named_column(f, col, option, at);
}

std::string reader::column_name(std::size_t j) const {
  std::string text = "column " + std::to_string(j + 1);
  if (j < header.size() && !trim(header[j]).empty()) text += " (" + quoted(trim(header[j])) + ")";
  return text;
}

// The first row that is not blank, a comment or a title: a header when its
// date cell is not a date (and always when a column is named).
void reader::resolve_columns(const std::vector<std::string>& f, long long at) {
  bool date_named = !is_column_number(opt.date_col);
  bool header_row = true;
  if (!date_named) {
    std::size_t no = column(opt.date_col, "--date-col", f, false, at);
    header_row = no >= f.size() || !looks_like_date(f[no], opt);
  }
  date_at = column(opt.date_col, "--date-col", f, header_row, at);
  value_at = column(opt.value_col, "--value-col", f, header_row, at);
  if ((has_time = !opt.time_col.empty())) time_at = column(opt.time_col, "--time-col", f, header_row, at);
  if ((has_flag = !opt.flag_col.empty())) flag_at = column(opt.flag_col, "--flag-col", f, header_row, at);
  if (header_row) header = f;
  std::size_t width = std::max(f.size(), std::max({date_at, value_at, time_at, flag_at}) + 1);
  if (width > f.size() + 1000000) throw input_error(at, "no row has that many columns");
  auto same = [&](std::size_t a, const char* what_a, std::size_t b, const char* what_b) {
    if (a == b)
      throw input_error(at, std::string("the ") + what_a + " column is the " + what_b + " column, " +
                                column_name(a) + ": give the " + what_a + " column with --" + what_a + "-col");
  };
  same(value_at, "value", date_at, "date");
  if (has_time) {
    same(value_at, "value", time_at, "time");
    same(time_at, "time", date_at, "date");
  }
  if (has_flag) same(flag_at, "flag", value_at, "value");
  all_times.assign(f.size(), 1);
  columns_known = true;
  if (header_row) out.header_line = at;
}

void reader::data_row(const std::vector<std::string>& f, long long at) {
  std::size_t need = std::max({date_at, value_at, has_time ? time_at : 0}) + 1;
  if (f.size() < need) {
    std::size_t short_at = date_at >= f.size() ? date_at : value_at >= f.size() ? value_at : time_at;
    const char* what = short_at == date_at ? "date" : short_at == value_at ? "value" : "time";
    std::string delim = out.delimiter == '\t' ? "tab" : std::string("\"") + out.delimiter + "\"";
    throw input_error(at, "the row has " + std::to_string(f.size()) + " column" + (f.size() == 1 ? "" : "s") +
                              " (split at each " + delim + "), the " + what + " is read from column " +
                              std::to_string(short_at + 1) +
                              (out.rows.empty() ? "; if the lines up to here are not the header and data, "
                                                  "--skip N skips the N lines above the header"
                                                : ""));
  }
  row r{at, 0, false, cell::value, 0};
  try {
    parse_stamp(f[date_at], at, opt, r.hour, r.date_only);
  } catch (input_error& e) {
    // the first row after a header that is no date may be a second header line
    if (out.rows.empty() && out.header_line != 0 && std::string(e.what()).find("is not a date") != std::string::npos)
      throw input_error(e.line, std::string(e.what()) + "; if line " + std::to_string(at) +
                                    " is not data, --skip N skips the N lines above the header");
    throw;
  }
  if (has_time) {
    long long seconds;
    if (!r.date_only)
      throw input_error(at, quoted(trim(f[date_at])) + " already holds a time; leave out --time-col");
    if (!parse_time_of_day(f[time_at], seconds))
      throw input_error(at, quoted(trim(f[time_at])) + " in " + column_name(time_at) +
                                " is not a time of day (HH:MM, HH:MM:SS, HH:MM:SS.fff or 24:00)");
    if (seconds < 0 || seconds % 3600 != 0)
      throw input_error(at, quoted(trim(f[time_at])) + " is not on the hour; a series file holds steps of "
                                                      "whole hours");
    r.hour += seconds / 3600;
    r.date_only = false;
  }
  r.kind = classify(f[value_at], opt, out.delimiter, r.value);
  if (has_flag) {
    std::string_view flag = flag_at < f.size() ? trim(f[flag_at]) : std::string_view();
    for (const auto& m : opt.missing_flags)
      if (flag == trim(m)) r.kind = cell::flagged;
  }
  if (r.date_only && !has_time)
    for (std::size_t j = 0; j < all_times.size(); ++j) {
      long long seconds;
      if (all_times[j] && (j >= f.size() || !parse_time_of_day(f[j], seconds))) all_times[j] = 0;
    }
  out.rows.push_back(r);
}

// A row that is not blank or a comment.
void reader::take(const std::vector<std::string>& f, long long at) {
  if (!columns_known) {
    resolve_columns(f, at);
    if (out.header_line != 0) return;
  } else if (!format_checked && out.header_line != 0 && out.rows.empty()) {
    format_checked = true;
    if (is_format_row(f)) {
      out.format_line = at;
      return;
    }
  }
  data_row(f, at);
}

void reader::row_end() {
  bool blank = true;
  for (const auto& f : fields) blank = blank && trim(f).empty();
  if (blank || (!fields.empty() && !fields[0].empty() && fields[0][0] == '#')) return;
  if (!columns_known && !holding) {
    first = fields;
    first_line = row_line;
    holding = true;
    return;
  }
  if (holding) {
    holding = false;
    // a title: fewer fields than the row below it, and no date where the date stands
    bool data = is_column_number(opt.date_col) && !opt.date_col.empty() &&
                std::strtoul(opt.date_col.c_str(), nullptr, 10) >= 1 &&
                std::strtoul(opt.date_col.c_str(), nullptr, 10) <= first.size() &&
                looks_like_date(first[std::strtoul(opt.date_col.c_str(), nullptr, 10) - 1], opt);
    if (first.size() < fields.size() && !data)
      out.title_line = first_line;
    else
      take(first, first_line);
  }
  take(fields, row_line);
}

// After the last row: the row held back when it was the only one, and the
// date column that has a time of day beside it.
void reader::finish() {
  if (holding) {
    holding = false;
    take(first, first_line);
  }
  if (!columns_known || out.rows.empty() || has_time || opt.date_only) return;
  for (const row& r : out.rows)
    if (!r.date_only) return;
  for (std::size_t j = 0; j < all_times.size(); ++j) {
    if (j == date_at || j == value_at || (has_flag && j == flag_at)) continue;
    bool named = j < header.size() && names_a_time(header[j]);
    if (named || all_times[j]) {
      std::string name = j < header.size() && !trim(header[j]).empty() ? std::string(trim(header[j]))
                                                                         : std::to_string(j + 1);
      throw input_error(out.header_line != 0 ? out.header_line : out.rows.front().line,
                        "the dates of " + column_name(date_at) + " have no time of day, but " + column_name(j) +
                            (named ? " names one" : " holds times of day") + ": give --time-col " + name +
                            " to join the two into one stamp, or --date-only to take each date as that "
                            "day's step");
    }
  }
}

extern "C" {
static void on_field(void* text, std::size_t len, void* data) {
  auto* r = static_cast<reader*>(data);
  r->fields.emplace_back(static_cast<const char*>(text), len);
}
static void on_row(int, void* data) {
  auto* r = static_cast<reader*>(data);
  if (!r->failed) {
    try {
      r->row_end();
    } catch (const input_error& e) {
      r->failed = true;
      r->error = e;
    }
  }
  r->fields.clear();
  r->at_row_start = true;
}
// Blanks around unquoted fields are dropped, unless the blank is the delimiter.
static int blank_only(unsigned char c) { return c == ' '; }
static int blank_or_tab(unsigned char c) { return c == ' ' || c == '\t'; }
}

// Tab when the first line that is not a comment and holds a delimiter holds
// a tab, else a semicolon when it holds one, else a comma. A title line
// without any of them does not decide.
static char find_delimiter(std::string_view bytes) {
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", from);
    std::string_view l = bytes.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    if (!trim(l).empty() && l[0] != '#' && l.find_first_of("\t;,") != std::string_view::npos) {
      if (l.find('\t') != std::string_view::npos) return '\t';
      if (l.find(';') != std::string_view::npos) return ';';
      return ',';
    }
    if (end == std::string_view::npos) break;
    from = end + 1;
  }
  return ',';
}

// The bytes after the first n lines (LF, CRLF or CR ends); `skipped` is the
// number of lines there were to skip.
static std::string_view skip_lines(std::string_view bytes, long long n, long long& skipped) {
  skipped = 0;
  std::size_t i = 0;
  while (skipped < n && i < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", i);
    if (end == std::string_view::npos) {
      i = bytes.size();
    } else {
      i = end + 1;
      if (bytes[end] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
    }
    ++skipped;
  }
  return bytes.substr(i);
}

table read_csv(std::string_view bytes, const options& opt) {
  table t;
  // the byte order mark that spreadsheets put before UTF-8 text is not part of the first cell
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  long long skipped = 0;
  bytes = skip_lines(bytes, opt.skip, skipped);
  if (skipped < opt.skip)
    throw input_error(0, "has " + std::to_string(skipped) + " line" + (skipped == 1 ? "" : "s") + ", and --skip " +
                             std::to_string(opt.skip) + " skips them all");
  t.delimiter = find_delimiter(bytes);
  reader r(opt, t);
  r.line = opt.skip + 1;
  csv_parser p;
  if (csv_init(&p, CSV_STRICT | CSV_STRICT_FINI) != 0) throw input_error(0, "out of memory");
  csv_set_delim(&p, static_cast<unsigned char>(t.delimiter));
  csv_set_space_func(&p, t.delimiter == '\t' ? blank_only : blank_or_tab);
  // Byte by byte, so that every row knows the line it begins on.
  char prev = 0;
  for (std::size_t i = 0; i < bytes.size() && !r.failed; ++i) {
    char c = bytes[i];
    if (r.at_row_start && c == '#') {
      // a comment line is not fed to the CSV reader at all: its quotes are free text
      std::size_t end = bytes.find_first_of("\r\n", i);
      if (end == std::string_view::npos) {
        prev = c;
        break;
      }
      i = end;
      c = bytes[i];
    }
    if (r.at_row_start && c != '\r' && c != '\n') {
      r.at_row_start = false;
      r.row_line = r.line;
    }
    if (csv_parse(&p, &c, 1, on_field, on_row, &r) != 1) {
      bool memory = csv_error(&p) == CSV_ENOMEM;
      csv_free(&p);
      throw input_error(r.line, memory ? std::string("out of memory")
                                       : "a quote inside a field that does not begin with one, or text after a "
                                         "closing quote; put the field in quotes and double the quotes in it");
    }
    if (c == '\r' || (c == '\n' && prev != '\r')) ++r.line;
    prev = c;
  }
  if (!r.failed && csv_fini(&p, on_field, on_row, &r) != 0) {
    csv_free(&p);
    throw input_error(r.row_line, "a quoted field is not closed");
  }
  csv_free(&p);
  if (!r.failed) {
    try {
      r.finish();
    } catch (const input_error& e) {
      r.failed = true;
      r.error = e;
    }
  }
  if (r.failed) throw r.error;
  t.lines = r.line - (prev == '\n' || prev == '\r' ? 1 : 0);
  if (!r.columns_known || t.rows.empty()) throw input_error(0, "holds no data rows");
  if (r.has_time) t.time_col_name = r.column_name(r.time_at);
  return t;
}

} // namespace xk
