#include "autopilot/attitude_law.h"

#include "autopilot/rate_estimate.h"
#include "common/control_math.h"

namespace {
constexpr double rate_units_per_degree_per_second = 10000.0;  // the attitude rate estimate's unit
constexpr double opposing_the_error = -1.0;
}  // namespace

void attitude_law(const attitude_law_terms& law, const attitude_inputs& now, const cycle_timing& timing,
                  const attitude_loop& loop)
{
    loop.angle = now.angle;
    loop.rate = rate_estimate(now.angle, loop.angle_prev, rate_units_per_degree_per_second, loop.rate, timing);
    loop.angle_prev = now.angle;

    loop.error = (now.angle - now.reference) + law.trim_sign * now.trim;
    loop.integrator = integrate(law.gains, loop.integrator, loop.error, now.integrator_gate, now.engaged,
                                law.limits.integrator);

    const double command =
        pi_rate_law(law.gains, loop.integrator, loop.error, loop.rate * law.rate_factor, opposing_the_error);
    loop.command = times_switch(now.engaged, command) + times_switch(1 - now.engaged, now.joy_reference);
    loop.command = clamp_strict(loop.command, -law.limits.command, law.limits.command);
}
