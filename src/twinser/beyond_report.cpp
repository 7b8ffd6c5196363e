// The measures beyond the report, computed together from the series store
// beside the fixed sections, for a rendering that shows them.
#include "twinser.h"

namespace twinser {

// In three parts on three threads, so that near the end, when the sections
// are done, more than one is left to keep both cores busy: the duration
// curves on this one, the low flows and the seasonal benchmark with the
// bootstrap beside them. The two threads started here inherit this one's
// priority; each part writes only the parts of `b` it computes.
beyond_record measures_beyond_report() {
  beyond_record b;
  b.computed = true;
  const bool temperature = itemp == 1;
  std::future<void> low =
      start_beside([&b, temperature] { b.low_flow = low_flows(Qobs, Qsim, LINES, temperature); });
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
  b.duration_curve = duration_curve(Qobs, Qsim, LINES, temperature);
  low.get();
  seasons.get();
  return b;
}

} // namespace twinser
