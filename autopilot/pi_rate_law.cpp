#include "autopilot/pi_rate_law.h"

#include "common/control_math.h"

int32_t integrators_may_run(const autopilot_modes& modes, const host_samples& samples)
{
    return factor_of(samples.on_ground == 0) * modes.sim_running;
}

double integrate(double integrator, double error, int32_t gate, int32_t engaged, double ki, double ki_unit, double limit)
{
    const double next = integrator + times_switch(gate, error) * ki * ki_unit;
    return times_switch(engaged, clamp_strict(next, -limit, limit));
}

double integrate_unlimited(double integrator, double error, int32_t gate, int32_t engaged, double ki, double ki_unit)
{
    return times_switch(engaged, integrator + times_switch(gate, error) * ki * ki_unit);
}

double pi_rate_law(double integrator, double error, double rate, double kp, double kd, double kd_unit, double direction)
{
    return direction * ((integrator + error) * kp + rate * kd * kd_unit);
}
