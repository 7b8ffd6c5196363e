// Whole-period statistics: the multi-year row with the best line fit, the
// yearly and monthly tables, summed side by side, and the fixed sections.
#include "twinser.h"

#include <cmath>
#include <iomanip>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>

namespace twinser {

// ------------------------------------------------ multi-year statistics
//
// One row over the whole analysis period and the least-squares line of the
// observed on the simulated values. Lines take part by valid_for_total: any
// negative value (-999 among them) is out, except in temperature series,
// where only -999 is.

// Title and column headings; the wording follows the basin area alone.
static void multi_year_heading() {
  out << "\n ";
  rule('=', 97);
  out << "\n";
  out << "                                         MULTI-YEAR STATISTICS\n";
  out << "            Abs.\n";
  if (is_flow()) {
    out << "      %      %       Obs.    Sim.    Obs.   Sim.   Obs.  Sim.    %      RMS"
           "         Nash-S.  Modi.\n";
    out << "    Bias    Bias    Qmean   Qmean    std    std     Cv    Cv    RMS    (CMS)"
           "    R      r      Rm\n";
  } else {
    out << "     %        %      Obs.    Sim.    Obs.  Sim.   Obs.  Sim.     %      RMS"
           "         Nash-S.  Modi.\n";
    out << "    Bias    Bias    Pmean   Pmean    std   std     Cv    Cv     RMS     (MM)"
           "    R      r      Rm\n";
  }
  out << " ";
  rule('-', 97);
  out << "\n";
}

// The row, and its extras when asked for.
static fit_row multi_year_row(bool extras) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (valid_for_total(Qobs[i], Qsim[i])) f.add(Qobs[i], Qsim[i]);
  fit_row m = measure_bundle(f, rms_order::scaled);
  if (!extras) return m;
  const bool temperature = itemp == 1;
  extra_measures(m, add_lines(centred_sums(f), Qobs, Qsim, 0, LINES, [temperature](double o, double s) {
                   return temperature ? neither_missing(o, s) : both_non_negative(o, s); // valid_for_total
                 }));
  return m;
}

void write_multi_year(const fit_row& m) {
  multi_year_heading();
  out << std::setprecision(5) << std::setw(9) << m.pbias << std::setw(8) << m.abs_pbias;
  out << std::setprecision(4) << std::setw(8) << m.mean_o << std::setw(8) << m.mean_s
      << std::setw(8) << m.std_o << std::setw(7) << m.std_s << std::setw(7) << m.cv_o
      << std::setw(7) << m.cv_s << std::setw(7) << m.pct_rms << std::setw(7) << m.rms;
  out << std::setprecision(3) << std::setw(7) << m.r_corr << " " << std::setw(7) << m.nash
      << std::setw(7) << m.r_mod << std::endl;

  // A and B keep the precision of the row's last fields (3)
  if (is_flow())
    out << "\n  Best line fit:  Qobs = A+B*Qsim:  A--> " << m.line_a << " (cms)" << "  B--> "
        << m.line_b << "\n";
  else
    out << "\n  Best line fit:  Pobs = A+B*Psim:  A--> " << m.line_a << " (mm)" << "  B--> "
        << m.line_b << "\n";
  out << "\n";
}

// ------------------------------------------- yearly and monthly statistics
//
// One row per calendar year of the period and one per month number, pooled
// over the years. Only the missing-value marker keeps a line out here
// (neither_missing): a negative reading such as -0.5 takes part, unlike in
// the multi-year row. A year or month without lines gives a row of nan.
// Every row adds its lines in line order.

static void yearly_heading() {
  out << "\n";
  rule('=', 85);
  out << "\n";
  out << "                                  YEARLY STATISTICS\n";
  out << "                Absolute  Absolute\n";
  out << "        Percent  Percent   Error   Observed Simulated  Percent    RMS         Nash-S.\n";
  if (is_flow())
    out << " Year    Bias     Bias     (CMS)     Qmean    Qmean      RMS     (CMS)    R      r\n";
  else
    out << " Year    Bias     Bias     ( MM)     Pmean    Pmean      RMS     ( MM)    R      r\n";
  rule('-', 85);
  out << "\n";
}

void write_year_row(const period_row& row) {
  const fit_row& m = row.fit;
  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(5) << row.period << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(9) << m.abs_err << std::setw(9) << m.mean_o << std::setw(9) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(9) << m.rms;
  out << std::setprecision(3) << " " << std::setw(7) << m.r_corr << " " << std::setw(7)
      << m.nash << std::endl;
}

void write_yearly(const std::vector<period_row>& rows) {
  yearly_heading();
  for (const period_row& row : rows) write_year_row(row);
}

static void monthly_heading() {
  out << "\n\n";
  rule('=', 86);
  out << "\n";
  out << "                                 MONTHLY STATISTICS\n";
  out << "               Absolute  Absolute\n";
  out << "       Percent  Percent   Error    Observed  Simulated  Percent     RMS         "
         "Nash-S.\n";
  if (is_flow())
    out << "Month   Bias     Bias     (CMS)     Qmean     Qmean       RMS      (CMS)    R"
           "       r\n";
  else
    out << "Month   Bias     Bias     ( MM)     Pmean     Pmean       RMS      ( MM)    R"
           "       r\n";
  rule('-', 87);
  out << "\n";
}

// no separating blanks before R and r: the wider fields take their place
void write_month_row(const period_row& row) {
  const fit_row& m = row.fit;
  out << std::setfill(' ') << std::setprecision(4);
  out << std::setw(3) << row.period << std::setw(9) << m.pbias << std::setw(9) << m.abs_pbias
      << std::setw(10) << m.abs_err << std::setw(11) << m.mean_o << std::setw(10) << m.mean_s
      << std::setw(10) << m.pct_rms << std::setw(10) << m.rms;
  out << std::setprecision(3) << std::setw(7) << m.r_corr << std::setw(8) << m.nash
      << std::endl;
}

void write_monthly(const std::vector<period_row>& rows) {
  monthly_heading();
  for (const period_row& row : rows) write_month_row(row);
}

// ------------------------------------------- the three tables side by side
//
// Every yearly row and the twelve monthly rows summed side by side: one pass
// for the sums, one for the centred sums about their means. A line adds
// itself to each row it belongs to, so every row still sums its own lines in
// line order, as a pass of its own would.
// The lines of a year are those labelled with it; the store runs forward in
// time, so they form one stretch.

// A run of lines of one month of one year added to its year's row and its
// month's row at once, in line order: the two rows' sums do not wait on each
// other, so one row's additions are made while the other's are under way.
// Not inlined, so that the sums stay in registers (see add_lines).
[[gnu::noinline]] static std::pair<centred_sums, centred_sums> add_to_both(centred_sums a, centred_sums b,
                                                                           int from, int to) {
  for (int i = from; i < to; ++i)
    if (neither_missing(Qobs[i], Qsim[i])) {
      a.add(Qobs[i], Qsim[i]);
      b.add(Qobs[i], Qsim[i]);
    }
  return {a, b};
}

// The yearly and monthly rows: both passes over the lines without a missing
// value, the second only when the extras are asked for.
static void period_tables(whole_period_tables& t, bool extras) {
  const int years = year_end >= year_begin ? year_end - year_begin + 1 : 0;
  const std::size_t ny = static_cast<std::size_t>(years);
  std::vector<fit_sums> by_year(ny);
  fit_sums by_month[12];
  for (int i = 0; i < LINES; ++i) {
    const double o = Qobs[i];
    const double s = Qsim[i];
    if (!neither_missing(o, s)) continue;
    const line_terms l(o, s);
    const unsigned y = static_cast<unsigned>(year[i] - year_begin);
    if (y < ny) by_year[y].add(l);
    const unsigned m = static_cast<unsigned>(month[i] - 1);
    if (m < 12) by_month[m].add(l);
  }

  std::vector<centred_sums> c_year;
  c_year.reserve(ny);
  for (int y = 0; y < years; ++y) {
    const fit_sums& f = by_year[static_cast<std::size_t>(y)];
    t.yearly.push_back({year_begin + y, measure_bundle(f, rms_order::of_mean)});
    c_year.emplace_back(f);
  }
  std::vector<centred_sums> c_month;
  for (int m = 1; m <= 12; ++m) {
    t.monthly.push_back({m, measure_bundle(by_month[m - 1], rms_order::of_mean)});
    c_month.emplace_back(by_month[m - 1]);
  }
  if (!extras) return;

  // run by run of lines with one year and month label (a month of a year:
  // the store runs forward in time), each run added to its year's row and
  // its month's row, every row still in line order
  for (int from = 0; from < LINES;) {
    int to = from + 1;
    while (to < LINES && year[to] == year[from] && month[to] == month[from]) ++to;
    const unsigned y = static_cast<unsigned>(year[from] - year_begin);
    const auto present = [](double o, double s) { return neither_missing(o, s); };
    const unsigned m = static_cast<unsigned>(month[from] - 1);
    if (y < ny && m < 12)
      std::tie(c_year[y], c_month[m]) = add_to_both(c_year[y], c_month[m], from, to);
    else if (y < ny)
      c_year[y] = add_lines(c_year[y], Qobs, Qsim, from, to, present);
    else if (m < 12)
      c_month[m] = add_lines(c_month[m], Qobs, Qsim, from, to, present);
    from = to;
  }
  for (std::size_t y = 0; y < ny; ++y) extra_measures(t.yearly[y].fit, c_year[y]);
  for (std::size_t m = 0; m < 12; ++m) extra_measures(t.monthly[m].fit, c_month[m]);
}

// The three tables, the yearly and monthly rows on the second thread; and,
// when asked for, the largest differences ranked on this one meanwhile.
whole_period_tables sum_tables(std::vector<difference_row>* largest) {
  whole_period_tables t;
  const bool extras = ctx.options.extras_wanted;
  // each thread writes only its own results, so nothing depends on how
  // they interleave
  std::future<void> periods = start_beside([&t, extras] { period_tables(t, extras); });
  t.whole = multi_year_row(extras);
  if (largest != nullptr) *largest = largest_differences();
  periods.get();
  return t;
}

// ------------------------------------------------------ the fixed sections

// The four sections into the run record, then rendered from it.
void fixed_sections() {
  run_record& r = ctx.results;
  whole_period_tables t = sum_tables(&r.largest);
  r.whole_period = t.whole;
  r.yearly = std::move(t.yearly);
  r.monthly = std::move(t.monthly);
  write_multi_year(r.whole_period);
  write_yearly(r.yearly);
  write_monthly(r.monthly);
  write_largest(r.largest);
}

} // namespace twinser
