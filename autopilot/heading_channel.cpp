// Heading channel: heading hold, yaw damping or pass-through on the pedal axis, and the step
// that decides at the end of each cycle whether heading hold is in force in the next one.
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "state/host_variables.h"
#include "autopilot/mode_changes.h"
#include "autopilot/pi_rate_law.h"
#include "module/host_calls.h"

namespace {
constexpr double yaw_rate_scale = 0.1;     // token 70 to the channel's yaw rate
constexpr double error_limit = 5.0;        // degrees, for the proportional term
constexpr double integrator_limit = 15.0;  // degrees
constexpr double whole_units = 1.0;        // kurs_kd acts on the yaw rate as it stands
constexpr double following_the_error = 1.0;

// Brings an error from the span −540 to 900 into (−180, 180]; every test is strict and acts on
// the result of the one before.
double wrap_heading_error(double error)
{
    if (error > 360.0) error -= 360.0;
    if (error < 0.0) error += 360.0;
    if (error > 180.0) error -= 360.0;
    if (error < -180.0) error += 360.0;
    return error;
}
}  // namespace

void heading_law(const channel_inputs& in, double heading_sample, double yaw_rate_sample, heading_channel_state& heading)
{
    heading.heading_angle = heading_sample;
    heading.yaw_rate = yaw_rate_sample * yaw_rate_scale;

    heading.heading_error = wrap_heading_error((heading.heading_angle - heading.heading_reference) + in.pilot.heading_trim);

    // The integrator sees the whole wrapped error; the proportional term only the limited one.
    const int32_t holding = in.modes.heading_channel_active * in.modes.ap_master_on;
    const int32_t gate = integrators_may_run(in.modes, in.samples) * holding;
    const pi_gains gains{in.settings.kurs_kp, in.settings.kurs_ki, in.settings.kurs_kd, thousandths, whole_units};
    heading.heading_integrator =
        integrate(gains, heading.heading_integrator, heading.heading_error, gate, holding, integrator_limit);

    heading.heading_error = clamp_strict(heading.heading_error, -error_limit, error_limit);

    // The error is heading minus reference and the pedals push the nose towards it: the law
    // follows the error, and its damping is the yaw rate times kurs_kd, whole.
    const double hold_law =
        pi_rate_law(gains, heading.heading_integrator, heading.heading_error, heading.yaw_rate, following_the_error);
    const double damping = in.settings.yaw_damper_factor * heading.yaw_rate * gains.kd;
    const int32_t damping_only = factor_of(in.modes.heading_channel_active == 0) * in.modes.ap_master_on;
    heading.heading_command = times_switch(holding, hold_law) + times_switch(damping_only, damping) +
                         times_switch(factor_of(holding == 0), in.pilot.pedal_joy_reference);
    heading.heading_command =
        clamp_strict(heading.heading_command, -in.settings.heading_output_limit, in.settings.heading_output_limit);
}

void heading_step(const channel_inputs& in, heading_channel_state& heading)
{
    const double heading_sample = host_sample(var_heading);
    const double yaw_rate_sample = host_sample(var_yaw_rate);
    heading_law(in, heading_sample, yaw_rate_sample, heading);
    // With the master on the channel flies: heading hold, or yaw damping around the pedals.
    send_channel_command(in.joysticks, KEY_AXIS_HEADING_SET, in.settings.ap_kurs_kanal, in.modes.ap_master_on,
                         heading.heading_command);
}

void heading_activation_step(autopilot_state& s)
{
    s.modes.heading_channel_active = s.modes.heading_disengage_request == 0 ? s.modes.heading_channel_on : 0;
    // On the edge from 0 to 1 the heading of this cycle becomes the one to hold.
    if (s.modes.heading_channel_active > s.modes.heading_channel_active_prev) heading_hold_engage(s);
    s.modes.heading_channel_active_prev = s.modes.heading_channel_active;
}
