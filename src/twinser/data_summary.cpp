// Data summary: how much was read and how much of it is good, the area, the
// step and the largest observed value; and the dates of the period's lines,
// which the summary and the page show.
#include "twinser.h"

#include <iostream>

namespace twinser {

// ------------------------------------------------------ data summary

// The first whole water year (1 October to 30 September) of the period of
// d, whose first day is `first_day` (days from 1970-01-01): whole days of
// lines_per_day lines each. None when the period holds none. The page opens
// its detail chart on it.
static std::optional<water_year> first_water_year(const data_record& d, long long first_day) {
  if (d.step <= 0) return std::nullopt;
  const int y = d.first_month <= 10 ? d.first_year : d.first_year + 1;
  water_year w;
  w.first_line = (common::days_from_civil(y, 10, 1) - first_day) * d.lines_per_day;
  w.end_line = (common::days_from_civil(y + 1, 10, 1) - first_day) * d.lines_per_day;
  if (w.end_line > d.lines) return std::nullopt;
  w.first_date = end_of_step(static_cast<int>(w.first_line));
  w.last_date = end_of_step(static_cast<int>(w.end_line - 1));
  return w;
}

data_record summarise_data() {
  data_record d;
  d.lines = LINES;
  d.step = time_step;
  d.area = AREA;
  // one pass: the good lines counted and the largest observed value found
  // (line 0 first, then each larger value; -999 counts like any value)
  double max = LINES > 0 ? Qobs[0] : 0;
  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    d.good += neither_missing(o, Qsim[i]) ? 1 : 0;
    max = o > max ? o : max;
  }
  d.max_observed = max;
  d.read_hours = static_cast<long long>(d.lines) * d.step;
  d.good_hours = static_cast<long long>(d.good) * d.step;
  d.missing_hours = static_cast<long long>(d.lines - d.good) * d.step;
  d.flow = is_flow();
  d.temperature = itemp == 1;
  d.first_month = month_begin;
  d.first_year = year_begin;
  d.last_month = month_end;
  d.last_year = year_end;
  d.lines_per_day = d.step > 0 ? lines_per_day(d.step) : 1;
  d.start = {d.first_year, d.first_month, 1, 0, d.step >= 24};
  const long long first_day = common::days_from_civil(d.first_year, d.first_month, 1);
  d.first_day_unix_seconds = first_day * 86400;
  if (d.lines > 0) {
    d.first_date = end_of_step(0);
    d.last_date = end_of_step(d.lines - 1);
  }
  d.first_water_year = first_water_year(d, first_day);
  return d;
}

// How much was read and how much of it is good, the area, the step and the
// largest observed value, on the terminal and in the report.
static void write_data_summary(const data_record& d) {
  const int t = d.step;
  const bool flow = d.flow;

  std::cout << "\n   There are " << d.read_hours << " hours of data being read\n"
            << "   There are " << d.good_hours << " hours of good data\n"
            << "   Total " << d.missing_hours << " hours of were data missing\n\n";
  if (flow)
    std::cout << " -----> Maximum value of flow: " << d.max_observed << " (CMS)<-----\n\n";
  else
    std::cout << " -----> Maximum rainfall value: " << d.max_observed << " (mm) <-----\n\n";
  out << "   There are " << d.good_hours << " hours of good data.\n"
      << "   Total " << d.missing_hours << " hours of data were missing.\n\n";

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
  ctx.results.data = summarise_data();
  write_data_summary(ctx.results.data);
}

} // namespace twinser
