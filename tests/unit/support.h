// Test support: a fresh series store, control-file text and a captured report,
// so an analysis can be run on a few hand-made lines and its section read back.
#pragma once

#include "twinser.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace twinser_test {

inline const double NaN = std::numeric_limits<double>::quiet_NaN(); // a value that is no number

// A temporary file that is removed again when the test ends.
struct TempFile {
  std::string path;
  TempFile() {
    char name[] = "/tmp/twinser_unit_XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path = name;
  }
  ~TempFile() { std::remove(path.c_str()); }
  std::string text() const {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

// Resets the globals and opens the report on a temporary file, with the
// report's standing format (showpoint) as the run sets it.
struct Run {
  TempFile report;
  TempFile ctl;
  Run() {
    twinser::reset_state();
    twinser::out.open(report.path);
    twinser::out.setf(std::ios::showpoint);
  }
  ~Run() { twinser::reset_state(); }
  // Fills the store: line 0 is day 1 of first_month/first_year; month and year
  // are labelled by the calendar as a run does it.
  void store(const std::vector<double>& obs, const std::vector<double>& sim, int step,
             int first_month, int first_year, int last_month, int last_year, double area = 100) {
    twinser::LINES = static_cast<int>(obs.size());
    // the store's own allocation, which reset_state frees again
    twinser::Qobs = static_cast<double*>(twinser::store_array((obs.size() + 1) * sizeof(double)));
    twinser::Qsim = static_cast<double*>(twinser::store_array((sim.size() + 1) * sizeof(double)));
    for (std::size_t i = 0; i < obs.size(); ++i) twinser::Qobs[i] = obs[i];
    for (std::size_t i = 0; i < sim.size(); ++i) twinser::Qsim[i] = sim[i];
    twinser::time_step = step;
    twinser::month_begin = first_month;
    twinser::year_begin = first_year;
    twinser::month_end = last_month;
    twinser::year_end = last_year;
    twinser::AREA = area;
    twinser::month_year();
    twinser::ctx.results.data = twinser::summarise_data(); // as a run has it before any selection
  }
  // The control file positioned where an analysis reads its parameters.
  void control(const std::string& text) {
    std::ofstream(ctl.path) << text;
    twinser::oldfile.open(ctl.path);
    twinser::ctx.results.control_file = ctl.path;
  }
  std::string report_text() {
    twinser::out.flush();
    return report.text();
  }
};

// Sections of the fixed part of the report, each computed by the run's own
// summing (sum_tables, largest_differences) and written by its own writer.
inline twinser::whole_period_tables tables_with_extras() {
  twinser::ctx.options.extras_wanted = true;
  return twinser::sum_tables(nullptr);
}
inline void total_bias() { twinser::write_multi_year(tables_with_extras().whole); }
inline void yearly_display() { twinser::write_yearly(tables_with_extras().yearly); }
inline void monthly_display() { twinser::write_monthly(tables_with_extras().monthly); }
// One row of a year or a month number; one the period does not hold is the
// row of nan of an empty one.
inline twinser::period_row period_of(const std::vector<twinser::period_row>& rows, int period) {
  for (const twinser::period_row& row : rows)
    if (row.period == period) return row;
  return {period, twinser::measure_bundle(twinser::fit_sums{}, twinser::rms_order::of_mean)};
}
inline void year_bias(int yr) { twinser::write_year_row(period_of(tables_with_extras().yearly, yr)); }
inline void month_bias(int mon) {
  twinser::write_month_row(period_of(tables_with_extras().monthly, mon));
}
inline void error25() { twinser::write_largest(twinser::largest_differences()); }

} // namespace twinser_test
