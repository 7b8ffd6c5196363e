// Benchmarks: what a naive model scores, so that an efficiency can be read
// against something. The seasonal benchmark efficiency and the KGE of the
// mean-flow benchmark.
#include "twinser.h"

#include <algorithm>
#include <cmath>

namespace twinser {

// ---------------------------------------------------- the seasonal benchmark
//
// Schaefli and Gupta (2007), Do Nash values have value?, Hydrological
// Processes 21. The benchmark b of a line is the mean observed value of the
// same calendar day (month and day of the start of the line's step; every
// line of that day, whatever its hour) over the OTHER years of the period, so
// that a line never predicts itself. With steps longer than a day the
// calendar month (by the month label of the line) takes the day's place.
// Over the multi-year row's lines (valid_for_total: both values present and
// not negative, or for temperatures only not missing), and over the lines
// whose calendar day has an observed value in another year:
//   seasonal_nse = 1 - sum (s - o)^2 / sum (b - o)^2
// Above 0 the simulation beats the mean seasonal cycle, below 0 it does not
// (range -inf..1). A line whose day no other year has (29 February of the
// only leap year, a record of one year) is left out of both sums. No such
// line at all, or a benchmark that matches every observed value (zero
// denominator), gives no value, with its reason.

namespace {

constexpr int DAY_KEYS = 12 * 31; // calendar days, as (month - 1) * 31 + day - 1

// One line's calendar key and year.
struct line_key {
  int key;
  int year;
};

} // namespace

// The squared errors of the simulation and of the benchmark b over the lines
// [first, end) of one day, added to e in line order. A function of its own,
// not inlined: within the walk over the days, whose calls leave no register
// as it was, the sums would live in memory, each addition waiting on the
// store of the one before.
struct error_sums {
  double num = 0, den = 0; // sum (s - o)^2, sum (b - o)^2
  std::uint32_t lines = 0;
};
[[gnu::noinline]] static error_sums add_day(const double* obs, const double* sim, int first, int end, double b,
                                            bool temperature, error_sums e) {
  double num = e.num, den = e.den; // scalars: a pair in a struct is added in memory
  std::uint32_t n = e.lines;
  for (int i = first; i < end; ++i) {
    if (!(temperature ? neither_missing(obs[i], sim[i]) : both_non_negative(obs[i], sim[i]))) continue;
    const double ds = sim[i] - obs[i];
    const double db = b - obs[i];
    num += ds * ds;
    den += db * db;
    ++n;
  }
  return {num, den, n};
}

benchmark_record seasonal_benchmark(const double* obs, const double* sim, int lines, int step,
                                    int first_month, int first_year, bool temperature) {
  benchmark_record r;
  r.mean_flow_kge = mean_flow_kge();
  r.monthly_basis = step > 24;
  const int keys = r.monthly_basis ? 12 : DAY_KEYS;
  const auto takes_part = [temperature](double o, double s) {
    return temperature ? neither_missing(o, s) : both_non_negative(o, s);
  };

  // each line's key: days walked forward from day 1 of the first month, a
  // day holding 23 / step + 1 lines (the store's calendar); month by month
  // for longer steps, where a "day" is one line. Walked a day at a time, its
  // lines taken in a run, rather than kept: a key per line would be as large
  // as the series.
  const int per_day = r.monthly_basis ? 1 : 23 / step + 1;
  struct calendar_walk {
    bool monthly;
    int y, m, d = 1;
    line_key key() const { return {monthly ? m - 1 : (m - 1) * 31 + d - 1, y}; }
    void next_day() {
      if (monthly || ++d > days_of_month(m, y)) {
        d = 1;
        if (++m > 12) {
          m = 1;
          ++y;
        }
      }
    }
  };
  const calendar_walk first_day{r.monthly_basis, first_year, first_month};
  const int days = lines > 0 ? (lines - 1) / per_day + 1 : 0; // the last may be part of a day
  int last_year = first_year;
  {
    calendar_walk w = first_day;
    for (int day = 1; day < days; ++day) w.next_day();
    last_year = w.y;
  }
  const std::size_t years = static_cast<std::size_t>(last_year - first_year + 1);
  const auto year_key = [&](const line_key& k) {
    return static_cast<std::size_t>(k.year - first_year) * static_cast<std::size_t>(keys) +
           static_cast<std::size_t>(k.key);
  };

  // observed sums of every key, over all years and year by year, each added
  // in line order
  std::vector<double> sum_all(static_cast<std::size_t>(keys), 0.0);
  std::vector<std::uint32_t> n_all(static_cast<std::size_t>(keys), 0);
  std::vector<double> sum_year(years * static_cast<std::size_t>(keys), 0.0);
  std::vector<std::uint32_t> n_year(years * static_cast<std::size_t>(keys), 0);
  calendar_walk w = first_day;
  for (int first = 0; first < lines; first += per_day, w.next_day()) {
    const line_key k = w.key();
    const std::size_t key = static_cast<std::size_t>(k.key), yk = year_key(k);
    double in_all = sum_all[key], in_year = sum_year[yk];
    std::uint32_t taking_part = 0;
    for (int i = first; i < std::min(lines, first + per_day); ++i)
      if (takes_part(obs[i], sim[i])) {
        in_all += obs[i];
        in_year += obs[i];
        ++taking_part;
      }
    sum_all[key] = in_all;
    sum_year[yk] = in_year;
    n_all[key] += taking_part;
    n_year[yk] += taking_part;
  }

  // the benchmark of each calendar day of each year, worked out once for
  // all the lines of that day, into the slots of the day's own sums, which
  // are done with once it is (fresh pages cost more here than the sums);
  // `others` = 0 marks a day no other year has
  std::vector<double>& bench = sum_year;
  std::vector<std::uint32_t>& others = n_year;
  for (std::size_t yk = 0; yk < sum_year.size(); ++yk) {
    const std::size_t key = yk % static_cast<std::size_t>(keys);
    const std::uint32_t other_lines = n_all[key] - n_year[yk];
    if (other_lines != 0) bench[yk] = (sum_all[key] - sum_year[yk]) / other_lines;
    others[yk] = other_lines;
  }

  error_sums e;
  w = first_day;
  for (int first = 0; first < lines; first += per_day, w.next_day()) {
    const std::size_t yk = year_key(w.key());
    if (others[yk] != 0)
      e = add_day(obs, sim, first, std::min(lines, first + per_day), bench[yk], temperature, e);
  }
  const double num = e.num, den = e.den;
  r.lines = e.lines;
  if (r.lines == 0)
    r.seasonal_nse_reason = years < 2 ? "one year only: no other year to take the benchmark from"
                                      : "no line has its calendar day in another year";
  else if (!(den > 0))
    r.seasonal_nse_reason = "the benchmark equals every observed value";
  else
    r.seasonal_nse = 1 - num / den;
  return r;
}

// --------------------------------------------------- the mean-flow benchmark
//
// Knoben, Freer and Woods (2019), Technical note: Inherent benchmark or not?
// Comparing Nash-Sutcliffe and Kling-Gupta efficiency scores, Hydrology and
// Earth System Sciences 23. A "simulation" that gives every line the
// observed mean has beta = 1 and alpha = 0; its correlation is undefined and
// taken as 0, so
//   KGE = 1 - sqrt((0 - 1)^2 + (0 - 1)^2 + (1 - 1)^2) = 1 - sqrt(2) = -0.41
// for every series: a KGE above it beats the mean flow (as NSE = 0 does).
double mean_flow_kge() { return 1 - std::sqrt(2.0); }

} // namespace twinser
