// The 25 largest differences between simulated and observed values.
#include "twinser.h"

#include <cmath>
#include <iomanip>
#include <string>

namespace twinser {

// ------------------------------------------------------ largest differences
//
// The 25 lines where the simulation departs most from the observation,
// ranked by |Qsim - Qobs|, ties in line order. Lines with a negative value on
// either side (-999 among them) never enter (both_non_negative). With fewer
// than 25 such lines the table simply has fewer rows.

constexpr int RANKED = 25;  // rows of the table
constexpr int NO_LINE = -1; // a position of the list that no valid line fills

long double difference(int position) {
  // formed in double and only then widened, so that every ranking comparison
  // is one of the double differences
  double d = std::fabs(Qsim[position] - Qobs[position]);
  return d;
}

// Phase 2: neighbour exchanges over the first `filled` positions, largest
// first; strict comparison keeps equal differences in line order.
static void order_seed(int* line, int filled) {
  for (int bound = filled - 1; bound > 0; --bound) {
    bool exchanged = false;
    for (int p = 0; p < bound; ++p) {
      if (difference(line[p + 1]) > difference(line[p])) {
        int t = line[p];
        line[p] = line[p + 1];
        line[p + 1] = t;
        exchanged = true;
      }
    }
    if (!exchanged) break;
  }
}

// Phase 3: line L enters when it beats the last entry; it goes after every
// entry with an equal difference, and the last entry drops out.
static void insert_ranked(int* line, int L) {
  double D = static_cast<double>(difference(L));
  if (!(D > difference(line[RANKED - 1]))) return;
  int p = 0;
  while (!(difference(line[p]) < D)) ++p;
  for (int q = RANKED - 1; q > p; --q) line[q] = line[q - 1];
  line[p] = L;
}

void array_fill(int* line) {
  // Phase 1: the first 25 valid lines seed the list; the scan never passes
  // the last line, and unfilled positions are marked NO_LINE
  int filled = 0;
  int i = 0;
  for (; i < LINES && filled < RANKED; ++i)
    if (both_non_negative(Qobs[i], Qsim[i])) line[filled++] = i;
  for (int p = filled; p < RANKED; ++p) line[p] = NO_LINE;

  order_seed(line, filled);

  for (; i < LINES; ++i)
    if (both_non_negative(Qobs[i], Qsim[i])) insert_ranked(line, i);
}

std::vector<difference_row> largest_differences() {
  int line[RANKED];
  array_fill(line);
  std::vector<difference_row> rows;
  for (int p = 0; p < RANKED && line[p] != NO_LINE; ++p) {
    difference_row r;
    r.line = line[p];
    line_to_date(r.line, r.year, r.month, r.day, r.hour);
    r.end = end_of_step(r.line);
    r.obs = Qobs[r.line];
    r.sim = Qsim[r.line];
    r.diff = r.sim - r.obs;
    r.pct_error = (r.diff / r.obs) * 100;
    rows.push_back(r);
  }
  return rows;
}

void write_largest(const std::vector<difference_row>& rows) {
  out << "\n\n" << std::flush;
  rule('-', 65);
  out << "\n";
  if (is_flow()) {
    out << "                25 LARGEST FLOW DIFFERENCES\n";
    out << "                    Observed  Simulated   Error    Percent\n";
    out << "      Date            Flow      Flow    (Sim-Obs)   Error\n";
  } else {
    out << "               25 LARGEST RAINFALL DIFFERENCES\n";
    out << "                    Observed  Simulated   Error    Percent\n";
    out << "      Date           Value     Value    (Sim-Obs)   Error\n";
  }
  rule('-', 65);
  out << "\n";

  for (const difference_row& r : rows) {
    out << std::setw(3) << r.hour << ":00 " << std::setfill('0') << std::setw(2) << r.month << "/"
        << std::setw(2) << r.day << "/" << std::setfill(' ') << r.year;
    out << std::setprecision(6) << std::setw(10) << r.obs << std::setw(11) << r.sim
        << std::setw(10) << r.diff << std::setw(10) << r.pct_error << std::endl;
  }
  out << std::setprecision(4);
}

} // namespace twinser
