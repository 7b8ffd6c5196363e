// Test support: a fresh series store, control-file text and a captured report,
// so an analysis can be run on a few hand-made lines and its section read back.
#pragma once

#include "twinser.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace twinser_test {

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
    twinser::Qobs = new double[obs.size() + 1];
    twinser::Qsim = new double[sim.size() + 1];
    for (std::size_t i = 0; i < obs.size(); ++i) twinser::Qobs[i] = obs[i];
    for (std::size_t i = 0; i < sim.size(); ++i) twinser::Qsim[i] = sim[i];
    twinser::time_step = step;
    twinser::month_begin = first_month;
    twinser::year_begin = first_year;
    twinser::month_end = last_month;
    twinser::year_end = last_year;
    twinser::AREA = area;
    twinser::month_year();
    twinser::results.data = twinser::summarise_data(); // as a run has it before any selection
  }
  // The control file positioned where an analysis reads its parameters.
  void control(const std::string& text) {
    std::ofstream(ctl.path) << text;
    twinser::oldfile.open(ctl.path);
    twinser::ctlfile = ctl.path;
  }
  std::string report_text() {
    twinser::out.flush();
    return report.text();
  }
};

} // namespace twinser_test
