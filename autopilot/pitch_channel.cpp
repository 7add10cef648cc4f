// Pitch channel: holds the pitch attitude at the pitch reference with the pitch axis.
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

void pitch_step(const channel_inputs& in, pitch_channel_state& pitch)
{
    // Pitch sample in degrees, positive nose down, used as it comes.
    const double pitch_sample = host_sample(var_pitch);
    pitch.pitch_angle = pitch_sample;

    pitch.pitch_rate = rate_estimate(pitch_sample, pitch.pitch_angle_prev, rate_scale, pitch.pitch_rate, in.timing);
    pitch.pitch_angle_prev = pitch_sample;

    // The pitch trim is added, where the roll channel subtracts its trim.
    pitch.pitch_error = (pitch_sample - pitch.pitch_reference) + in.pilot.pitch_trim;

    const int32_t engaged = in.modes.pitch_channel_on * in.modes.ap_master_on;
    const int32_t gate = factor_of(in.samples.on_ground == 0) * in.modes.sim_running * in.modes.pitch_channel_on * in.modes.ap_master_on;
    double integrator = pitch.pitch_integrator + times_switch(gate, pitch.pitch_error) * in.settings.tang_ki * 0.001;
    integrator = clamp_strict(integrator, -integrator_limit, integrator_limit);
    pitch.pitch_integrator = times_switch(engaged, integrator);

    const double law = -(pitch.pitch_integrator + pitch.pitch_error) * in.settings.tang_kp -
                       pitch.pitch_rate * in.samples.pitch_rate_factor * in.settings.tang_kd * 0.001;
    pitch.pitch_command = times_switch(engaged, law) + times_switch(1 - engaged, in.pilot.pitch_joy_reference);
    pitch.pitch_command = clamp_strict(pitch.pitch_command, -in.settings.pitch_output_limit, in.settings.pitch_output_limit);

    send_channel_command(in.joysticks, KEY_AXIS_PITCH_SET, in.settings.ap_tang_kanal, engaged, pitch.pitch_command);
}
