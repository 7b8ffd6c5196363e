// Data summary: how much was read and how much of it is good, the area, the
// step and the largest observed value.
#include "twinser.h"

#include <iostream>

namespace twinser {

// ------------------------------------------------------ data summary

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
