// The measures beyond the report, computed together from the series store
// beside the fixed sections, for a rendering that shows them.
#include "twinser.h"

#include <algorithm>

namespace twinser {

// In two parts on two threads: the low flows and then the duration curves on
// this one, the seasonal benchmark and the bootstrap beside them. The first
// two share one buffer, the low flows' logarithms (two a line) and then the
// curves' values (one a line): on the machines the tool runs on, fresh pages
// can cost as much to clear as the measures cost to compute. The thread
// started here inherits this one's priority; each part writes only the parts
// of `b` it computes.
beyond_record measures_beyond_report() {
  beyond_record b;
  b.computed = true;
  const bool temperature = itemp == 1;
  std::future<void> seasons = start_beside([&b, temperature] {
    b.benchmark = seasonal_benchmark(Qobs, Qsim, LINES, time_step, month_begin, year_begin, temperature);
    if (ctx.options.bootstrap_wanted) {
      const int months = (year_end - year_begin) * 12 + month_end - month_begin + 1;
      b.uncertainty = block_bootstrap(whole_year_sums(Qobs, Qsim, month, year, LINES, month_begin,
                                                      year_begin, months / 12, temperature),
                                      BOOTSTRAP_RESAMPLES, BOOTSTRAP_SEED);
    } else {
      b.uncertainty.reason = "left out (--no-bootstrap)";
    }
  });
  const std::size_t lines = static_cast<std::size_t>(LINES > 0 ? LINES : 0);
  const scratch_array<double> shared = scratch<double>(std::max(2 * lines, lines + 1));
  b.low_flow = low_flows(Qobs, Qsim, LINES, temperature, shared.get());
  b.duration_curve = duration_curve(Qobs, Qsim, LINES, temperature, shared.get());
  seasons.get();
  return b;
}

} // namespace twinser
