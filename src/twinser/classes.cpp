// Flow-class statistics: the fit measures over the lines whose observed value
// reaches given values (selection E) or lies in value intervals (D and F).
// Each class gives one table row: count, percent bias, absolute percent bias,
// percent RMS, correlation R and Nash-Sutcliffe r. Parameters are read from
// the control file right after the selection record, and a bad one stops the
// run only after the report holds what came before it.
#include "twinser.h"

#include <iomanip>
#include <iostream>
#include <string>

namespace twinser {

// --------------------------------------------- flows above given values (E)

// Line i counts for the value qf when its observed value reaches qf (equal
// counts) and neither value is the missing-value marker. Other negatives take
// part here: a simulated -5 against a high observed flow is a real miss.
static fit_sums sums_at_or_above(double qf) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (neither_missing(Qobs[i], Qsim[i]) && Qobs[i] >= qf) f.add(Qobs[i], Qsim[i]);
  return f;
}

// One value of selection E and its row. The value, the biases and the
// percent RMS carry no precision of their own: the first row inherits what
// the previous section left, later rows the 3 of the row before.
void flow_bias() {
  double qf = read_double("the next value of selection E");
  if (qf < 0)
    stop("Invalid entry for flows greater than a given value\n"
         "    Please correct the control file\n");
  if (qf == 0) return; // everything reaches zero: no row, no message

  const char* label = AREA > 0 ? "  flow > " : "rainfall> ";
  fit_sums f = sums_at_or_above(qf);
  // with qf > 0 a zero observed sum means no line reached the value
  if (f.Qobs_sum == 0) {
    std::cout << "No event that exceeds the value " << qf << "\n";
    out << label << qf << "  none found\n";
    return;
  }

  double r_corr = corr_r(f);
  double rms = rel_rms(f);
  double rms_real = rms_scaled(f, rms);
  double var_o = var_obs(f);
  double r_nash = nash_r(rms_real, var_o);

  out << label << std::setw(6) << qf << std::setw(10) << f.num
      << std::setw(10) << percent_bias(f) << std::setw(10) << abs_percent_bias(f)
      << std::setw(10) << rms * 100 << std::setprecision(3) << std::setw(8) << r_corr
      << " " << std::setw(7) << r_nash << "\n";
}

// Selection E: headings first, then the count of values is checked, so a bad
// count leaves the headings in the report.
void flow_greater() {
  divide();
  if (AREA > 0)
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
  for (int i = 0; i < num; ++i) flow_bias();
}

// ------------------------------------------------ flow intervals (D and F)

// One interval, closed at both ends; a value on a bound shared by two
// neighbouring intervals counts in both. The simulated value must not be
// negative (-999 included). Bounds are never negative, so the observed half
// of the non-negative test adds nothing to the interval test.
static fit_sums sums_between(double lower_flow, double higher_flow) {
  fit_sums f;
  for (int i = 0; i < LINES; ++i)
    if (lower_flow <= Qobs[i] && Qobs[i] <= higher_flow && both_non_negative(Qobs[i], Qsim[i]))
      f.add(Qobs[i], Qsim[i]);
  return f;
}

// Row of one interval, all at precision 5 but R (3) and r (4). An empty
// interval still gets its row: count 0 and nan measures.
void between2flows_bias(double lower_flow, double higher_flow) {
  fit_sums f = sums_between(lower_flow, higher_flow);
  double r_corr = corr_r(f);
  double rms = rel_rms(f);
  double rms_real = rms_scaled(f, rms);
  double var_o = var_obs(f);
  double r_nash = nash_r(rms_real, var_o);

  out.precision(5);
  out << std::setw(8) << lower_flow << " -- " << std::setw(8) << higher_flow << ":"
      << std::setw(8) << f.num << std::setw(10) << percent_bias(f)
      << std::setw(10) << abs_percent_bias(f) << std::setw(10) << rms * 100 << " "
      << std::setprecision(3) << std::setw(7) << r_corr << " " << std::setprecision(4)
      << std::setw(8) << r_nash << "\n";
  out.precision(5);
}

// div equal intervals from 0 to the largest observed value m: interval j runs
// from m*j/div to m*(j+1)/div (product first), so the last ends on m itself.
void flow_intervals_bias(int div) {
  if (div <= 0) return;
  double m = flow_max();
  for (int j = 0; j < div; ++j) {
    double lower_flow = m * j / div;
    double higher_flow = m * (j + 1) / div;
    between2flows_bias(lower_flow, higher_flow);
  }
}

// Selection D: the count of intervals is checked before the section heading.
void equal_ints() {
  out << "\n";
  int intervals = read_int("the number of intervals of selection D");
  if (intervals < 0 || intervals > 365)
    stop("Invalid entry for intervals\nPlease correct control file\n");
  divide();
  out << "\n                    STATISTICS FOR " << intervals
      << (AREA > 0 ? " FLOW INTERVALS\n\n" : " RAINFALL INTERVALS\n\n");
  out << "                        Number           Absolute\n"
         "                          of     Percent  Percent    Percent         Nash-S.\n"
         "     Flow Intervals     Cases     Bias      Bias       RMS     R        r\n"
      << std::string(79, '-') << "\n";
  flow_intervals_bias(intervals);
}

// Selection F: headings, then the count and each pair are checked in turn, so
// a bad pair leaves the rows of the pairs before it in the report.
void two_vals() {
  divide();
  if (AREA > 0)
    out << "\n                   STATISTICS FOR A GIVEN FLOW INTERVAL\n\n";
  else
    out << "\n                 STATISTICS FOR A GIVEN RAINFALL INTERVAL\n\n";
  out << "                         Number          Absolute\n"
         "                           of    Percent  Percent    Percent       Nash-S.\n";
  if (AREA > 0)
    out << "     Flow Intervals      Cases    Bias     Bias        RMS      R     r\n";
  else
    out << "  Rainfall Intervals     Cases    Bias     Bias        RMS      R     r\n";
  out << " --------------------------------------------------------------------------\n";

  const std::string invalid = std::string(AREA > 0 ? "Invalid entry for flow interval\n"
                                                   : "Invalid entry for rainfall interval\n") +
                              "Please correct the control file\n";
  int num = read_int("the number of intervals of selection F");
  if (num < 0 || num > 999) stop(invalid);
  for (int k = 1; k <= num; ++k) {
    std::string which = "interval " + std::to_string(k) + " of selection F";
    // both bounds are read before either is checked
    double lflow = read_double("the lower bound of " + which);
    double hflow = read_double("the upper bound of " + which);
    if (lflow < 0 || lflow > 9999999.0) stop(invalid);
    if (hflow < 0 || hflow > 9999999.0) stop(invalid);
    between2flows_bias(lflow, hflow);
    std::cout << "\n";
  }
}

} // namespace twinser
