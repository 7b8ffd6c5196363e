// The one calendar of twinser, twinser-view and twinser-xk: proleptic
// Gregorian days counted from 1970-01-01. Every line count, event instant and
// date of a line is a difference or a shift of this day count.
#pragma once

namespace common {

bool is_leap_year(int y);          // Gregorian: by 4, not by 100 unless by 400
int days_in_month(int m, int y);   // days of month m (1-12) of year y; 0 for any other month
// Days from 1970-01-01 to day d of month m (1-12) of year y, negative before
// it. Day 0 and days past the end of the month run on into the neighbouring
// month, one day a day.
long long days_from_civil(long long y, int m, int d);
void civil_from_days(long long days, int& y, int& m, int& d); // the date of a day count
long long floor_div(long long a, long long b);                // a / b rounded towards minus infinity

} // namespace common
