// Pitch channel: holds the pitch attitude at the pitch reference with the pitch axis, the roll
// channel's law with its own trim sign, limit and gains.
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "autopilot/pi_rate_law.h"
#include "autopilot/rate_estimate.h"
#include "state/host_variables.h"
#include "common/control_math.h"
#include "module/host_calls.h"

namespace {
constexpr double rate_units_per_degree_per_second = 10000.0;  // the pitch rate estimate's unit
constexpr double integrator_limit = 25.0;                     // degrees
constexpr double opposing_the_error = -1.0;
}  // namespace

int32_t pitch_engaged(const autopilot_modes& modes)
{
    return modes.pitch_channel_on * modes.ap_master_on;
}

void pitch_law(const channel_inputs& in, double pitch_sample, pitch_channel_state& pitch)
{
    // Pitch sample in degrees, positive nose down, used as it comes.
    pitch.pitch_angle = pitch_sample;

    pitch.pitch_rate =
        rate_estimate(pitch_sample, pitch.pitch_angle_prev, rate_units_per_degree_per_second, pitch.pitch_rate, in.timing);
    pitch.pitch_angle_prev = pitch_sample;

    // The pitch trim is added, where the roll channel subtracts its trim.
    pitch.pitch_error = (pitch_sample - pitch.pitch_reference) + in.pilot.pitch_trim;

    const int32_t engaged = pitch_engaged(in.modes);
    const int32_t gate = integrators_may_run(in.modes, in.samples) * engaged;
    pitch.pitch_integrator =
        integrate(pitch.pitch_integrator, pitch.pitch_error, gate, engaged, in.settings.tang_ki, thousandths, integrator_limit);

    const double law = pi_rate_law(pitch.pitch_integrator, pitch.pitch_error, pitch.pitch_rate * in.samples.pitch_rate_factor,
                                   in.settings.tang_kp, in.settings.tang_kd, thousandths, opposing_the_error);
    pitch.pitch_command = times_switch(engaged, law) + times_switch(1 - engaged, in.pilot.pitch_joy_reference);
    pitch.pitch_command = clamp_strict(pitch.pitch_command, -in.settings.pitch_output_limit, in.settings.pitch_output_limit);
}

void pitch_step(const channel_inputs& in, pitch_channel_state& pitch)
{
    pitch_law(in, host_sample(var_pitch), pitch);
    send_channel_command(in.joysticks, KEY_AXIS_PITCH_SET, in.settings.ap_tang_kanal, pitch_engaged(in.modes),
                         pitch.pitch_command);
}
