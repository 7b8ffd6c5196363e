// CSV in: the bytes of a CSV file become dated rows with their values.
//
// libcsv splits the fields (quotes, CRLF, other delimiters); this file finds
// the delimiter, the header row and the two columns, reads each date or
// date-time and each value, and says what a cell that gives no number is.
#include "xk.h"

#include <csv.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
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

// A cell in the shape of a date: four digits and a hyphen. The first row is a
// header when its date cell does not start so.
static bool looks_like_date(std::string_view s) {
  int v;
  s = trim(s);
  return digits_at(s, 0, 4, v) && s.size() > 4 && s[4] == '-';
}

static std::string quoted(std::string_view s) {
  std::string text = "\"";
  for (char c : s.substr(0, 40)) text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
  return text + (s.size() > 40 ? "...\"" : "\"");
}

// A date "YYYY-MM-DD" or a date-time "YYYY-MM-DDTHH:MM[:SS[.fff]]" (or a
// blank instead of the T), with a Z after it allowed. Times are whole hours; 24:00
// is the end of the day. The stamp is returned in hours since 1970.
static void parse_stamp(std::string_view cell, long long line, long long& hour, bool& date_only) {
  std::string_view s = trim(cell);
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  const std::string bad = quoted(s) + " is not a date (YYYY-MM-DD) or date-time (YYYY-MM-DD HH:MM)";
  if (!digits_at(s, 0, 4, y) || s.size() < 10 || s[4] != '-' || !digits_at(s, 5, 2, m) || s[7] != '-' ||
      !digits_at(s, 8, 2, d))
    throw input_error(line, bad);
  std::size_t at = 10;
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

// A column given by name: the header cell that equals it, else the one that
// equals it in any case.
static std::size_t named_column(const std::vector<std::string>& header, const std::string& name,
                                long long line) {
  for (std::size_t i = 0; i < header.size(); ++i)
    if (trim(header[i]) == name) return i;
  for (std::size_t i = 0; i < header.size(); ++i)
    if (same_letters(trim(header[i]), name)) return i;
  std::string names;
  for (const auto& h : header) names += (names.empty() ? "" : ", ") + quoted(trim(h));
  throw input_error(line, "no column named " + quoted(name) + " in the header row (" + names + ")");
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
  std::size_t date_at = 0, value_at = 1; // 0-based columns
  bool failed = false;
  input_error error{0, ""};
  reader(const options& o, table& t) : opt(o), out(t) {}

  void row_end();
  void resolve_columns();
};

} // namespace

// The first row that is not blank or a comment: a header when its date cell
// is not a date (and always when a column is named).
void reader::resolve_columns() {
  bool date_named = !is_column_number(opt.date_col), value_named = !is_column_number(opt.value_col);
  std::size_t date_no = date_named ? 0 : std::strtoul(opt.date_col.c_str(), nullptr, 10);
  std::size_t value_no = value_named ? 0 : std::strtoul(opt.value_col.c_str(), nullptr, 10);
  if ((!date_named && date_no == 0) || (!value_named && value_no == 0))
    throw input_error(0, "columns are counted from 1");
  if (date_no > fields.size() + 1000000 || value_no > fields.size() + 1000000)
    throw input_error(row_line, "no row has that many columns");
  bool header;
  if (date_named)
    header = true;
  else
    header = date_no > fields.size() || !looks_like_date(fields[date_no - 1]);
  if (!header && value_named)
    throw input_error(row_line, "a column is chosen by name, but the first row holds data, not a header");
  date_at = date_named ? named_column(fields, opt.date_col, row_line) : date_no - 1;
  value_at = value_named ? named_column(fields, opt.value_col, row_line) : value_no - 1;
  columns_known = true;
  if (header) out.header_line = row_line;
}

void reader::row_end() {
  bool blank = true;
  for (const auto& f : fields) blank = blank && trim(f).empty();
  if (blank || (!fields.empty() && !fields[0].empty() && fields[0][0] == '#')) return;
  if (!columns_known) {
    resolve_columns();
    if (out.header_line != 0) return;
  }
  std::size_t need = std::max(date_at, value_at) + 1;
  if (fields.size() < need)
    throw input_error(row_line, "the row has " + std::to_string(fields.size()) + " column" +
                                    (fields.size() == 1 ? "" : "s") + ", the " +
                                    (date_at >= fields.size() ? "date" : "value") + " is read from column " +
                                    std::to_string((date_at >= fields.size() ? date_at : value_at) + 1));
  row r{row_line, 0, false, cell::value, 0};
  parse_stamp(fields[date_at], row_line, r.hour, r.date_only);
  r.kind = classify(fields[value_at], opt, out.delimiter, r.value);
  out.rows.push_back(r);
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

// Tab when the first line that is not a comment holds one, else a semicolon
// when it holds one, else a comma.
static char find_delimiter(std::string_view bytes) {
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", from);
    std::string_view l = bytes.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    if (!trim(l).empty() && l[0] != '#') {
      if (l.find('\t') != std::string_view::npos) return '\t';
      if (l.find(';') != std::string_view::npos) return ';';
      return ',';
    }
    if (end == std::string_view::npos) break;
    from = end + 1;
  }
  return ',';
}

table read_csv(std::string_view bytes, const options& opt) {
  table t;
  // the byte order mark that spreadsheets put before UTF-8 text is not part of the first cell
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  t.delimiter = find_delimiter(bytes);
  reader r(opt, t);
  csv_parser p;
  if (csv_init(&p, CSV_STRICT | CSV_STRICT_FINI) != 0) throw input_error(0, "out of memory");
  csv_set_delim(&p, static_cast<unsigned char>(t.delimiter));
  csv_set_space_func(&p, t.delimiter == '\t' ? blank_only : blank_or_tab);
  // Byte by byte, so that every row knows the line it begins on.
  char prev = 0;
  for (std::size_t i = 0; i < bytes.size() && !r.failed; ++i) {
    char c = bytes[i];
    if (r.at_row_start && c != '\r' && c != '\n') {
      r.at_row_start = false;
      r.row_line = r.line;
    }
    if (csv_parse(&p, &c, 1, on_field, on_row, &r) != 1) {
      bool memory = csv_error(&p) == CSV_ENOMEM;
      csv_free(&p);
      throw input_error(r.line, memory ? std::string("out of memory")
                                       : "a quote inside a field that does not begin with one, or text after a "
                                         "closing quote");
    }
    if (c == '\r' || (c == '\n' && prev != '\r')) ++r.line;
    prev = c;
  }
  if (!r.failed && csv_fini(&p, on_field, on_row, &r) != 0) {
    csv_free(&p);
    throw input_error(r.row_line, "a quoted field is not closed");
  }
  csv_free(&p);
  if (r.failed) throw r.error;
  t.lines = r.line - (prev == '\n' || prev == '\r' ? 1 : 0);
  if (!r.columns_known) throw input_error(0, "holds no data rows");
  return t;
}

} // namespace xk
