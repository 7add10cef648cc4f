// Roll channel: holds the bank angle at the bank reference with the roll axis.
#include "autopilot/state/autopilot_state.h"
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "autopilot/state/host_variables.h"
#include "autopilot/rate_estimate.h"
#include "module/host_calls.h"

namespace {
constexpr double rate_scale = 10000.0;
constexpr double integrator_limit = 10.0;  // degrees
}  // namespace

void roll_step()
{
    // Bank sample in degrees, positive left wing down; above 180 it wraps once.
    const double bank_sample = host_sample(var_bank);
    ap.roll.bank_angle = bank_sample > 180.0 ? bank_sample - 360.0 : bank_sample;

    ap.roll.roll_rate = rate_estimate(ap.roll.bank_angle, ap.roll.bank_angle_prev, rate_scale, ap.roll.roll_rate);
    ap.roll.bank_angle_prev = ap.roll.bank_angle;

    // The roll trim is subtracted.
    ap.roll.roll_error = (ap.roll.bank_angle - ap.roll.bank_reference) - ap.pilot.roll_trim;

    const int32_t engaged = ap.modes.ap_master_on * ap.modes.roll_channel_on;
    const int32_t gate = factor_of(ap.samples.on_ground == 0) * ap.modes.sim_running * ap.modes.ap_master_on * ap.modes.roll_channel_on;
    double integrator = ap.roll.roll_integrator + times_switch(gate, ap.roll.roll_error) * ap.settings.kren_ki * 0.001;
    integrator = clamp_strict(integrator, -integrator_limit, integrator_limit);
    ap.roll.roll_integrator = times_switch(engaged, integrator);

    // Engaged: a PI law on the error with rate damping, opposite in sign to the error.
    // Disengaged: the pilot's stick.
    const double law = -(ap.roll.roll_integrator + ap.roll.roll_error) * ap.settings.kren_kp -
                       ap.roll.roll_rate * ap.samples.roll_rate_factor * ap.settings.kren_kd * 0.001;
    ap.roll.roll_command = times_switch(engaged, law) + times_switch(1 - engaged, ap.pilot.roll_joy_reference);
    ap.roll.roll_command = clamp_strict(ap.roll.roll_command, -ap.settings.roll_output_limit, ap.settings.roll_output_limit);

    send_channel_command(KEY_AXIS_ROLL_SET, ap.settings.ap_kren_kanal, engaged, ap.roll.roll_command);
}
