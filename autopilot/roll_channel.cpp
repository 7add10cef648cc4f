// Roll channel: holds the bank angle at the bank reference with the roll axis.
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "autopilot/pi_rate_law.h"
#include "autopilot/rate_estimate.h"
#include "state/host_variables.h"
#include "common/control_math.h"
#include "module/host_calls.h"

namespace {
constexpr double rate_units_per_degree_per_second = 10000.0;  // the roll rate estimate's unit
constexpr double integrator_limit = 10.0;                     // degrees
constexpr double opposing_the_error = -1.0;
}  // namespace

int32_t roll_engaged(const autopilot_modes& modes)
{
    return modes.ap_master_on * modes.roll_channel_on;
}

void roll_law(const channel_inputs& in, double bank_sample, roll_channel_state& roll)
{
    // Bank sample in degrees, positive left wing down; above 180 it wraps once.
    roll.bank_angle = bank_sample > 180.0 ? bank_sample - 360.0 : bank_sample;

    roll.roll_rate =
        rate_estimate(roll.bank_angle, roll.bank_angle_prev, rate_units_per_degree_per_second, roll.roll_rate, in.timing);
    roll.bank_angle_prev = roll.bank_angle;

    // The roll trim is subtracted.
    roll.roll_error = (roll.bank_angle - roll.bank_reference) - in.pilot.roll_trim;

    const int32_t engaged = roll_engaged(in.modes);
    const int32_t gate = integrators_may_run(in.modes, in.samples) * engaged;
    roll.roll_integrator =
        integrate(roll.roll_integrator, roll.roll_error, gate, engaged, in.settings.kren_ki, thousandths, integrator_limit);

    // Engaged: the law, opposite in sign to the error. Disengaged: the pilot's stick.
    const double law = pi_rate_law(roll.roll_integrator, roll.roll_error, roll.roll_rate * in.samples.roll_rate_factor,
                                   in.settings.kren_kp, in.settings.kren_kd, thousandths, opposing_the_error);
    roll.roll_command = times_switch(engaged, law) + times_switch(1 - engaged, in.pilot.roll_joy_reference);
    roll.roll_command = clamp_strict(roll.roll_command, -in.settings.roll_output_limit, in.settings.roll_output_limit);
}

void roll_step(const channel_inputs& in, roll_channel_state& roll)
{
    roll_law(in, host_sample(var_bank), roll);
    send_channel_command(in.joysticks, KEY_AXIS_ROLL_SET, in.settings.ap_kren_kanal, roll_engaged(in.modes),
                         roll.roll_command);
}
