// The measures beyond the report, computed together from the series store
// beside the fixed sections, for a rendering that shows them.
#include "twinser.h"

namespace twinser {

// In two halves of about the same time on two threads: the duration curves
// and the bootstrap on this one, the low flows and the seasonal benchmark
// beside them. The sections end before these measures do, and a single
// thread would leave a core idle through the end of the run.
beyond_record measures_beyond_report() {
  beyond_record b;
  b.computed = true;
  const bool temperature = itemp == 1;
  // the second half writes only the parts of `b` it computes
  std::future<void> rest = start_beside([&b, temperature] {
    b.low_flow = low_flows(Qobs, Qsim, LINES, temperature);
    b.benchmark = seasonal_benchmark(Qobs, Qsim, LINES, time_step, month_begin, year_begin, temperature);
  });
  b.duration_curve = duration_curve(Qobs, Qsim, LINES, temperature);
  if (ctx.options.bootstrap_wanted) {
    const int months = (year_end - year_begin) * 12 + month_end - month_begin + 1;
    b.uncertainty = block_bootstrap(whole_year_sums(Qobs, Qsim, month, year, LINES, month_begin,
                                                    year_begin, months / 12, temperature),
                                    BOOTSTRAP_RESAMPLES, BOOTSTRAP_SEED);
  } else {
    b.uncertainty.reason = "left out (--no-bootstrap)";
  }
  rest.get();
  return b;
}

} // namespace twinser
