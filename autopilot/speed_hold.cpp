// Speed hold: the outer loop that sets the pitch reference the pitch channel holds in the next
// cycle.
#include "autopilot/channel_steps.h"
#include "autopilot/pi_rate_law.h"
#include "common/control_math.h"
#include "autopilot/rate_estimate.h"

namespace {
constexpr double rate_units_per_kmh_per_second = 1000000.0;  // the speed-change estimate's unit
constexpr double rate_step_limit = 30.0;
constexpr double speed_error_limit = 10.0;          // km/h
constexpr double ten_thousandths = 0.0001;          // speed_ki: ten-thousandths per km/h of error per cycle
constexpr double tenths = 0.1;                      // speed_kd: tenths per unit of the speed-change estimate
constexpr double pitch_reference_per_law_unit = 0.02;  // degrees of pitch reference per unit of the law
constexpr double opposing_the_error = -1.0;
constexpr double pitch_per_stick_unit = 0.001;      // degrees of pitch reference per axis unit
}  // namespace

void speed_step(const channel_inputs& in, speed_hold_state& speed, pitch_channel_state& pitch)
{
    speed.speed_rate = limited_rate_estimate(in.samples.airspeed_kmh, speed.airspeed_prev, rate_units_per_kmh_per_second, rate_step_limit,
                                          speed.speed_rate_last, in.timing);
    speed.airspeed_prev = in.samples.airspeed_kmh;
    speed.speed_rate_last = speed.speed_rate;

    speed.speed_error = clamp_strict(in.samples.airspeed_kmh - speed.speed_reference, -speed_error_limit, speed_error_limit);

    const int32_t holding = in.modes.speed_hold_active * in.modes.ap_master_on;
    const int32_t gate = integrators_may_run(in.modes, in.samples) * holding;
    const pi_gains gains{in.settings.speed_kp, in.settings.speed_ki, in.settings.speed_kd, ten_thousandths, tenths};
    speed.speed_integrator = integrate_unlimited(gains, speed.speed_integrator, speed.speed_error, gate, holding);

    // Degrees of pitch reference: too fast gives a nose-up (negative) correction.
    const double law =
        pi_rate_law(gains, speed.speed_integrator, speed.speed_error, speed.speed_rate, opposing_the_error);
    speed.speed_command = times_switch(holding, law) * pitch_reference_per_law_unit;

    if (holding == 1) pitch.pitch_reference = speed.speed_command + pitch.pitch_reference_base;
    if (in.modes.speed_hold_active == 0 && in.modes.ap_master_on == 1)
        pitch.pitch_reference = in.pilot.pitch_joy_reference * pitch_per_stick_unit + speed.speed_command + pitch.pitch_reference_base;
}
