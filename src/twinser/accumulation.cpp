// Accumulated depth (selection I): both series turned into depth over the
// basin and summed over runs of calendar months, showing how the simulated
// water balance drifts from the observed.
#include "twinser.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>

namespace twinser {

// --------------------------------------------------------- accumulated depth

// Depth in mm over the basin of a period sum S. Flows (cms, area in km2):
// volume = step h * S * 3600 s/h m3, spread over AREA * 1e6 m2, in metres,
// times 1000; evaluated in that order. Depths (mm) are summed as they are.
// The event totals (event_total in events.cpp) convert in another order;
// each keeps its own, or the last digits of its report move.
static double depth_mm(double S) {
  if (is_flow()) return ((time_step * S * 3600) / (AREA * 1000000)) * 1000;
  return S;
}

// A month later; past December it is January and year moves on.
static void next_month(int& m, int& y) {
  if (++m > 12) {
    m = 1;
    ++y;
  }
}

static void accumulated_headings(int months) {
  divide();
  if (is_flow())
    out << "\n                ACCUMULATED FLOW IN DEPTH (MM)\n";
  else
    out << "\n              ACCUMULATED RAINFALL IN DEPTH (MM)\n";
  out << "                     FOR EVERY " << months << " MONTHS\n";
  out << "                                                Acc     Error This\n"
         "       Period        Observed    Simulated     Error      Period\n"
      << std::string(68, '-') << "\n";
}

// Periods of `months` calendar months from the start of the analysis
// period, the last one cut at the end of the data. Lines are counted from 1
// in line1/line2, as the period arithmetic is written. A line takes part only
// when neither value is negative, so a gap in either series leaves both sums
// alike.
accumulation_record accumulate_depth(int months) {
  accumulation_record r;
  r.months = months;
  int line1 = 1, line2 = 0;
  int month1 = month_begin, year1 = year_begin;
  int month2 = month_begin, year2 = year_begin;
  double aobs = 0, asim = 0, diff = 0, diff2 = 0;
  int mm = 0;
  while (line2 < LINES) {
    month2 = month1;
    for (int k = 1; k < months; ++k) next_month(month2, year2);
    line2 = line1 - 1 + hour_count(month1, year1, month2, year2, time_step);
    if (line2 > LINES) line2 = LINES;
    if (line2 < line1) line2 = line1; // a step longer than a day counts no lines; move on anyway

    double osum = 0, ssum = 0;
    for (int l = line1 - 1; l <= line2 - 1; ++l) {
      ++mm;
      if (both_non_negative(Qobs[l], Qsim[l])) {
        osum += Qobs[l];
        ssum += Qsim[l];
      }
    }
    accumulation_row row;
    int id = 0, ih = 0;
    line_to_date(line1 - 1, row.first_year, row.first_month, id, ih);
    line_to_date(line2 - 1, row.last_year, row.last_month, id, ih);

    asim += depth_mm(ssum);
    aobs += depth_mm(osum);
    diff2 = (asim - aobs) - diff;
    diff = asim - aobs;
    row.line1 = line1;
    row.line2 = line2;
    row.obs = aobs;
    row.sim = asim;
    row.error = diff;
    row.period_error = diff2;
    r.rows.push_back(row);

    month1 = month2;
    next_month(month1, year2);
    month2 = month1;
    year1 = year2;
    line1 = line2 + 1;
  }
  r.lines = mm;
  return r;
}

// Selection I: a number of months outside 1 to 12 skips the analysis with a
// message on the terminal, and the run goes on.
void accumulated_flow() {
  int months = read_int("the number of months of selection I");
  if (months < 1 || months > 12) {
    ctx.part_refused = true;
    std::cout << "Error: Number of month for cumulative calculation is wrong\n"
              << "   It should be between 1 and 12\n"
              << "   You entered month value is " << months << "\n"
              << "   Please check the option @I.\n\n"
              << "Note: there will be no info on cumulative flow/error!!\n\n";
    add_selection(refused_record{'I', "months outside 1 to 12"});
    return;
  }
  accumulation_record r = accumulate_depth(months);
  write_accumulation(r);
  std::cout << "Check:  Total lines of data anaylized = " << r.lines << "\n";
  add_selection(std::move(r));
}

void write_accumulation(const accumulation_record& r) {
  accumulated_headings(r.months);
  for (const accumulation_row& row : r.rows)
    out << std::setw(3) << row.first_month << "/" << row.first_year << " ~ " << std::setw(2)
        << row.last_month << "/" << row.last_year << std::setw(10) << std::setprecision(4)
        << row.obs << std::setw(12) << row.sim << std::setw(12) << row.error << std::setw(12)
        << row.period_error << "\n";
  out << "\n\n\n";
}

} // namespace twinser
