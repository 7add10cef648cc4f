// Pitch channel: holds the pitch attitude at the pitch reference with the pitch axis, the roll
// channel's law with its own trim sign, limits and gains.
#include "autopilot/attitude_law.h"
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "module/host_calls.h"
#include "state/host_variables.h"

namespace {
constexpr double integrator_limit = 25.0;  // degrees
constexpr double adding_the_trim = 1.0;
}  // namespace

int32_t pitch_engaged(const autopilot_modes& modes)
{
    return modes.pitch_channel_on * modes.ap_master_on;
}

void pitch_law(const channel_inputs& in, double pitch_sample, pitch_channel_state& pitch)
{
    const attitude_law_terms law{
        .gains = {in.settings.tang_kp, in.settings.tang_ki, in.settings.tang_kd, thousandths, thousandths},
        .limits = {integrator_limit, in.settings.pitch_output_limit},
        .trim_sign = adding_the_trim,
        .rate_factor = in.samples.pitch_rate_factor,
    };
    const int32_t engaged = pitch_engaged(in.modes);
    const attitude_inputs now{
        .angle = pitch_sample,  // degrees, positive nose down, used as it comes
        .reference = pitch.pitch_reference,
        .trim = in.pilot.pitch_trim,
        .joy_reference = in.pilot.pitch_joy_reference,
        .engaged = engaged,
        .integrator_gate = integrators_may_run(in.modes, in.samples) * engaged,
    };
    attitude_law(law, now, in.timing,
                 {pitch.pitch_angle, pitch.pitch_angle_prev, pitch.pitch_rate, pitch.pitch_error, pitch.pitch_integrator,
                  pitch.pitch_command});
}

void pitch_step(const channel_inputs& in, pitch_channel_state& pitch)
{
    pitch_law(in, host_sample(var_pitch), pitch);
    send_channel_command(in.joysticks, KEY_AXIS_PITCH_SET, in.settings.ap_tang_kanal, pitch_engaged(in.modes),
                         pitch.pitch_command);
}
