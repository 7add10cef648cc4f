// The law the roll, pitch and heading channels and the speed hold share, and the collective's
// integrator: an integral of the error that runs only while its gate is open (in the air, the
// simulation running, the channel engaged), held within a limit and cleared while the channel is
// not engaged; and a proportional-integral term with rate damping. Inline, so that each channel
// compiles to what it was when it wrote the law out.
#pragma once

#include <cstdint>

#include "common/control_math.h"
#include "state/autopilot_state.h"

// The configuration file's integral and damping gains are in thousandths: ki in thousandths of a
// unit of integral per unit of error per cycle, kd in thousandths of an axis unit per unit of rate.
inline constexpr double thousandths = 0.001;

// One law's gains as the configuration file gives them, with the unit each of ki and kd is
// given in (thousandths, ten-thousandths, whole).
struct pi_gains {
    double kp = 0.0;
    double ki = 0.0;
    double kd = 0.0;
    double ki_unit = 1.0;
    double kd_unit = 1.0;
};

// One law's limits: the integrator's (in the error's unit) and the command's (axis units).
struct law_limits {
    double integrator = 0.0;
    double command = 0.0;
};

// 1 while the integrators may run: in the air, the simulation running.
inline int32_t integrators_may_run(const autopilot_modes& modes, const host_samples& samples)
{
    return factor_of(samples.on_ground == 0) * modes.sim_running;
}

// The integral of the error after this cycle: error · ki · ki_unit added while the gate is open,
// held strictly within ±limit, cleared to 0 while the channel is not engaged.
inline double integrate(const pi_gains& gains, double integrator, double error, int32_t gate, int32_t engaged,
                        double limit)
{
    const double next = integrator + times_switch(gate, error) * gains.ki * gains.ki_unit;
    return times_switch(engaged, clamp_strict(next, -limit, limit));
}

// The same without a limit (the speed hold, the collective).
inline double integrate_unlimited(const pi_gains& gains, double integrator, double error, int32_t gate,
                                  int32_t engaged)
{
    return times_switch(engaged, integrator + times_switch(gate, error) * gains.ki * gains.ki_unit);
}

// direction · ((integrator + error) · kp + rate · kd · kd_unit): direction −1 opposes the error
// (the attitude channels and the speed hold), +1 follows it (the pedals, whose error is measured
// the other way round).
inline double pi_rate_law(const pi_gains& gains, double integrator, double error, double rate, double direction)
{
    return direction * ((integrator + error) * gains.kp + rate * gains.kd * gains.kd_unit);
}
