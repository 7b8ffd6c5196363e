// Flow-class statistics: the fit measures over the lines whose observed value
// reaches given values (selection E) or lies in value intervals (D and F).
// Each class gives one table row: count, percent bias, absolute percent bias,
// percent RMS, correlation R and Nash-Sutcliffe r. Parameters are read from
// the control file right after the selection record, and a bad one stops the
// run only after the report holds what came before it.
#include "twinser.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <iostream>
#include <string>

namespace twinser {

// --------------------------------------------- flows above given values (E)

// Line i counts for the value qf when its observed value reaches qf (equal
// counts) and neither value is the missing-value marker. Other negatives take
// part here: a simulated -5 against a high observed flow is a real miss.
//
// One pass over the store serves every value: the distinct values are put in
// rising order, and a line adds itself to each value it reaches, so every
// value still sums its own lines in line order. A value of 0 gets no row.
std::vector<class_row> rows_at_or_above(const std::vector<double>& values) {
  std::vector<double> levels;
  for (double v : values)
    if (v != 0) levels.push_back(v);
  std::sort(levels.begin(), levels.end());
  levels.erase(std::unique(levels.begin(), levels.end()), levels.end());

  std::vector<fit_sums> sums(levels.size());
  if (!levels.empty()) {
    for (int i = 0; i < LINES; ++i) {
      const double o = Qobs[i];
      if (!neither_missing(o, Qsim[i]) || !(o >= levels.front())) continue;
      const line_terms l(o, Qsim[i]);
      // the levels rise: the line reaches a first run of them
      for (std::size_t k = 0; k < levels.size() && o >= levels[k]; ++k) sums[k].add(l);
    }
  }

  std::vector<class_row> rows;
  for (double qf : values) {
    if (qf == 0) continue;
    const auto k = std::lower_bound(levels.begin(), levels.end(), qf) - levels.begin();
    const fit_sums& f = sums[static_cast<std::size_t>(k)];
    class_row row;
    row.lower = row.upper = qf;
    // with qf > 0 a zero observed sum means no line reached the value
    row.found = !(f.Qobs_sum == 0);
    row.fit.sums = f;
    if (row.found) row.fit = measure_bundle(f, rms_order::scaled);
    rows.push_back(row);
  }
  return rows;
}

// One value of selection E and its row. The value, the biases and the
// percent RMS carry no precision of their own: the first row inherits what
// the previous section left, later rows the 3 of the row before.
static void write_value_row(const class_row& row) {
  const char* label = is_flow() ? "  flow > " : "rainfall> ";
  const double qf = row.lower;
  if (!row.found) {
    std::cout << "No event that exceeds the value " << qf << "\n";
    out << label << qf << "  none found\n";
    return;
  }
  const fit_row& m = row.fit;
  out << label << std::setw(6) << qf << std::setw(10) << m.sums.num
      << std::setw(10) << m.pbias << std::setw(10) << m.abs_pbias
      << std::setw(10) << m.pct_rms << std::setprecision(3) << std::setw(8) << m.r_corr
      << " " << std::setw(7) << m.nash << "\n";
}

// Reads one value of selection E. False for a bad one: `readable` tells an
// item that is missing or no number from a negative value.
bool flow_bias(double& qf, bool& readable) {
  readable = next_double(qf);
  return readable && !(qf < 0);
}

// Selection E: headings first, then the count of values is checked, so a bad
// count leaves the headings in the report. The values are read up to the
// first bad one, the rows of those before it computed in one pass and
// written, and only then does the bad value stop the run.
void flow_greater() {
  divide();
  if (is_flow())
    out << "\n          THE STATISTICS FOR FLOWS GREATER THAN GIVEN VALUES\n\n";
  else
    out << "\n        THE STATISTICS FOR RAINFALL GREATER THAN GIVEN VALUES\n\n";
  out << "                                     Absolute\n"
         "                            Percent   Percent    Percent         Nash-S.\n"
         "     Condition      Cases     Bias      Bias       RMS      R       r\n"
         " ----------------------------------------------------------------------\n";

  int num = read_int("the number of values of selection E");
  if (num < 0 || num > 9999999)
    stop("Invalid entry for flows greater than a value\n"
         "Please correct the control file\n");
  std::vector<double> values;
  bool bad = false, readable = true;
  for (int i = 0; i < num && !bad; ++i) {
    double qf = 0;
    if (flow_bias(qf, readable))
      values.push_back(qf);
    else
      bad = true;
  }

  class_record rec;
  rec.letter = 'E';
  rec.rows = rows_at_or_above(values);
  for (const class_row& row : rec.rows) write_value_row(row);
  if (bad && !readable) unreadable("the next value of selection E");
  if (bad)
    stop("Invalid entry for flows greater than a given value\n"
         "    Please correct the control file\n");
  add_selection(std::move(rec));
}

// ------------------------------------------------ flow intervals (D and F)

// One interval, closed at both ends; a value on a bound shared by two
// neighbouring intervals counts in both. The simulated value must not be
// negative (-999 included). Bounds are never negative, so the observed half
// of the non-negative test adds nothing to the interval test.
static bool in_interval(double o, double lower_flow, double higher_flow) {
  return lower_flow <= o && o <= higher_flow;
}

// div equal intervals from 0 to the largest observed value m: interval j runs
// from m*j/div to m*(j+1)/div (product first), so the last ends on m itself.
// One pass over the store; each interval adds its lines in line order, as a
// pass of its own would. For a finite m > 0 the bounds rise with j, so the
// intervals that hold a line form one run (two on a shared bound): the
// line's share of m names one of them, or a neighbour when rounding puts it
// a bound off, which the bounds themselves settle. The walks almost never
// take a step, so the branches stay predictable. Otherwise a line tries
// every interval.
std::vector<class_row> equal_interval_rows(int div, double m) {
  if (div <= 0) return {};
  const std::size_t count = static_cast<std::size_t>(div);
  std::vector<double> bound(count + 1);
  for (int j = 0; j <= div; ++j) bound[static_cast<std::size_t>(j)] = m * j / div;
  const bool rising = std::isfinite(m) && m > 0;
  const double* b = bound.data();
  const int last = div - 1; // the last interval
  const double per_value = div / m; // intervals per unit of value: a first guess, no more

  std::vector<fit_sums> sums(count);
  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    const double s = Qsim[i];
    if (!both_non_negative(o, s)) continue;
    const line_terms l(o, s);
    if (!rising) {
      for (int j = 0; j <= last; ++j)
        if (in_interval(o, b[j], b[j + 1])) sums[static_cast<std::size_t>(j)].add(l);
      continue;
    }
    const double share = o * per_value;
    int k = share < last ? static_cast<int>(share) : last;
    while (k > 0 && o < b[k]) --k;          // b[0] = 0 <= o ends it
    while (k < last && o > b[k + 1]) ++k;
    if (!in_interval(o, b[k], b[k + 1])) continue; // above the last bound (m*div/div < o)
    int from = k, to = k;
    while (from > 0 && in_interval(o, b[from - 1], b[from])) --from;
    while (to < last && in_interval(o, b[to + 1], b[to + 2])) ++to;
    for (int j = from; j <= to; ++j) sums[static_cast<std::size_t>(j)].add(l);
  }

  std::vector<class_row> rows(count);
  for (std::size_t k = 0; k < count; ++k) {
    rows[k].lower = bound[k];
    rows[k].upper = bound[k + 1];
    rows[k].fit = measure_bundle(sums[k], rms_order::scaled);
  }
  return rows;
}

// Given intervals (F), all in one pass over the store: each interval adds
// its lines in line order, as a pass per interval would.
std::vector<class_row> given_interval_rows(const std::vector<double>& lower,
                                           const std::vector<double>& upper) {
  const std::size_t count = lower.size();
  std::vector<fit_sums> sums(count);
  if (count > 0) {
    for (int i = 0; i < LINES; ++i) {
      const double o = Qobs[i];
      const double s = Qsim[i];
      if (!both_non_negative(o, s)) continue;
      const line_terms l(o, s);
      for (std::size_t k = 0; k < count; ++k)
        if (in_interval(o, lower[k], upper[k])) sums[k].add(l);
    }
  }
  std::vector<class_row> rows(count);
  for (std::size_t k = 0; k < count; ++k) {
    rows[k].lower = lower[k];
    rows[k].upper = upper[k];
    rows[k].fit = measure_bundle(sums[k], rms_order::scaled);
  }
  return rows;
}

// Row of one interval, all at precision 5 but R (3) and r (4). An empty
// interval still gets its row: count 0 and nan measures.
static void write_interval_row(const class_row& row) {
  const fit_row& m = row.fit;
  out.precision(5);
  out << std::setw(8) << row.lower << " -- " << std::setw(8) << row.upper << ":"
      << std::setw(8) << m.sums.num << std::setw(10) << m.pbias
      << std::setw(10) << m.abs_pbias << std::setw(10) << m.pct_rms << " "
      << std::setprecision(3) << std::setw(7) << m.r_corr << " " << std::setprecision(4)
      << std::setw(8) << m.nash << "\n";
  out.precision(5);
}

std::vector<class_row> flow_intervals_bias(int div) {
  if (div <= 0) return {};
  std::vector<class_row> rows = equal_interval_rows(div, ctx.results.data.max_observed); // as the data summary found it
  for (const class_row& row : rows) write_interval_row(row);
  return rows;
}

// Selection D: the count of intervals is checked before the section heading.
void equal_ints() {
  out << "\n";
  int intervals = read_int("the number of intervals of selection D");
  if (intervals < 0 || intervals > 365)
    stop("Invalid entry for intervals\nPlease correct control file\n");
  divide();
  out << "\n                    STATISTICS FOR " << intervals
      << (is_flow() ? " FLOW INTERVALS\n\n" : " RAINFALL INTERVALS\n\n");
  out << "                        Number           Absolute\n"
         "                          of     Percent  Percent    Percent         Nash-S.\n"
         "     Flow Intervals     Cases     Bias      Bias       RMS     R        r\n"
      << std::string(79, '-') << "\n";
  class_record rec;
  rec.letter = 'D';
  rec.intervals = intervals;
  rec.rows = flow_intervals_bias(intervals);
  rec.max_observed = ctx.results.data.max_observed;
  rec.interval_top = rec.rows.empty() ? rec.max_observed : rec.rows.back().upper;
  add_selection(std::move(rec));
}

// Selection F: headings, then the count and each pair are checked in turn, so
// a bad pair leaves the rows of the pairs before it in the report.
void two_vals() {
  divide();
  if (is_flow())
    out << "\n                   STATISTICS FOR A GIVEN FLOW INTERVAL\n\n";
  else
    out << "\n                 STATISTICS FOR A GIVEN RAINFALL INTERVAL\n\n";
  out << "                         Number          Absolute\n"
         "                           of    Percent  Percent    Percent       Nash-S.\n";
  if (is_flow())
    out << "     Flow Intervals      Cases    Bias     Bias        RMS      R     r\n";
  else
    out << "  Rainfall Intervals     Cases    Bias     Bias        RMS      R     r\n";
  out << " --------------------------------------------------------------------------\n";

  const std::string invalid = std::string(is_flow() ? "Invalid entry for flow interval\n"
                                                    : "Invalid entry for rainfall interval\n") +
                              "Please correct the control file\n";
  int num = read_int("the number of intervals of selection F");
  if (num < 0 || num > 999) stop(invalid);
  // The pairs are read up to the first bad one, the rows of those before it
  // computed in one pass and written, and only then does the bad pair stop
  // the run, as it would have after a pass per pair.
  std::vector<double> lower, upper;
  std::string unread; // the item that was missing or no number, if any
  bool bad = false;
  for (int k = 1; k <= num && unread.empty() && !bad; ++k) {
    const std::string which = "interval " + std::to_string(k) + " of selection F";
    // both bounds are read before either is checked
    double lflow = 0, hflow = 0;
    if (!next_double(lflow)) {
      unread = "the lower bound of " + which;
    } else if (!next_double(hflow)) {
      unread = "the upper bound of " + which;
    } else if (lflow < 0 || lflow > 9999999.0 || hflow < 0 || hflow > 9999999.0) {
      bad = true;
    } else {
      lower.push_back(lflow);
      upper.push_back(hflow);
    }
  }
  class_record rec;
  rec.letter = 'F';
  rec.rows = given_interval_rows(lower, upper);
  for (const class_row& row : rec.rows) {
    write_interval_row(row);
    std::cout << "\n";
  }
  if (!unread.empty()) unreadable(unread);
  if (bad) stop(invalid);
  add_selection(std::move(rec));
}

} // namespace twinser
