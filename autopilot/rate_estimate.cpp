#include "autopilot/rate_estimate.h"

#include <cstdint>

#include "state/autopilot_state.h"

double rate_estimate(double sample, double previous_sample, double scale, double previous_estimate,
                     const cycle_timing& timing)
{
    // The interval is taken modulo 2^64 so that a counter that jumps cannot overflow.
    const int64_t interval = static_cast<int64_t>(static_cast<uint64_t>(timing.counter_now) -
                                                  static_cast<uint64_t>(timing.counter_prev));
    if (interval <= 0) return previous_estimate;
    const double ticks = static_cast<double>(interval);
    const double frequency = static_cast<double>(timing.counter_frequency);
    return ((sample - previous_sample) * scale) / ticks * frequency;
}

double limited_rate_estimate(double sample, double previous_sample, double scale, double step_limit,
                             double previous_estimate, const cycle_timing& timing)
{
    double rate = rate_estimate(sample, previous_sample, scale, previous_estimate, timing);
    if (rate - previous_estimate > step_limit) rate = step_limit;
    if (rate - previous_estimate < -step_limit) rate = -step_limit;
    return rate;
}
