// Calendar and line arithmetic: Gregorian days, the lines of `time_step`
// hours in whole months, and the date of a line. A line is one step; line 0
// starts at hour 0 of day 1 of month_begin/year_begin.
#include "twinser.h"

#include <algorithm>
#include <iostream>

namespace twinser {

// ------------------------------------------------------------ calendar
//
// Gregorian rules throughout. Counts are formed in 64 bits so that no period,
// however absurd, overflows on the way; the reader only asks for periods whose
// counts fit an int (it checks the hours of each file first).

// Days of month m of year y; a month outside 1..12 is reported and counts 0,
// and the run goes on.
int days_of_month(int m, int y) {
  const int days = common::days_in_month(m, y);
  if (days == 0) std::cout << "Month [1-12] and year [yyyy] need to be given correctly\n";
  return days;
}

// Days of the whole years strictly between y1 and y2 (y1 < y2).
static long long days_between_years(int y1, int y2) {
  return common::days_from_civil(y2, 1, 1) - common::days_from_civil(y1 + 1, 1, 1);
}

// Days of months m1..m2 of year y (none when m2 < m1).
static long long days_in_months(int m1, int m2, int y) {
  long long days = 0;
  for (int m = m1; m <= m2; ++m) days += days_of_month(m, y);
  return days;
}

// Lines of `step` hours in the whole months month1/year1 .. month2/year2, both
// included, in 64 bits.
long long month_lines(int month1, int year1, int month2, int year2, int step) {
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

// Lines a day holds on the clock of the lines: a new day begins at hour 0
// once the hour would pass 23 (step in hours, above 0).
int lines_per_day(int step) { return 23 / step + 1; }

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
  const int per_day = lines_per_day(time_step);
  ih = (line % per_day) * time_step;
  common::civil_from_days(common::days_from_civil(year_begin, month_begin, 1) + line / per_day, iy, im,
                          id);
}

// The end of a line's step: the start plus one step, where the last line of a
// day ends at its midnight, written as hour 24 of that day, so a daily line
// keeps its own day (as month_year labels it).
std::optional<clock_time> end_of_step(int line) {
  if (line < 0) return std::nullopt;
  clock_time t;
  line_to_date(line, t.year, t.month, t.day, t.hour);
  t.hour = std::min(t.hour + time_step, 24);
  t.daily = time_step >= 24;
  return t;
}

line_date date_of_line(int line) {
  line_date d;
  line_to_date(line, d.year, d.month, d.day, d.hour);
  return d;
}

} // namespace twinser
