// Event analyses (selection G): statistics over user-given event windows,
// centres of mass, maxima, peak-aligned statistics and event.dat.
#include "twinser.h"

namespace twinser {

events_int* interval = nullptr;
events_flt* record_val = nullptr;
events_flt* record_val2 = nullptr;

void event() {}
void time_interval_bias(int) {}
void center_of_mass(int, int&) {}
double max_flow(int) { return 0; }
void shifted_time_interval_bias(int) {}

} // namespace twinser
