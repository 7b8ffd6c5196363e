// Series input and calendar: calendar and line arithmetic, the XK series
// files, the alignment of both series into the series store, the data summary.
//
// A line is one step of `time_step` hours; line 0 starts at hour 0 of day 1 of
// month_begin/year_begin. Dates become line counts by summing whole months.
#include "twinser.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#ifdef __linux__
#include <sys/mman.h>
#endif

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

// ------------------------------------------------------------ store arrays
//
// The four per-line arrays (Qobs, Qsim, month, year) are written once, front
// to back, right after they are allocated, and never freed. On the machines
// the tool runs on the first touch of a fresh 4 KiB page costs about 10
// microseconds, some 55 ms for a century of hourly lines; an array of a
// megabyte or more is therefore aligned to 2 MiB and advised to the kernel
// for transparent huge pages, so that it takes a few faults instead of
// thousands. Short records get a plain allocation: a huge page would cost
// them more to clear than their pages cost to fault.

constexpr std::size_t HUGE_PAGE = std::size_t{2} << 20; // bytes of one huge page on x86-64 Linux

static void* store_array(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= HUGE_PAGE / 2) {
    const std::size_t size = (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
    void* p = std::aligned_alloc(HUGE_PAGE, size);
    if (p != nullptr) madvise(p, size, MADV_HUGEPAGE); // advice only: plain pages if refused
    return p;
  }
#endif
  return std::malloc(bytes > 0 ? bytes : 1);
}

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

// Days from 1 March of year 0 to day d of month m of year y, Gregorian,
// negative before it. Counting years from March puts the leap day at the
// end of each year; whole 400-year cycles of 146097 days come first.
static long long days_from_civil(long long y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = floor_div(y, 400);
  const long long yoe = y - era * 400;                        // 0..399
  const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1; // 0..365
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
}

// The date of a day count of days_from_civil.
static void civil_from_days(long long z, int& y, int& m, int& d) {
  const long long era = floor_div(z, 146097);
  const long long doe = z - era * 146097;                                  // 0..146096
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // 0..399
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);           // 0..365
  const long long mp = (5 * doy + 2) / 153;                                // 0 = March
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Date and hour (0..23) of the start of a line's step. Walking line by line,
// the hour grows by time_step and a new day begins at hour 0 once it would pass
// 23, so every day holds the same number of lines (23 / time_step + 1, also
// for steps that do not divide a day); the date is then the first day of the
// period plus whole days. Reports ask for dates of many lines (every peak,
// every accumulation period), so the days are turned into a date at once,
// not by a walk over the months of the period.
void line_to_date(int line, int& iy, int& im, int& id, int& ih) {
  iy = year_begin;
  im = month_begin;
  id = 1;
  ih = 0;
  if (line <= 0) return;
  const int per_day = 23 / time_step + 1;
  ih = (line % per_day) * time_step;
  civil_from_days(days_from_civil(year_begin, month_begin, 1) + line / per_day, iy, im, id);
}

// Date and hour (1..24) of the end of a line's step: the start plus one step,
// where the last line of a day ends at its midnight, written as hour 24 of
// that day, so a daily line keeps its own day (as month_year labels it).
void line_end_date(int line, int& iy, int& im, int& id, int& ih) {
  line_to_date(line, iy, im, id, ih);
  ih = std::min(ih + time_step, 24);
}

// Labels every line with the month and year of the end of its step; an end
// at midnight is hour 24 of the day that ends, so a daily line keeps its day.
void month_year() {
  month = static_cast<int*>(store_array(static_cast<std::size_t>(LINES) * sizeof(int)));
  if (month == nullptr) stop("Memory allocation error for month\n");
  year = static_cast<int*>(store_array(static_cast<std::size_t>(LINES) * sizeof(int)));
  if (year == nullptr) stop("Memory allocation error for year\n");
  int iy = year_begin, im = month_begin, id = 1, ih = 0;
  int dom = days_of_month(im, iy); // days of the month being labelled
  for (int i = 0; i < LINES; ++i) {
    ih += time_step;
    if (ih > 24) {
      ++id;
      ih = time_step;
    }
    if (id > dom) {
      id = 1;
      if (++im > 12) {
        ++iy;
        im = 1;
      }
      dom = days_of_month(im, iy);
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
// skipped columns. Each file is read once, front to back, in chunks of 64 KiB
// that are used over and over; a line is found with memchr and parsed where it
// lies in the chunk. Only header lines are ever copied out whole.

namespace {

constexpr std::size_t CHUNK = 64 * 1024; // bytes asked of a series file at a time

// One series file while it is read.
struct series_file {
  const char* role;      // "observed" or "simulated", for messages
  std::string name;      // file name as given in the control file
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in{nullptr, std::fclose};
  std::unique_ptr<char[]> chunk; // CHUNK bytes: the part of the file in hand
  const char* pos = nullptr;     // next byte not yet consumed
  const char* end = nullptr;     // end of the bytes in hand
  bool drained = false;  // the file has given all it holds
  std::string long_line; // the deciding part of a data line longer than a chunk
  long long line = 0;    // lines consumed so far (the current line once started)
  long long period_line = 0; // line number of the second header line
  std::string station;   // columns 1-24 of the first header line, as written
  std::string unit;      // columns 25-28 of the first header line, as written
  int step = 0;          // hours per data line
  int first_month = 0, first_year = 0, last_month = 0, last_year = 0;
  int per_day = 0;       // data lines per day, 24 / step
  int sub = 0;           // data lines averaged into one line of the store
  int fault_line = INT_MAX; // store line whose value the file could not give, if any
  std::string fault;     // why, as the end of the message that stops the run
  series_file(const char* r, const std::string& n) : role(r), name(n) {}
};

} // namespace

[[noreturn]] static void file_error(const series_file& f, const std::string& what) {
  stop("Error: " + std::string(f.role) + " file " + f.name + what + "\n");
}

static std::string line_no(const series_file& f) { return std::to_string(f.line); }

static std::string ended_text(const series_file& f) {
  return " ends after line " + line_no(f) + ", before the last line of the analysis period";
}

[[noreturn]] static void ended(const series_file& f) { file_error(f, ended_text(f)); }

// Moves the bytes not yet consumed to the front of the chunk and reads on
// behind them. False when nothing more came: the file is drained, or the
// chunk is one unfinished line from end to end.
static bool read_more(series_file& f) {
  const std::size_t kept = static_cast<std::size_t>(f.end - f.pos);
  if (f.drained || kept == CHUNK) return false;
  char* front = f.chunk.get();
  std::memmove(front, f.pos, kept);
  const std::size_t want = CHUNK - kept;
  const std::size_t got = std::fread(front + kept, 1, want, f.in.get());
  if (got < want) f.drained = true; // end of file, or a read error: no more either way
  f.pos = front;
  f.end = front + kept + got;
  return got > 0;
}

// The next byte, or EOF when the file is drained.
static int next_char(series_file& f) {
  if (f.pos == f.end && !read_more(f)) return EOF;
  return static_cast<unsigned char>(*f.pos++);
}

// Reads one whole line, however long, without its line end (LF or CRLF).
// False when the file is at its end.
static bool get_line(series_file& f, std::string& text) {
  text.clear();
  int c = next_char(f);
  if (c == EOF) return false;
  ++f.line;
  while (c != EOF && c != '\n') {
    text.push_back(static_cast<char>(c));
    c = next_char(f);
  }
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return true;
}

// Skips `count` whole data lines, however long; the last may lack its line end.
static void skip_lines(series_file& f, long long count) {
  for (long long i = 0; i < count; ++i) {
    if (f.pos == f.end && !read_more(f)) ended(f);
    ++f.line;
    for (;;) {
      const void* lf = std::memchr(f.pos, '\n', static_cast<std::size_t>(f.end - f.pos));
      if (lf != nullptr) {
        f.pos = static_cast<const char*>(lf) + 1;
        break;
      }
      f.pos = f.end;
      if (!read_more(f)) break; // the last line, without its line end
    }
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
//
// The value of a data line reads as stream extraction of a double reads it
// (the reading the tool has always been defined by), within the line: white
// space as isspace knows it is skipped, CR included, but never past the line
// end; extraction then collects an optional sign, digits with at most one
// decimal point, and, once a digit has been seen, an exponent letter with an
// optional sign and more digits; the collected text must be a whole number
// or nothing is read. So "12.5abc" reads 12.5, while "1e", "1e+", ".", "-"
// and "+" cannot be read: a value cut short in a damaged file must not enter
// the statistics as a different number. from_chars finds the same number
// (correctly rounded, like strtod) much faster; what it leaves unread tells
// where the collected text ends.

static bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The characters extraction can collect into a number.
static bool number_char(char c) {
  return is_digit(c) || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
}

// Powers of ten that a double holds exactly.
constexpr double EXACT_TENS[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                 1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Plain decimals such as "20.011" or "-999", the bulk of every series:
// digits with at most one point, 19 digits at most, no exponent. Their
// digits m make an exact double while m <= 2^53, and with k digits after
// the point (k <= 22) m / 10^k is one correctly rounded division of two
// exact doubles: the nearest double to the text, as strtod and from_chars
// find it. False, with nothing read, for any other text.
static bool plain_decimal(const char* p, const char* e, double& x) {
  // The digits are gathered first and counted after: a run of more than 19
  // wraps m around (unsigned, so well defined) and is refused on its count.
  std::uint64_t m = 0;
  const char* const first = p;
  for (; p < e; ++p) {
    const unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (d > 9) break;
    m = m * 10 + d;
  }
  const std::ptrdiff_t before_point = p - first;
  std::ptrdiff_t after_point = 0;
  if (p < e && *p == '.') {
    const char* const fraction = ++p;
    for (; p < e; ++p) {
      const unsigned d = static_cast<unsigned char>(*p) - unsigned{'0'};
      if (d > 9) break;
      m = m * 10 + d;
    }
    after_point = p - fraction;
  }
  const std::ptrdiff_t digits = before_point + after_point;
  if (digits == 0 || digits > 19 || after_point > 22 || m > (std::uint64_t{1} << 53)) return false;
  if (p < e && (*p == 'e' || *p == 'E')) return false;
  x = static_cast<double>(m) / EXACT_TENS[after_point];
  return true;
}

// Skips the blanks before a value, eight bytes at a time where the line has
// them: a series file pads its values with blanks to a fixed width.
static const char* skip_blanks(const char* p, const char* e) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t BLANKS = 0x2020202020202020u; // eight ' '
    while (e - p >= 8) {
      std::uint64_t w = 0;
      std::memcpy(&w, p, sizeof w);
      w ^= BLANKS; // zero bytes where the blanks are; the first byte is the lowest
      if (w != 0) return p + std::countr_zero(w) / 8;
      p += 8;
    }
  }
  while (p < e && *p == ' ') ++p;
  return p;
}

value_text read_number(const char* p, const char* e, double& v) {
  p = skip_blanks(p, e);
  while (p < e && is_space(*p)) ++p; // tabs, CR, VT, FF, and blanks after them
  const char* from = p; // from_chars takes a minus sign but not a plus sign
  bool minus = false;
  if (p < e && (*p == '+' || *p == '-')) {
    minus = *p == '-';
    if (!minus) from = p + 1;
    ++p;
  }
  if (p == e || !(is_digit(*p) || *p == '.')) return value_text::none; // also "inf", "nan", "+-1"
  double x = 0;
  if (plain_decimal(p, e, x)) {
    v = minus ? -x : x;
    return value_text::number;
  }
  auto [stop, ec] = std::from_chars(from, e, x);
  if (ec == std::errc::invalid_argument) return value_text::none; // ".", ".e5": no digit
  // An exponent letter left unread: extraction takes it into the number (a
  // digit came before it), and without digits of its own the number is cut short.
  if (stop < e && (*stop == 'e' || *stop == 'E') &&
      std::memchr(from, 'e', static_cast<std::size_t>(stop - from)) == nullptr &&
      std::memchr(from, 'E', static_cast<std::size_t>(stop - from)) == nullptr)
    return value_text::none;
  if (ec == std::errc::result_out_of_range) {
    // from_chars refuses both ends of the range; extraction keeps what strtod
    // gives below it (a subnormal, or zero with its sign) and refuses above.
    const std::string text(from, stop);
    x = std::strtod(text.c_str(), nullptr);
    if (std::isinf(x)) return value_text::too_large;
  }
  v = x;
  return value_text::number;
}

// A data line that does not end within a chunk: only its first 21 columns,
// the first white-space character after them (for the message on a line that
// has no value) and the run of number characters that follows can decide its
// value. They are kept in f.long_line; the rest of the line is passed over.
static void long_data_line(series_file& f) {
  std::string& kept = f.long_line;
  kept.clear();
  int c = next_char(f);
  for (; c != EOF && c != '\n' && kept.size() < 21; c = next_char(f)) kept.push_back(static_cast<char>(c));
  if (c != EOF && c != '\n' && is_space(static_cast<char>(c))) kept.push_back(static_cast<char>(c));
  while (c != EOF && c != '\n' && is_space(static_cast<char>(c))) c = next_char(f);
  for (; c != EOF && c != '\n' && number_char(static_cast<char>(c)); c = next_char(f))
    kept.push_back(static_cast<char>(c));
  while (c != EOF && c != '\n') c = next_char(f);
}

// The next data line as the bytes [b, e) without its line end: in the chunk
// where it lies, or its deciding part when it is longer than a chunk. False
// when the file is at its end.
static bool next_data_line(series_file& f, const char*& b, const char*& e) {
  for (;;) {
    const void* lf = std::memchr(f.pos, '\n', static_cast<std::size_t>(f.end - f.pos));
    if (lf != nullptr) {
      b = f.pos;
      e = static_cast<const char*>(lf);
      f.pos = e + 1;
      ++f.line;
      return true;
    }
    if (!read_more(f)) break;
  }
  if (f.pos == f.end) return false; // drained, nothing left
  ++f.line;
  if (f.drained) { // the last line, without its line end
    b = f.pos;
    e = f.end;
    f.pos = f.end;
    return true;
  }
  long_data_line(f);
  b = f.long_line.data();
  e = b + f.long_line.size();
  return true;
}

// Keeps why a data line gives no value; the run stops on it once both files
// are read (see fill_series).
static bool fault(series_file& f, const std::string& what) {
  f.fault = what;
  return false;
}

// One data line: 21 columns skipped, the value, the rest of the line ignored.
static bool read_value(series_file& f, double& v) {
  const char* b = nullptr;
  const char* e = nullptr;
  if (!next_data_line(f, b, e)) return fault(f, ended_text(f));
  if (e - b < 21) return fault(f, ": line " + line_no(f) + " is shorter than 22 characters");
  b += 21;
  switch (read_number(b, e, v)) {
  case value_text::number: return true;
  case value_text::too_large:
    return fault(f, ": the value on line " + line_no(f) + " is too large for a double");
  case value_text::none: break;
  }
  // a line that ends (or only has a CR) at column 22 is too short to hold a value
  if (b == e || *b == '\r') return fault(f, ": line " + line_no(f) + " is shorter than 22 characters");
  return fault(f, ": line " + line_no(f) + " holds no readable number after column 21");
}

// Inside an average: temperatures are missing only as -999 (they may be below
// zero); flows and depths are missing when negative.
static bool missing_in_average(double v) { return itemp == 1 ? is_missing(v) : v < 0; }

// One line of the store: the mean of the file's `sub` data lines that are not
// missing; when all are missing, the last one read (normally -999).
static bool line_value(series_file& f, double& value) {
  double sum = 0, v = 0;
  int missing = 0;
  for (int j = 0; j < f.sub; ++j) {
    if (!read_value(f, v)) return false;
    if (missing_in_average(v))
      ++missing;
    else
      sum += v;
  }
  value = missing == f.sub ? v : sum / (f.sub - missing);
  return true;
}

// Fills q, one line of the store after another, from the file; at the first
// line it cannot give, keeps that line in f.fault_line and stops reading.
static void fill_series(series_file& f, double* q) {
  for (int i = 0; i < LINES; ++i) {
    if (!line_value(f, q[i])) {
      f.fault_line = i;
      return;
    }
  }
}

// The two files are parsed side by side, the simulated one on a second
// thread; each writes only its own array and its own file record, so nothing
// depends on how the threads interleave. Then the run stops on the fault a
// line-by-line read meets first: on each line of the store the simulated
// value is read before the observed one.
static void fill_store(series_file& obs, series_file& sim) {
  std::thread simulated;
  try {
    simulated = std::thread([&sim] { fill_series(sim, Qsim); });
  } catch (const std::system_error&) { // no thread to be had: one file after the other
    fill_series(sim, Qsim);
  }
  fill_series(obs, Qobs);
  if (simulated.joinable()) simulated.join();
  if (sim.fault_line != INT_MAX && sim.fault_line <= obs.fault_line) file_error(sim, sim.fault);
  if (obs.fault_line != INT_MAX) file_error(obs, obs.fault);
}

static void degf_to_degc(double* q) {
  for (int i = 0; i < LINES; ++i)
    if (!is_missing(q[i])) q[i] = (q[i] - 32) * 5 / 9;
}

// ------------------------------------------------------ the reading pass

static void open_series(series_file& f, const char* what) {
  f.in.reset(std::fopen(f.name.c_str(), "rb"));
  if (!f.in) stop(std::string("Cannot open ") + what + " file: " + f.name + "\n\n");
  std::setvbuf(f.in.get(), nullptr, _IONBF, 0); // whole chunks go straight into f.chunk
  f.chunk = std::make_unique_for_overwrite<char[]>(CHUNK);
  f.pos = f.end = f.chunk.get();
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
  Qobs = static_cast<double*>(store_array(static_cast<std::size_t>(LINES) * sizeof(double)));
  if (Qobs == nullptr) stop("Allocation error for observed data\n");
  Qsim = static_cast<double*>(store_array(static_cast<std::size_t>(LINES) * sizeof(double)));
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
  fill_store(obs, sim);
  if (sunit_conv == 1) {
    std::cout << "Doing conversion for simulated time series\n";
    degf_to_degc(Qsim);
  }
  if (ounit_conv == 1) {
    std::cout << "Doing conversion for observed time series\n";
    degf_to_degc(Qobs);
  }
  obs.in.reset();
  sim.in.reset();
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
  // one pass: the good lines counted and the largest observed value found
  // as flow_max finds it (line 0 first, then each larger value)
  double max = LINES > 0 ? Qobs[0] : 0;
  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    d.good += neither_missing(o, Qsim[i]) ? 1 : 0;
    max = o > max ? o : max;
  }
  d.max_observed = LINES > 0 ? max : flow_max();
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
