// Roll channel: holds the bank angle at the bank reference with the roll axis; with the master
// on, the roll stick sets the bank reference for the next cycle.
#include <cstdlib>

#include "autopilot/attitude_law.h"
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "module/host_calls.h"
#include "state/host_variables.h"

namespace {
constexpr double integrator_limit = 10.0;  // degrees
constexpr double subtracting_the_trim = -1.0;
constexpr double bank_per_stick_squared = 1.220703125e-7;  // nearest double to 1/8,192,000
}  // namespace

int32_t roll_engaged(const autopilot_modes& modes)
{
    return modes.ap_master_on * modes.roll_channel_on;
}

void roll_law(const channel_inputs& in, double bank_sample, roll_channel_state& roll)
{
    const attitude_law_terms law{
        .gains = {in.settings.kren_kp, in.settings.kren_ki, in.settings.kren_kd, thousandths, thousandths},
        .limits = {integrator_limit, in.settings.roll_output_limit},
        .trim_sign = subtracting_the_trim,
        .rate_factor = in.samples.roll_rate_factor,
    };
    const int32_t engaged = roll_engaged(in.modes);
    const attitude_inputs now{
        // Bank sample in degrees, positive left wing down; above 180 it wraps once.
        .angle = bank_sample > 180.0 ? bank_sample - 360.0 : bank_sample,
        .reference = roll.bank_reference,
        .trim = in.pilot.roll_trim,
        .joy_reference = in.pilot.roll_joy_reference,
        .engaged = engaged,
        .integrator_gate = integrators_may_run(in.modes, in.samples) * engaged,
    };
    attitude_law(law, now, in.timing,
                 {roll.bank_angle, roll.bank_angle_prev, roll.roll_rate, roll.roll_error, roll.roll_integrator,
                  roll.roll_command});
}

void roll_step(const channel_inputs& in, roll_channel_state& roll)
{
    roll_law(in, host_sample(var_bank), roll);
    send_channel_command(in.joysticks, KEY_AXIS_ROLL_SET, in.settings.ap_kren_kanal, roll_engaged(in.modes),
                         roll.roll_command);
}

void bank_reference_step(const channel_inputs& in, roll_channel_state& roll)
{
    // The roll stick's deflection squared with its sign kept: full deflection gives 32.768 degrees.
    if (in.modes.ap_master_on != 1) return;
    const int64_t stick = truncate_to_int32(in.pilot.roll_joy_reference);
    roll.bank_reference = in.pilot.roll_joy_reference * static_cast<double>(std::llabs(stick)) * bank_per_stick_squared;
}
