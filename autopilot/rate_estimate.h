// The rate estimate every channel uses: a difference of two samples over the measured
// counter interval, scaled by K, optionally limited in how far it may step per cycle.
#pragma once

#include "state/autopilot_state.h"

// ((sample − previous_sample) × scale) / ticks × frequency. With a counter that has not
// advanced, the previous estimate is kept rather than dividing by zero.
double rate_estimate(double sample, double previous_sample, double scale, double previous_estimate,
                     const cycle_timing& timing);

// The same, then limited against the previous estimate: a step up by more than step_limit
// becomes +step_limit itself, a step down by more than step_limit becomes −step_limit.
double limited_rate_estimate(double sample, double previous_sample, double scale, double step_limit,
                             double previous_estimate, const cycle_timing& timing);
