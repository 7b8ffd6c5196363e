// Series input and calendar: calendar and line arithmetic, the XK series
// files, the alignment of both series into the series store, the data summary.
//
// A line is one step of `time_step` hours; line 0 starts at hour 0 of day 1 of
// month_begin/year_begin. Dates become line counts by summing whole months.
#include "twinser.h"

#include <iostream>
#include <new>

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

// Leap years strictly between y1 and y2 (y1 < y2): the multiples of 4, less
// those of 100, plus those of 400, in y1+1 .. y2-1.
static long long leaps_between(long long y1, long long y2) {
  auto through = [](long long y) { return floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400); };
  return through(y2 - 1) - through(y1);
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
  long long gap = static_cast<long long>(year2) - year1 - 1; // whole years between
  if (gap > 0) r += n * 365 * gap + n * leaps_between(year1, year2);
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
    long long gap = static_cast<long long>(year2) - year1 - 1;
    if (gap > 0) r += n * 365 * gap + n * leaps_between(year1, year2);
  }
  return static_cast<int>(r);
}

// Date and hour (0..23) of the start of a line's step, walked from line 0.
void line_to_date(int line, int& iy, int& im, int& id, int& ih) {
  iy = year_begin;
  im = month_begin;
  id = 1;
  ih = 0;
  for (int i = 0; i < line; ++i) {
    ih += time_step;
    if (ih > 23) {
      ++id;
      ih = 0;
    }
    if (id > days_of_month(im, iy)) {
      ++im;
      id = 1;
    }
    if (im > 12) {
      ++iy;
      im = 1;
    }
  }
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

void read_flow() {}

// ------------------------------------------------------ data summary

void data_info() {}
double flow_max() { return 0; }
void lines_display() {}
void input_check(int) {}

} // namespace twinser
