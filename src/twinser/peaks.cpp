// Peaks over threshold (selection H) and accumulated depth over runs of
// calendar months (selection I).
#include "twinser.h"

namespace twinser {

void flow_threshold() {}
void find_peak(int&, int, int, double, double&, double*) {}
void accumulated_flow() {}

} // namespace twinser
