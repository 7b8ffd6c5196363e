// Flow-class statistics: the fit measures over the lines whose observed value
// reaches given values (selection E) or lies in value intervals (D and F).
// Each class gives one table row: count, percent bias, absolute percent bias,
// percent RMS, correlation R and Nash-Sutcliffe r. Each selection reads its
// items from the control file right after the selection record, computes its
// record, and writes its section from it; a bad item stops the run only after
// the report holds the rows of the items before it.
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

// ------------------------------------------------------- items as read

// The items of a class selection as the control file gives them, up to the
// first bad one. A bad item does not stop the run at once: the section is
// written with the rows of the items before it, and only then does the run
// stop on it, naming it.
namespace {
struct class_items {
  std::vector<double> lower, upper; // E: the values (lower); F: the bounds of each interval
  std::string unread;  // the item that was missing or no number; empty when none
  std::string refused; // the message for an item out of range; empty when none
};
} // namespace

// Once the section is written: the stop on the bad item, if there was one.
static void stop_on_bad_item(const class_items& items) {
  if (!items.unread.empty()) unreadable(items.unread);
  if (!items.refused.empty()) stop(items.refused);
}

// Reading stops the run by itself only on a control line beyond the limit;
// the section then holds what its record holds so far (E's and F's headings,
// D's blank line), as a report read that far always has.
template <typename Read>
static class_items read_items(Read read, void (*write)(const class_record&), const class_record& rec) {
  try {
    return read();
  } catch (const run_stopped&) {
    write(rec);
    out.flush();
    throw;
  }
}

// ------------------------------------------------------------ selection E

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

// Selection E's section: headings, then a row per value.
static void write_value_section(const class_record& rec) {
  divide();
  if (is_flow())
    out << "\n          THE STATISTICS FOR FLOWS GREATER THAN GIVEN VALUES\n\n";
  else
    out << "\n        THE STATISTICS FOR RAINFALL GREATER THAN GIVEN VALUES\n\n";
  out << "                                     Absolute\n"
         "                            Percent   Percent    Percent         Nash-S.\n"
         "     Condition      Cases     Bias      Bias       RMS      R       r\n"
         " ----------------------------------------------------------------------\n";
  for (const class_row& row : rec.rows) write_value_row(row);
}

// The count of values of selection E and the values, up to the first bad one.
static class_items read_values() {
  class_items items;
  int num = 0;
  if (!next_int(num)) {
    items.unread = "the number of values of selection E";
    return items;
  }
  if (num < 0 || num > 9999999) {
    items.refused = "Invalid entry for flows greater than a value\n"
                    "Please correct the control file\n";
    return items;
  }
  for (int i = 0; i < num; ++i) {
    double qf = 0;
    if (!next_double(qf)) {
      items.unread = "the next value of selection E";
      break;
    }
    if (qf < 0) {
      items.refused = "Invalid entry for flows greater than a given value\n"
                      "    Please correct the control file\n";
      break;
    }
    items.lower.push_back(qf);
  }
  return items;
}

// Selection E: the values read up to the first bad one and their rows
// computed in one pass, the section written, and only then does a bad count
// or value stop the run (a bad count leaves the headings alone).
void flow_greater() {
  check_outputs(); // a report that could not be written is told before an item is read
  class_record rec;
  rec.letter = 'E';
  const class_items items = read_items(read_values, write_value_section, rec);
  rec.rows = rows_at_or_above(items.lower);
  write_value_section(rec);
  stop_on_bad_item(items);
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

// ------------------------------------------------------------ selection D

// Selection D's section: a blank line, then, once the count of intervals is
// accepted, the headings and a row per interval.
static void write_equal_section(const class_record& rec) {
  out << "\n";
  if (!rec.counted) return;
  divide();
  out << "\n                    STATISTICS FOR " << rec.intervals
      << (is_flow() ? " FLOW INTERVALS\n\n" : " RAINFALL INTERVALS\n\n");
  out << "                        Number           Absolute\n"
         "                          of     Percent  Percent    Percent         Nash-S.\n"
         "     Flow Intervals     Cases     Bias      Bias       RMS     R        r\n"
      << std::string(79, '-') << "\n";
  for (const class_row& row : rec.rows) write_interval_row(row);
}

// The count of intervals of selection D, in `count` when it is accepted.
static class_items read_interval_count(int& count) {
  class_items items;
  if (!next_int(count))
    items.unread = "the number of intervals of selection D";
  else if (count < 0 || count > 365)
    items.refused = "Invalid entry for intervals\nPlease correct control file\n";
  return items;
}

// Selection D: equal intervals of the largest observed value, as the data
// summary found it. A bad count leaves the section at its blank line.
void equal_ints() {
  class_record rec;
  rec.letter = 'D';
  rec.counted = false;
  int count = 0;
  const class_items items =
      read_items([&count] { return read_interval_count(count); }, write_equal_section, rec);
  if (items.unread.empty() && items.refused.empty()) {
    rec.counted = true;
    rec.intervals = count;
    rec.max_observed = ctx.results.data.max_observed;
    rec.rows = equal_interval_rows(count, rec.max_observed);
    rec.interval_top = rec.rows.empty() ? rec.max_observed : rec.rows.back().upper;
  }
  write_equal_section(rec);
  stop_on_bad_item(items);
  add_selection(std::move(rec));
}

// ------------------------------------------------------------ selection F

// Selection F's section: headings, then a row per interval, each with an
// empty line on the terminal.
static void write_given_section(const class_record& rec) {
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
  for (const class_row& row : rec.rows) {
    write_interval_row(row);
    std::cout << "\n";
  }
}

// The count of intervals of selection F and the pairs of bounds, up to the
// first bad one; both bounds of a pair are read before either is checked.
static class_items read_intervals() {
  class_items items;
  const std::string invalid = std::string(is_flow() ? "Invalid entry for flow interval\n"
                                                    : "Invalid entry for rainfall interval\n") +
                              "Please correct the control file\n";
  int num = 0;
  if (!next_int(num)) {
    items.unread = "the number of intervals of selection F";
    return items;
  }
  if (num < 0 || num > 999) {
    items.refused = invalid;
    return items;
  }
  for (int k = 1; k <= num; ++k) {
    const std::string which = "interval " + std::to_string(k) + " of selection F";
    double lflow = 0, hflow = 0;
    if (!next_double(lflow)) {
      items.unread = "the lower bound of " + which;
      break;
    }
    if (!next_double(hflow)) {
      items.unread = "the upper bound of " + which;
      break;
    }
    if (lflow < 0 || lflow > 9999999.0 || hflow < 0 || hflow > 9999999.0) {
      items.refused = invalid;
      break;
    }
    items.lower.push_back(lflow);
    items.upper.push_back(hflow);
  }
  return items;
}

// Selection F: the pairs read up to the first bad one and their rows computed
// in one pass, the section written, and only then does a bad count or pair
// stop the run, as it would have after a pass per pair.
void two_vals() {
  check_outputs(); // a report that could not be written is told before an item is read
  class_record rec;
  rec.letter = 'F';
  const class_items items = read_items(read_intervals, write_given_section, rec);
  rec.rows = given_interval_rows(items.lower, items.upper);
  write_given_section(rec);
  stop_on_bad_item(items);
  add_selection(std::move(rec));
}

} // namespace twinser
