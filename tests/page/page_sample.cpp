// Writes the HTML page of a hand-written summary with a generated pair of
// series, for the browser test and the drawing benchmark:
//   page_sample SUMMARY.json PAGE.html
// The series have period.lines lines at period.step_hours: a seasonal flow
// with storms, a late and damped simulation, a missing stretch in each.
#include "page.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: page_sample SUMMARY.json PAGE.html\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  const nlohmann::ordered_json summary = nlohmann::ordered_json::parse(in);
  const int lines = summary["period"]["lines"].get<int>();
  const double per_day = 24.0 / summary["period"]["step_hours"].get<int>();
  std::vector<double> obs(lines), sim(lines);
  std::uint32_t seed = 7;
  auto uniform = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 16777216.0;
  };
  double storm = 0;
  for (int i = 0; i < lines; ++i) {
    const double day = i / per_day;
    storm = storm * std::pow(0.8, 1 / per_day) + (uniform() < 0.02 / per_day ? uniform() * 300 : 0);
    obs[i] = 20 + 15 * std::sin(2 * M_PI * day / 365.25) + storm;
  }
  for (int i = 0; i < lines; ++i) sim[i] = 0.9 * obs[i >= 2 ? i - 2 : 0] + 1;
  for (int i = lines / 3; i < lines / 3 + lines / 50; ++i) obs[i] = -999;
  for (int i = 2 * lines / 3; i < 2 * lines / 3 + lines / 100; ++i) sim[i] = -999;
  std::ofstream html(argv[2], std::ios::binary);
  twinser_view::write_page(html, summary, obs.data(), sim.data(), lines);
  return html ? 0 : 1;
}
