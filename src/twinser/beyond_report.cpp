// The measures beyond the report, computed together from the series store
// once the fixed sections are done, for a rendering that shows them.
#include "twinser.h"

namespace twinser {

beyond_record measures_beyond_report() {
  beyond_record b;
  b.computed = true;
  const bool temperature = itemp == 1;
  b.duration_curve = duration_curve(Qobs, Qsim, LINES, temperature);
  b.low_flow = low_flows(Qobs, Qsim, LINES, temperature);
  b.benchmark = seasonal_benchmark(Qobs, Qsim, LINES, time_step, month_begin, year_begin, temperature);
  if (ctx.options.bootstrap_wanted) {
    const int months = (year_end - year_begin) * 12 + month_end - month_begin + 1;
    b.uncertainty = block_bootstrap(whole_year_sums(Qobs, Qsim, month, year, LINES, month_begin,
                                                    year_begin, months / 12, temperature),
                                    BOOTSTRAP_RESAMPLES, BOOTSTRAP_SEED);
  } else {
    b.uncertainty.reason = "left out (--no-bootstrap)";
  }
  return b;
}

} // namespace twinser
