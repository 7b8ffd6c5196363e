// The one calendar: Gregorian days from 1970-01-01, counted in whole 400-year
// eras of 146097 days so that years before the origin need no special case.
#include "common/calendar.h"

namespace common {

bool is_leap_year(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int days_in_month(int m, int y) {
  switch (m) {
  case 1: case 3: case 5: case 7: case 8: case 10: case 12: return 31;
  case 4: case 6: case 9: case 11: return 30;
  case 2: return is_leap_year(y) ? 29 : 28;
  default: return 0;
  }
}

long long floor_div(long long a, long long b) {
  long long q = a / b;
  if (a % b != 0 && ((a < 0) != (b < 0))) --q;
  return q;
}

// Days 719468 of the March-based count lie between 1 March of year 0 and
// 1 January 1970. Counting years from March puts the leap day at the end of
// each year; the day d enters linearly, so a day outside the month runs on.
constexpr long long MARCH_0_TO_1970 = 719468;

long long days_from_civil(long long y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const long long era = floor_div(y, 400);
  const long long yoe = y - era * 400;                                     // 0..399
  const long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;  // 0..365
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - MARCH_0_TO_1970;
}

void civil_from_days(long long days, int& y, int& m, int& d) {
  const long long z = days + MARCH_0_TO_1970;
  const long long era = floor_div(z, 146097);
  const long long doe = z - era * 146097;                                      // 0..146096
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365; // 0..399
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);               // 0..365
  const long long mp = (5 * doy + 2) / 153;                                    // 0 = March
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

} // namespace common
