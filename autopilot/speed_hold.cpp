// Speed hold and bank reference: the outer loops that set the pitch and bank references the
// roll and pitch channels hold in the next cycle.
#include <cstdlib>

#include "autopilot/state/autopilot_state.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "autopilot/rate_estimate.h"

namespace {
constexpr double rate_scale = 1000000.0;
constexpr double rate_step_limit = 30.0;
constexpr double speed_error_limit = 10.0;          // km/h
constexpr double pitch_per_stick_unit = 0.001;      // degrees of pitch reference per axis unit
constexpr double bank_per_stick_squared = 1.220703125e-7;  // nearest double to 1/8,192,000
}  // namespace

void speed_step()
{
    ap.speed.speed_rate = limited_rate_estimate(ap.samples.airspeed_kmh, ap.speed.airspeed_prev, rate_scale, rate_step_limit,
                                          ap.speed.speed_rate_last);
    ap.speed.airspeed_prev = ap.samples.airspeed_kmh;
    ap.speed.speed_rate_last = ap.speed.speed_rate;

    ap.speed.speed_error = clamp_strict(ap.samples.airspeed_kmh - ap.speed.speed_reference, -speed_error_limit, speed_error_limit);

    const int32_t holding = ap.modes.speed_hold_active * ap.modes.ap_master_on;
    const int32_t gate = factor_of(ap.samples.on_ground == 0) * ap.modes.sim_running * ap.modes.speed_hold_active * ap.modes.ap_master_on;
    ap.speed.speed_integrator =
        times_switch(holding, ap.speed.speed_integrator + times_switch(gate, ap.speed.speed_error) * ap.settings.speed_ki * 0.0001);

    // Degrees of pitch reference: too fast gives a nose-up (negative) correction.
    const double law = -((ap.speed.speed_integrator + ap.speed.speed_error) * ap.settings.speed_kp) - ap.speed.speed_rate * ap.settings.speed_kd * 0.1;
    ap.speed.speed_command = times_switch(holding, law) * 0.02;

    if (holding == 1) ap.pitch.pitch_reference = ap.speed.speed_command + ap.pitch.pitch_reference_base;
    if (ap.modes.speed_hold_active == 0 && ap.modes.ap_master_on == 1)
        ap.pitch.pitch_reference = ap.pilot.pitch_joy_reference * pitch_per_stick_unit + ap.speed.speed_command + ap.pitch.pitch_reference_base;
}

void bank_reference_step()
{
    // The roll stick's deflection squared with its sign kept: full deflection gives 32.768 degrees.
    if (ap.modes.ap_master_on != 1) return;
    const int64_t stick = truncate_to_int32(ap.pilot.roll_joy_reference);
    ap.roll.bank_reference = ap.pilot.roll_joy_reference * static_cast<double>(std::llabs(stick)) * bank_per_stick_squared;
}
