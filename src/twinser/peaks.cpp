// Peaks over threshold (selection H): each observed peak that rises above a
// threshold, matched with the simulated peak of the same run of lines, with
// the timing and size of the miss.
#include "twinser.h"

#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>

namespace twinser {

// ------------------------------------------------------ peaks over threshold

// Peak of array over lines line1..line2. Only a value strictly above both the
// threshold and the running peak (which starts at 0) can take the lead, so
// the earliest of equal highest values wins and only positive values count.
// When the highest value stands on the window's last line the peak is still
// rising: follow the rise past the window (without a threshold test) to its
// top, never beyond the last line of the series. Nothing found leaves peak 0
// on line1.
void find_peak(int& line, int line1, int line2, double thresh, double& peak, double* array) {
  peak = 0;
  line = line1;
  for (int k = line1; k <= line2; ++k) {
    if (array[k] > peak && array[k] > thresh) {
      peak = array[k];
      line = k;
    }
  }
  if (line != line2) return;
  while (line < LINES - 1 && array[line + 1] > array[line]) {
    peak = array[line + 1];
    ++line;
  }
}

// A peak counts only above the threshold and above zero: find_peak leaves 0
// when nothing qualified, and with a threshold below zero that 0 (or a
// non-positive run-on) must not pass for a peak.
static bool is_peak(double peak, double thresh) { return peak > thresh && peak > 0; }

// Date stamp of a line, from the start of its step: "hh:00 mm/dd/yyyy" with
// the hour in 5 columns, the month in 2, and the day zero-filled.
static void date_stamp(const line_date& d) {
  out << std::setw(5) << d.hour << ":00 " << std::setw(2) << d.month << "/" << std::setw(2)
      << std::setfill('0') << d.day << "/" << std::setfill(' ') << d.year;
}

// The window raised to the next multiple of the step (a negative one towards 0).
static int whole_steps(int window) {
  while (window % time_step != 0) ++window;
  return window;
}

// Title; then, for a window that is no whole number of steps, the note with
// the window as read.
static void threshold_title(const peak_record& r) {
  if (is_flow())
    out << "\n            PEAK FLOW FOR GIVEN TIME INTERVAL ABOVE GIVEN THRESHOLD\n\n";
  else
    out << "\n            PEAK VALUE FOR GIVEN TIME INTERVAL ABOVE GIVEN THRESHOLD\n\n";
  if (r.window != r.window_read)
    out << "(note: window was increased from " << r.window_read << " hr(s) because of time steps)\n";
}

static void threshold_headings(double thresh, int window) {
  out << "                 Threshold Value = " << thresh << ", Window = " << window
      << " hr(s)\n";
  out << "                                                                       Percent\n";
  if (is_flow())
    out << " Observed                     Simulated                      Time        Peak     Peak flow\n"
           "Peak  Flow      Date          Peak Flow       Date        Difference  Difference    Ratio\n"
           "   Qobs                         Qsim                        (hour)   100*(S-O)/O     S/O\n";
  else
    out << " Observed                     Simulated                      Time        Peak    Peak Value\n"
           "Peak Value      Date         Peak Value       Date        Difference  Difference    Ratio\n"
           "   Pobs                         Psim                        (hour)   100*(S-O)/O     S/O\n";
  out << std::string(93, '-') << "\n";
}

// The scan walks the observed series: skip to the first line at or above the
// threshold, take the window from there, keep its peak, move past the window
// (or past the observed run-on) and down the falling limb. Every pass moves i
// forward: the next start is past line2 or past oline, and oline is never
// before the window's first line.
peak_record peaks_over_threshold(double thresh, int window) {
  peak_record r;
  r.threshold = thresh;
  r.window = window;
  // lines per window; a window of no hours or fewer holds no line at all
  int span = window / time_step;
  if (span < 0) span = 0;

  peak_totals& t = r.totals;
  int i = 0;
  while (i < LINES) {
    while (i < LINES && Qobs[i] < thresh) ++i;
    if (i >= LINES) break;
    int line2 = i + span - 1;
    if (line2 >= LINES) line2 = LINES - 1;

    int oline = 0;
    double opeak = 0;
    find_peak(oline, i, line2, thresh, opeak, Qobs);
    if (is_peak(opeak, thresh)) {
      peak_row p;
      p.obs_line = oline;
      p.obs_date = date_of_line(oline);
      p.obs_end = end_of_step(oline);
      p.obs_peak = opeak;
      find_peak(p.sim_line, i, line2, thresh, p.sim_peak, Qsim); // the window, not the observed run-on
      if (is_peak(p.sim_peak, thresh)) {
        p.matched = true;
        p.sim_date = date_of_line(p.sim_line);
        p.sim_end = end_of_step(p.sim_line);
        p.time_diff = static_cast<std::int64_t>(p.sim_line - oline) * time_step; // + when sim is late
        p.pct_diff = ((p.sim_peak - opeak) * 100) / opeak;
        p.ratio = p.sim_peak / opeak;
        t.time_diff += p.time_diff;
        t.time_diff2 += static_cast<double>(p.time_diff * p.time_diff);
        double d = p.sim_peak - opeak;
        t.peak_diff += d;
        t.peak_diff2 += d * d;
        t.total_speak += 1;
      }
      t.total_opeak += 1;
      r.peaks.push_back(p);
    }

    i = oline > line2 ? oline + 1 : line2 + 1;
    // down the falling limb while still above the threshold
    while (i < LINES - 1 && Qobs[i] > thresh && Qobs[i] > Qobs[i + 1]) ++i;
  }

  const int n = t.total_speak;
  if (n >= 2) {
    // q = (sum tdiff)^2 / n with integer (truncating) division, then as a double
    double q = static_cast<double>((t.time_diff * t.time_diff) / n);
    r.mean_time = static_cast<double>(t.time_diff) / n;
    r.mean_peak = t.peak_diff / n;
    r.sd_time = std::sqrt((t.time_diff2 - q) / (n - 1));
    r.sd_peak = std::sqrt((t.peak_diff2 - t.peak_diff * t.peak_diff / n) / (n - 1));
  }
  return r;
}

// One row: the observed peak, then the simulated date, time and percent
// difference and ratio, or "none found"; a blank line after every fifth.
static void write_peak_row(const peak_row& p, int written) {
  out << ' ' << std::setw(7) << std::setprecision(6) << p.obs_peak;
  date_stamp(p.obs_date);
  if (p.matched) {
    out << std::setw(11) << std::setprecision(6) << p.sim_peak;
    date_stamp(p.sim_date);
    out << std::setw(8) << p.time_diff << std::setw(14) << p.pct_diff << std::setw(10)
        << std::setprecision(4) << p.ratio;
  } else {
    out << "    none found";
  }
  out << "\n";
  if (written % 5 == 0) out << "\n";
}

// The summary after the table. Values without a precision of their own keep
// whatever the last row (or the previous section) left on the report.
static void threshold_summary(const peak_record& r) {
  const peak_totals& t = r.totals;
  const char* unit = is_flow() ? " cms" : " mm";
  const char* what = is_flow() ? "flow" : "rain";
  out << "\n Summery Statistics:\n---------------------\n\n";
  out << "  Total number of observed peak flows above " << r.threshold << " --> " << t.total_opeak
      << "\n";
  out << "  Total number of matched simulated peak flows -----> " << t.total_speak << "\n";
  if (t.total_speak == 0) return;
  if (t.total_speak == 1) {
    out << "\n  Time difference -------> " << std::setw(7) << t.time_diff << " hr(s)\n";
    out << "  Peak " << what << " difference --> " << std::setw(7) << t.peak_diff << unit
        << "\n\n";
    return;
  }
  out << "\n  Mean value of peak " << what << " time difference ----------> " << std::setw(7)
      << r.mean_time << " hr(s)\n";
  out << "  Mean value of peak " << what << " difference ---------------> " << std::setw(7)
      << r.mean_peak << unit << "\n";
  out << "  Standard deviation of peak " << what << " time difference --> " << std::setw(7)
      << r.sd_time << " hr(s)\n";
  out << "  Standard deviation of peak " << what << " difference -------> " << std::setw(7)
      << r.sd_peak << unit << "\n\n";
}

void write_peaks(const peak_record& r) {
  divide();
  threshold_title(r);
  threshold_headings(r.threshold, r.window);
  int written = 0;
  for (const peak_row& p : r.peaks) write_peak_row(p, ++written);
  threshold_summary(r);
}

// Selection H: threshold and window, checked, then the section.
void flow_threshold() {
  double thresh = read_double("the threshold of selection H");
  int window = read_int("the window (hours) of selection H");
  if (window / time_step > LINES)
    stop("given window is larger then time span of data\nplease correct control file\n");

  peak_record r = peaks_over_threshold(thresh, whole_steps(window));
  r.window_read = window;
  write_peaks(r);
  add_selection(std::move(r));
}

} // namespace twinser
