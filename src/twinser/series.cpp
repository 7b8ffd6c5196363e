// Series input and calendar: calendar and line arithmetic, the XK series
// files, the alignment of both series into the series store, the data summary.
//
// A line is one step of `time_step` hours; line 0 starts at hour 0 of day 1 of
// month_begin/year_begin. Dates become line counts by summing whole months.
#include "twinser.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

namespace twinser {

double* Qobs = nullptr;
double* Qsim = nullptr;
int LINES = 0;
int time_step = -1;
int month_begin = 0;
int year_begin = 0;
int month_end = 0;
int year_end = 0;
int* month = nullptr;
int* year = nullptr;
int itemp = 0;
int sunit_conv = 0;
int ounit_conv = 0;

// ------------------------------------------------------------ calendar
//
// Gregorian rules throughout. Counts are formed in 64 bits so that no period,
// however absurd, overflows on the way; the reader only asks for periods whose
// counts fit an int (it checks the hours of each file first).

int is_leap_year(int yr) {
  return ((yr % 4 == 0 && yr % 100 != 0) || yr % 400 == 0) ? 1 : 0;
}

// Days of month m of year y; a month outside 1..12 is reported and counts 0,
// and the run goes on.
int days_of_month(int m, int y) {
  switch (m) {
  case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
  case 4: case 6: case 9: case 11: return 30;
  case 2: return is_leap_year(y) ? 29 : 28;
  default:
    std::cout << "Month [1-12] and year [yyyy] need to be given correctly\n";
    return 0;
  }
}

static long long floor_div(long long a, long long b) {
  long long q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

// The one day count of the tool: days from a fixed origin to day d of month m
// of year y. Line counts and event instants are both differences of it. Day
// 0 or days past the end of the month simply run on into the neighbouring
// month; the month must be 1..12.
long long day_number(int y, int m, int d) {
  const long long p = static_cast<long long>(y) - 1; // whole years before y
  long long days = 365 * p + floor_div(p, 4) - floor_div(p, 100) + floor_div(p, 400);
  for (int k = 1; k < m; ++k) days += days_of_month(k, y);
  return days + d - 1;
}

// Days of the whole years strictly between y1 and y2 (y1 < y2).
static long long days_between_years(int y1, int y2) {
  return day_number(y2, 1, 1) - day_number(y1 + 1, 1, 1);
}

// Days of months m1..m2 of year y (none when m2 < m1).
static long long days_in_months(int m1, int m2, int y) {
  long long days = 0;
  for (int m = m1; m <= m2; ++m) days += days_of_month(m, y);
  return days;
}

// Lines of `step` hours in the whole months month1/year1 .. month2/year2, both
// included, in 64 bits.
static long long month_lines(int month1, int year1, int month2, int year2, int step) {
  long long n = 24 / step; // lines per day
  if (year1 == year2) return n * days_in_months(month1, month2, year1);
  long long r = n * days_in_months(month1, 12, year1) + n * days_in_months(1, month2, year2);
  if (static_cast<long long>(year2) - year1 > 1) r += n * days_between_years(year1, year2);
  return r;
}

int hour_count(int month1, int year1, int month2, int year2, int step) {
  return static_cast<int>(month_lines(month1, year1, month2, year2, step));
}

// Line difference between two date-times; with day1 = 1 and hour1 = step it
// is the index of the line whose step ends at day2, hour2 (24 = end of day).
int hour_count(int month1, int year1, int month2, int year2, int day1, int hour1, int day2,
               int hour2, int step) {
  long long n = 24 / step;
  long long a = hour1 / step;
  long long b = hour2 / step;
  long long r;
  if (year1 == year2 && month1 == month2) {
    r = (static_cast<long long>(day2) - day1) * n + b - a;
  } else if (year1 == year2) {
    r = (days_of_month(month1, year1) - static_cast<long long>(day1)) * n + a - 1;
    r += day2 * n + b - 1;
    r += n * days_in_months(month1 + 1, month2 - 1, year1);
  } else {
    r = n * days_in_months(month1, 12, year1) - (day1 - 1LL) * n - a + 1;
    r += n * days_in_months(1, month2 - 1, year2);
    r += (day2 - 1LL) * n + b - 1;
    if (static_cast<long long>(year2) - year1 > 1) r += n * days_between_years(year1, year2);
  }
  return static_cast<int>(r);
}

// Date and hour (0..23) of the start of a line's step. Walking line by line,
// the hour grows by time_step and a new day begins at hour 0 once it would pass
// 23, so every day holds the same number of lines (23 / time_step + 1, also
// for steps that do not divide a day); the date is then the first day of the
// period plus whole days, counted a month at a time. Reports ask for dates
// of many lines, so this must not cost a walk over the store each time.
void line_to_date(int line, int& iy, int& im, int& id, int& ih) {
  iy = year_begin;
  im = month_begin;
  id = 1;
  ih = 0;
  if (line <= 0) return;
  const int per_day = 23 / time_step + 1;
  int days = line / per_day;
  ih = (line % per_day) * time_step;
  for (int dom = days_of_month(im, iy); days >= dom; dom = days_of_month(im, iy)) {
    days -= dom;
    if (++im > 12) {
      ++iy;
      im = 1;
    }
  }
  id = 1 + days;
}

// Labels every line with the month and year of the end of its step; an end
// at midnight is hour 24 of the day that ends, so a daily line keeps its day.
void month_year() {
  month = new (std::nothrow) int[static_cast<std::size_t>(LINES)];
  if (month == nullptr) stop("Memory allocation error for month\n");
  year = new (std::nothrow) int[static_cast<std::size_t>(LINES)];
  if (year == nullptr) stop("Memory allocation error for year\n");
  int iy = year_begin, im = month_begin, id = 1, ih = 0;
  for (int i = 0; i < LINES; ++i) {
    ih += time_step;
    if (ih > 24) {
      ++id;
      ih = time_step;
    }
    if (id > days_of_month(im, iy)) {
      ++im;
      id = 1;
    }
    if (im > 12) {
      ++iy;
      im = 1;
    }
    month[i] = im;
    year[i] = iy;
  }
}

// ------------------------------------------------------ series files
//
// An XK file: "$" comment lines (a "$" in column 1 or 2), a first header line
// with the unit in columns 25-28 and the step in hours in columns 30-31, a
// free-format second header line (first month, first year, last month, last
// year, values per line, format), then one value per data line after 21
// skipped columns. Each file is read once, character by character from its
// buffer; only header lines are ever held whole.

namespace {

constexpr int EOF_CHAR = std::char_traits<char>::eof();

// One series file while it is read.
struct series_file {
  const char* role;      // "observed" or "simulated", for messages
  std::string name;      // file name as given in the control file
  std::ifstream in;
  std::streambuf* buf = nullptr;
  long long line = 0;    // lines consumed so far (the current line once started)
  long long period_line = 0; // line number of the second header line
  std::string station;   // columns 1-24 of the first header line, as written
  std::string unit;      // columns 25-28 of the first header line, as written
  int step = 0;          // hours per data line
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0;
  int per_day = 0;       // data lines per day, 24 / step
  int sub = 0;           // data lines averaged into one line of the store
  series_file(const char* r, const std::string& n) : role(r), name(n) {}
};

} // namespace

[[noreturn]] static void file_error(const series_file& f, const std::string& what) {
  stop("Error: " + std::string(f.role) + " file " + f.name + what + "\n");
}

static std::string line_no(const series_file& f) { return std::to_string(f.line); }

[[noreturn]] static void ended(const series_file& f) {
  file_error(f, " ends after line " + line_no(f) + ", before the last line of the analysis period");
}

// Reads one whole line, however long, without its line end (LF or CRLF).
// False when the file is at its end.
static bool get_line(series_file& f, std::string& text) {
  text.clear();
  int c = f.buf->sbumpc();
  if (c == EOF_CHAR) return false;
  ++f.line;
  while (c != EOF_CHAR && c != '\n') {
    text.push_back(static_cast<char>(c));
    c = f.buf->sbumpc();
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

// Skips `count` whole data lines, however long; the last may lack its line end.
static void skip_lines(series_file& f, long long count) {
  for (long long i = 0; i < count; ++i) {
    int c = f.buf->sbumpc();
    if (c == EOF_CHAR) ended(f);
    ++f.line;
    while (c != EOF_CHAR && c != '\n') c = f.buf->sbumpc();
  }
}

static bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

// A whole-token integer such as " 6", "1990" or "-1": blanks around it, an
// optional sign, digits only; false for anything else or beyond an int.
static bool parse_int(const std::string& text, int& value) {
  std::size_t b = 0, e = text.size();
  while (b < e && is_blank(text[b])) ++b;
  while (e > b && is_blank(text[e - 1])) --e;
  bool negative = false;
  if (b < e && (text[b] == '+' || text[b] == '-')) negative = text[b++] == '-';
  if (b == e) return false;
  long long v = 0;
  for (; b < e; ++b) {
    if (!std::isdigit(static_cast<unsigned char>(text[b]))) return false;
    v = v * 10 + (text[b] - '0');
    if (v > 1LL + INT_MAX) return false;
  }
  if (negative) v = -v;
  if (v < INT_MIN || v > INT_MAX) return false;
  value = static_cast<int>(v);
  return true;
}

// Header lines: comments, the first header line (unit, step), the second
// header line (period). Anything that leaves the file unusable stops the run.
static void read_header(series_file& f) {
  std::string text;
  do {
    if (!get_line(f, text)) file_error(f, " ends before its first header line");
  } while ((text.size() > 0 && text[0] == '$') || (text.size() > 1 && text[1] == '$'));
  if (text.size() < 31)
    file_error(f, ": its first header line (line " + line_no(f) + ") is shorter than 31 columns");
  f.station = text.substr(0, 24);
  f.unit = text.substr(24, 4);
  std::string step_text = text.substr(29, 2);
  if (!parse_int(step_text, f.step) || f.step <= 0)
    file_error(f, ": the time step \"" + step_text + "\" in columns 30-31 of line " + line_no(f) +
                      " is not a whole number of hours above 0");
  if (!get_line(f, text)) file_error(f, " ends before its second header line");
  f.period_line = f.line;
  std::istringstream items(text);
  std::string word[6];
  for (auto& w : word) items >> w;
  int per_line = 0; // values per data line: the tool reads one per line whatever it says
  if (word[5].empty() || !parse_int(word[0], f.first_month) || !parse_int(word[1], f.first_year) ||
      !parse_int(word[2], f.last_month) || !parse_int(word[3], f.last_year) ||
      !parse_int(word[4], per_line))
    file_error(f, ": its second header line (line " + line_no(f) +
                      ") does not give first month, first year, last month, last year,"
                      " values per line and format");
}

static series_record record_of(const series_file& f) {
  return {f.name, f.station, f.unit, f.step, f.first_month, f.first_year, f.last_month, f.last_year};
}

// The file's block of the DATA INFORMATION, to the terminal and the report.
static void show_header(const series_file& f, const char* title) {
  std::ostringstream block;
  block << title << "  file: " << f.name << "\n"
        << "  It covers the time period from " << f.first_month << "/" << f.first_year << " to "
        << f.last_month << "/" << f.last_year << " in " << f.step << " hr intervals\n"
        << "  Its unit: " << f.unit << "\n\n";
  std::cout << block.str();
  out << block.str();
}

// The period of the second header line must be whole months in order, short
// enough that its hours fit the line arithmetic.
static void check_file_period(const series_file& f) {
  std::string period = std::to_string(f.first_month) + "/" + std::to_string(f.first_year) + " to " +
                       std::to_string(f.last_month) + "/" + std::to_string(f.last_year);
  std::string where = ": the period " + period + " of its second header line (line " +
                      std::to_string(f.period_line) + ") ";
  if (f.first_month < 1 || f.first_month > 12 || f.last_month < 1 || f.last_month > 12)
    file_error(f, where + "has a month outside 1 to 12");
  if (f.last_year < f.first_year || (f.last_year == f.first_year && f.last_month < f.first_month))
    file_error(f, where + "ends before it begins");
  if (month_lines(f.first_month, f.first_year, f.last_month, f.last_year, 1) > INT_MAX)
    file_error(f, where + "is too long to count in hours");
}

// ------------------------------------------------------ units and time step

// Text that the terminal and the report carry alike, terminal first.
static void say_both(const std::string& text) {
  std::cout << text;
  out << text;
}

// Equal unit texts are fine (DEGF or DEGC marks temperatures); different ones
// only when one of them is DEGF, which is converted to DEGC after reading.
static void unit_rule(const series_file& obs, const series_file& sim) {
  itemp = 0;
  if (obs.unit == sim.unit) {
    if (obs.unit == "DEGF" || obs.unit == "DEGC") itemp = 1;
  } else {
    say_both("\n Warning: Units in the two time series are different\n  --> SIMULATED UNIT=" +
             sim.unit + "  ||  OBSERVED UNIT=" + obs.unit + " <--\n\n");
    sunit_conv = ounit_conv = 0;
    if (sim.unit == "DEGF") {
      sunit_conv = itemp = 1;
      say_both(" The unit for simulated time series " + sim.unit + " has been converted as DEGC \n\n");
    }
    if (obs.unit == "DEGF") {
      ounit_conv = itemp = 1;
      say_both(" The unit for observed time series " + obs.unit + " has been converted as DEGC \n\n");
    }
    if (sunit_conv == 0 && ounit_conv == 0) {
      const std::string text = "\n Error: Units in the two time series are different\n"
                               "   They are not temperature time series\n\n";
      out << text;
      stop(text);
    }
  }
  if (itemp == 1) {
    std::cout << "Your time series is temperature!\n\n";
    out << " Your time series is temperature!\n\n";
  }
}

// The analysis step: the T record's value when the first selection record is
// T (a multiple of both file steps, at most a day), else the coarser of the
// two file steps, which must divide a day and each other.
static void settle_time_step(int o, int s) {
  if (data_meth() == 1 && std::toupper(static_cast<unsigned char>(selection)) == 'T') {
    int t = read_int("the time step of the T record");
    if (t > 24 || t < o || t < s)
      stop("given time step incompatible.\n"
           "must be greater than or equal to time steps found in data files,\n"
           "but not greater than 24hrs.\n"
           "please correct control file.\n\n");
    if (t % o != 0 || t % s != 0)
      stop("given time step incompatible.\n"
           "must be devisible by time steps used in both data files.\n"
           "please correct control file.\n\n");
    time_step = t;
    return;
  }
  if (24 % o != 0 || 24 % s != 0)
    stop("can't compare time steps used in data files\ntime steps must be multiples of 24\n\n");
  if (o > s && o % s == 0)
    time_step = o;
  else if (s % o == 0)
    time_step = s;
  else
    stop("can't compare time steps used in data files\ntime steps must be multiples of each other\n\n");
}

// ------------------------------------------------------ analysis period

static bool month_before(int m1, int y1, int m2, int y2) {
  return y1 < y2 || (y1 == y2 && m1 < m2);
}

static std::string month_text(int m, int y) { return std::to_string(m) + "/" + std::to_string(y); }

// A requested start applies unless both its month and year are negative; it
// may not lie before the common start cm/cy.
static void requested_start(int cm, int cy, int& sm, int& sy) {
  if (start_yr_a < 0 && start_mon_a < 0) return;
  const std::string early = "\nStarting analysis time error:\n  It is earlier than the time ";
  if (start_yr_a < cy) {
    if (start_mon_a > 12) stop("Start month error\n");
    stop(early + "in available data (error in year)\n\n");
  }
  if (start_yr_a == cy) {
    if (start_mon_a > 12) stop("Start month error\n");
    if (start_mon_a < cm) stop(early + "in available data (error in month)\n\n");
  }
  sm = start_mon_a;
  sy = start_yr_a;
}

// Likewise the requested end against the common end em/ey.
static void requested_end(int em, int ey, int& lm, int& ly) {
  if (end_yr_a < 0 && end_mon_a < 0) return;
  const std::string late = "\nEnding analysis time error:\n  It is later than the time ";
  if (end_yr_a > ey) {
    if (end_mon_a > 12) stop("End month error\n");
    stop(late + "in available data (error in year)\n\n");
  }
  if (end_yr_a == ey && end_mon_a > em) {
    if (end_mon_a > 12) stop("End month error\n");
    stop(late + "in available data (error in month)\n\n");
  }
  lm = end_mon_a;
  ly = end_yr_a;
}

// Settles month_begin/year_begin .. month_end/year_end from the common period
// of both files and the requested one.
static void analysis_period(int cm, int cy, int em, int ey) {
  int sm = cm, sy = cy, lm = em, ly = ey;
  requested_start(cm, cy, sm, sy);
  requested_end(em, ey, lm, ly);
  if (sm < 1 || sm > 12)
    stop("Error: the first month of the analysis period, " + std::to_string(sm) +
         ", is not a month from 1 to 12\n");
  if (lm < 1 || lm > 12)
    stop("Error: the last month of the analysis period, " + std::to_string(lm) +
         ", is not a month from 1 to 12\n");
  if (month_before(lm, ly, sm, sy))
    stop("Error: the analysis period would begin in " + month_text(sm, sy) + ", after its end in " +
         month_text(lm, ly) + "\n");
  month_begin = sm;
  year_begin = sy;
  month_end = lm;
  year_end = ly;
}

// The period and its counts, written before any value is read.
static void show_period(const series_file& obs, const series_file& sim) {
  std::string between = month_text(month_begin, year_begin) + " and " + month_text(month_end, year_end);
  int hours = hour_count(month_begin, year_begin, month_end, year_end, 1);
  int lo = hour_count(month_begin, year_begin, month_end, year_end, obs.step);
  int ls = hour_count(month_begin, year_begin, month_end, year_end, sim.step);
  std::cout << "Analysis will be conducted for data between " << between << "\n"
            << "\nTotal hours of data have been read are " << hours << "\n"
            << "Total lines of data read from observed data " << lo << "\n"
            << "Total lines of data read from simulated data " << ls << "\n\n";
  out << "   Analysis will be conducted for data between " << between << "\n"
      << "\n   Total hours of data have been read are " << hours << "\n"
      << "   Total lines of data read from observed data " << lo << "\n"
      << "   Total lines of data read from simulated data " << ls << "\n\n";
}

// Data lines of file f in the whole months from m1/y1 up to, not including, m2/y2.
static long long lines_before(const series_file& f, int m1, int y1, int m2, int y2) {
  return hour_count(m1, y1, m2, y2, f.step) - static_cast<long long>(days_of_month(m2, y2)) * f.per_day;
}

// ------------------------------------------------------ values

static bool number_char(int c) {
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// One data line: 21 columns skipped, blanks, a real number, the rest of the
// line ignored through its line end.
static double read_value(series_file& f) {
  std::streambuf& b = *f.buf;
  int c = b.sbumpc();
  if (c == EOF_CHAR) ended(f);
  ++f.line;
  for (int col = 1; col <= 21; ++col) {
    if (col > 1) c = b.sbumpc();
    if (c == EOF_CHAR || c == '\n')
      file_error(f, ": line " + line_no(f) + " is shorter than 22 characters");
  }
  int blanks = 0;
  for (c = b.sgetc(); is_blank(c); c = b.snextc()) ++blanks;
  if (blanks == 0 && (c == EOF_CHAR || c == '\n' || c == '\r'))
    file_error(f, ": line " + line_no(f) + " is shorter than 22 characters");
  char token[128];
  std::size_t n = 0;
  for (; number_char(c) && n + 1 < sizeof token; c = b.snextc()) token[n++] = static_cast<char>(c);
  token[n] = '\0';
  const char* digits = token + ((token[0] == '+' || token[0] == '-') ? 1 : 0);
  bool starts_number = std::isdigit(static_cast<unsigned char>(digits[0])) ||
                       (digits[0] == '.' && std::isdigit(static_cast<unsigned char>(digits[1])));
  if (number_char(c) || !starts_number)
    file_error(f, ": line " + line_no(f) + " holds no readable number after column 21");
  double v = std::strtod(token, nullptr); // correctly rounded; tiny values underflow to 0
  if (std::isinf(v)) file_error(f, ": the value on line " + line_no(f) + " is too large for a double");
  c = b.sbumpc(); // c was only looked at: take it, then the rest of the line, however long
  while (c != EOF_CHAR && c != '\n') c = b.sbumpc();
  return v;
}

// Inside an average: temperatures are missing only as -999 (they may be below
// zero); flows and depths are missing when negative.
static bool missing_in_average(double v) { return itemp == 1 ? is_missing(v) : v < 0; }

// One line of the store: the mean of the file's `sub` data lines that are not
// missing; when all are missing, the last one read (normally -999).
static double line_value(series_file& f) {
  double sum = 0, v = 0;
  int missing = 0;
  for (int j = 0; j < f.sub; ++j) {
    v = read_value(f);
    if (missing_in_average(v))
      ++missing;
    else
      sum += v;
  }
  if (missing == f.sub) return v;
  return sum / (f.sub - missing);
}

static void degf_to_degc(double* q) {
  for (int i = 0; i < LINES; ++i)
    if (!is_missing(q[i])) q[i] = (q[i] - 32) * 5 / 9;
}

// ------------------------------------------------------ the reading pass

static void open_series(series_file& f, const char* what) {
  f.in.open(f.name, std::ios::in | std::ios::binary);
  if (!f.in) stop(std::string("Cannot open ") + what + " file: " + f.name + "\n\n");
  f.buf = f.in.rdbuf();
}

static void open_files(series_file& obs, series_file& sim) {
  open_series(obs, "observed");
  open_series(sim, "simulated");
  out.open(outfile, std::ios::out | std::ios::trunc);
  if (!out) stop("Cannot open output file: " + outfile + "\n\n");
}

// Both files positioned on the first month they share, the analysis period
// settled and written, and the store allocated.
static void align(series_file& obs, series_file& sim) {
  obs.per_day = 24 / obs.step;
  sim.per_day = 24 / sim.step;
  bool sim_later = month_before(obs.first_month, obs.first_year, sim.first_month, sim.first_year);
  int cm = sim_later ? sim.first_month : obs.first_month;
  int cy = sim_later ? sim.first_year : obs.first_year;
  bool sim_ends_first = month_before(sim.last_month, sim.last_year, obs.last_month, obs.last_year);
  int em = sim_ends_first ? sim.last_month : obs.last_month;
  int ey = sim_ends_first ? sim.last_year : obs.last_year;
  if (month_before(em, ey, cm, cy))
    stop("Error: the observed file (" + month_text(obs.first_month, obs.first_year) + " to " +
         month_text(obs.last_month, obs.last_year) + ") and the simulated file (" +
         month_text(sim.first_month, sim.first_year) + " to " + month_text(sim.last_month, sim.last_year) +
         ") have no month in common\n");
  if (sim_later)
    skip_lines(obs, lines_before(obs, obs.first_month, obs.first_year, cm, cy));
  else
    skip_lines(sim, lines_before(sim, sim.first_month, sim.first_year, cm, cy));

  analysis_period(cm, cy, em, ey);
  show_period(obs, sim);

  LINES = hour_count(month_begin, year_begin, month_end, year_end, time_step);
  Qobs = new (std::nothrow) double[static_cast<std::size_t>(LINES)];
  if (Qobs == nullptr) stop("Allocation error for observed data\n");
  Qsim = new (std::nothrow) double[static_cast<std::size_t>(LINES)];
  if (Qsim == nullptr) stop("Allocation error for simulated data\n");

  skip_lines(obs, lines_before(obs, cm, cy, month_begin, year_begin));
  skip_lines(sim, lines_before(sim, cm, cy, month_begin, year_begin));
}

void read_flow() {
  get_files();
  guard_outputs();
  series_file obs{"observed", obsfile};
  series_file sim{"simulated", simfile};
  open_files(obs, sim);
  std::cout << "\n";

  read_header(obs);
  out << "\n                       DATA INFORMATION \n"
         " ----------------------------------------------------------------- \n";
  show_header(obs, "OBSERVED DATA:\n");
  check_file_period(obs);
  read_header(sim);
  show_header(sim, "SIMULATED DATA:\n");
  check_file_period(sim);

  results.observed = record_of(obs);
  results.simulated = record_of(sim);
  unit_rule(obs, sim);
  settle_time_step(obs.step, sim.step);
  align(obs, sim);

  obs.sub = time_step / obs.step;
  sim.sub = time_step / sim.step;
  for (int i = 0; i < LINES; ++i) {
    Qsim[i] = line_value(sim);
    Qobs[i] = line_value(obs);
  }
  if (sunit_conv == 1) {
    std::cout << "Doing conversion for simulated time series\n";
    degf_to_degc(Qsim);
  }
  if (ounit_conv == 1) {
    std::cout << "Doing conversion for observed time series\n";
    degf_to_degc(Qobs);
  }
  obs.in.close();
  sim.in.close();
}

// ------------------------------------------------------ data summary

// The largest observed value; -999 counts like any value.
double flow_max() {
  double max = Qobs[0];
  for (int i = 1; i < LINES; ++i)
    if (Qobs[i] > max) max = Qobs[i];
  return max;
}

data_record summarise_data() {
  data_record d;
  d.lines = LINES;
  d.step = time_step;
  d.area = AREA;
  for (int i = 0; i < LINES; ++i)
    if (neither_missing(Qobs[i], Qsim[i])) ++d.good;
  d.max_observed = flow_max();
  d.flow = is_flow();
  d.temperature = itemp == 1;
  d.first_month = month_begin;
  d.first_year = year_begin;
  d.last_month = month_end;
  d.last_year = year_end;
  return d;
}

// How much was read and how much of it is good, the area, the step and the
// largest observed value, on the terminal and in the report.
static void write_data_summary(const data_record& d) {
  const int t = d.step;
  const int good = d.good;
  const bool flow = d.flow;

  std::cout << "\n   There are " << d.lines * t << " hours of data being read\n"
            << "   There are " << good * t << " hours of good data\n"
            << "   Total " << (d.lines - good) * t << " hours of were data missing\n\n";
  if (flow)
    std::cout << " -----> Maximum value of flow: " << d.max_observed << " (CMS)<-----\n\n";
  else
    std::cout << " -----> Maximum rainfall value: " << d.max_observed << " (mm) <-----\n\n";
  out << "   There are " << good * t << " hours of good data.\n"
      << "   Total " << (d.lines - good) * t << " hours of data were missing.\n\n";

  if (flow) {
    std::cout << " -----> BASIN AREA IS " << d.area << " KM^2 <-----\n";
    out << " -----> BASIN AREA IS " << d.area << " KM^2 <-----\n";
  } else {
    say_both(" -----> BASIN AREA IS NOT GIVEN. \nTHE PROGRAM ASSUMES YOU ARE DOING RAINFALL ANALYSIS\n");
  }
  say_both("-------------------------------------------------------\n\n");
  if (t > 1) {
    std::cout << "Analyses were based on time step of " << t << " hours\n\n";
    out << "(All analyses are based on " << t << " hour intervals,\n"
        << " except for the \"STATISTICS FOR GIVEN EVENTS/TIME INTERVALS\")\n\n";
  }
  out << "\n-------------------------------------------------------\n";
  if (flow)
    out << " -----> Maximum value of flow: " << d.max_observed << " (cms) <-----\n";
  else
    out << " -----> Maximum rainfall value: " << d.max_observed << " (mm) <-----\n";
  out << "-------------------------------------------------------\n\n";
}

void data_info() {
  results.data = summarise_data();
  write_data_summary(results.data);
}

// ------------------------------------------------------ line display (A)

void lines_display() {
  int n = read_int("the number of lines of selection A");
  if (n < 0 || n > LINES) stop("Invalid entry for lines display\nPlease correct the control file\n");
  input_check(n);
  add_selection(display_record{n});
}

// The first `line` lines of the store on the terminal, for the user to check.
void input_check(int line) {
  std::cout << "Following are few lines of data read by the program:\n";
  for (int k = 1; k <= line; ++k)
    std::cout << "line " << k << ":   " << "Qobs: " << Qobs[k - 1] << "     Qsim: " << Qsim[k - 1] << "\n";
  std::cout << "Are these data read correctly? \n\n";
}

// ------------------------------------------------------ companion renderings

store_view current_store() { return {Qobs, Qsim, LINES, time_step, month_begin, year_begin}; }

} // namespace twinser
