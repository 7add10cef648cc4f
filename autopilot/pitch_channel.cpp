// Pitch channel: holds the pitch attitude at the pitch reference with the pitch axis.
#include "autopilot/state/autopilot_state.h"
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "autopilot/state/host_variables.h"
#include "autopilot/rate_estimate.h"
#include "module/host_calls.h"

namespace {
constexpr double rate_scale = 10000.0;
constexpr double integrator_limit = 25.0;  // degrees
}  // namespace

void pitch_step()
{
    // Pitch sample in degrees, positive nose down, used as it comes.
    const double pitch_sample = host_sample(var_pitch);
    ap.pitch.pitch_angle = pitch_sample;

    ap.pitch.pitch_rate = rate_estimate(pitch_sample, ap.pitch.pitch_angle_prev, rate_scale, ap.pitch.pitch_rate);
    ap.pitch.pitch_angle_prev = pitch_sample;

    // The pitch trim is added, where the roll channel subtracts its trim.
    ap.pitch.pitch_error = (pitch_sample - ap.pitch.pitch_reference) + ap.pilot.pitch_trim;

    const int32_t engaged = ap.modes.pitch_channel_on * ap.modes.ap_master_on;
    const int32_t gate = factor_of(ap.samples.on_ground == 0) * ap.modes.sim_running * ap.modes.pitch_channel_on * ap.modes.ap_master_on;
    double integrator = ap.pitch.pitch_integrator + times_switch(gate, ap.pitch.pitch_error) * ap.settings.tang_ki * 0.001;
    integrator = clamp_strict(integrator, -integrator_limit, integrator_limit);
    ap.pitch.pitch_integrator = times_switch(engaged, integrator);

    const double law = -(ap.pitch.pitch_integrator + ap.pitch.pitch_error) * ap.settings.tang_kp -
                       ap.pitch.pitch_rate * ap.samples.pitch_rate_factor * ap.settings.tang_kd * 0.001;
    ap.pitch.pitch_command = times_switch(engaged, law) + times_switch(1 - engaged, ap.pilot.pitch_joy_reference);
    ap.pitch.pitch_command = clamp_strict(ap.pitch.pitch_command, -ap.settings.pitch_output_limit, ap.settings.pitch_output_limit);

    send_channel_command(KEY_AXIS_PITCH_SET, ap.settings.ap_tang_kanal, engaged, ap.pitch.pitch_command);
}
