// Collective and height channel: height error to commanded climb, climb error to a collective
// command around a captured base; the base-stepping rule walks the base into its band while
// the channel is not engaged.
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "autopilot/pi_rate_law.h"
#include "common/control_math.h"
#include "state/host_variables.h"
#include "autopilot/rate_estimate.h"
#include "module/host_calls.h"

namespace {
constexpr double vertical_speed_scale = 0.00390625;  // token 65 is in 1/256 units
constexpr double rate_units_per_mps_per_second = 1000000.0;  // the vertical acceleration estimate's unit
constexpr double climb_error_per_metre_per_second = 100.0;
constexpr double rate_step_limit = 150.0;
constexpr double climb_gain_source_a = 0.15;       // climb per unit of height error
constexpr double climb_gain_source_b_extra = 0.2;  // added with source 1: 0.35 in all
constexpr double climb_down_limit = -5.0;
constexpr double climb_up_limit = 10.0;
constexpr double command_gate_max = 16000.0;  // axis units
constexpr double command_gate_min = 100.0;    // axis units
constexpr double base_band_floor = 90.0;      // axis units
constexpr double base_step = 163.0;           // axis units
constexpr double whole_units = 1.0;           // vys_kd acts on the rate estimate as it stands
}  // namespace

int32_t collective_engaged(const autopilot_modes& modes)
{
    return modes.height_channel_on * modes.ap_master_on;
}

void collective_law(const channel_inputs& in, double height_a_sample, double height_b_sample, double vertical_speed_sample,
                    collective_channel_state& collective)
{
    collective.height_a = height_a_sample;
    collective.height_b = height_b_sample;
    if (in.modes.height_source_select == 0) collective.height_selected = collective.height_a;
    if (in.modes.height_source_select == 1) collective.height_selected = collective.height_b;

    collective.vertical_speed = vertical_speed_sample * vertical_speed_scale;
    collective.collective_rate = limited_rate_estimate(collective.vertical_speed, collective.collective_rate_prev_sample, rate_units_per_mps_per_second,
                                               rate_step_limit, collective.collective_rate_last, in.timing);
    collective.collective_rate_prev_sample = collective.vertical_speed;
    collective.collective_rate_last = collective.collective_rate;

    const double climb_gain = in.modes.height_source_select * climb_gain_source_b_extra + climb_gain_source_a;
    collective.climb_command = climb_gain * (collective.height_reference - collective.height_selected);
    collective.climb_command = clamp_strict(collective.climb_command, climb_down_limit, climb_up_limit);
    collective.climb_error = (collective.vertical_speed - collective.climb_command) * climb_error_per_metre_per_second;

    // The integrator stops after a cycle whose command left the band 100 to 16000.
    const int32_t engaged = collective_engaged(in.modes);
    const int32_t command_in_band = collective.collective_above_min * collective.collective_below_max;
    collective.collective_below_max = 0;
    const int32_t gate = command_in_band * in.modes.sim_running * engaged;
    const pi_gains gains{in.settings.vys_kp, in.settings.vys_ki, in.settings.vys_kd, thousandths, whole_units};
    collective.height_integrator = integrate_unlimited(gains, collective.height_integrator, collective.climb_error, gate, engaged);

    // No limit on the command: it works around the base, or passes the lever through.
    const double law = collective.collective_base - (collective.height_integrator + collective.climb_error) * gains.kp -
                       collective.collective_rate * gains.kd;
    collective.collective_command = times_switch(engaged, law) +
                            times_switch(factor_of(engaged == 0), collective.collective_base + in.pilot.collective_joy_reference);

    if (!(collective.collective_command > command_gate_max)) collective.collective_below_max = 1;
    collective.collective_above_min = factor_of(collective.collective_command >= command_gate_min);
}

void collective_step(const channel_inputs& in, collective_channel_state& collective)
{
    const double height_a_sample = host_sample(var_height_a);
    const double height_b_sample = host_sample(var_height_b);
    const double vertical_speed_sample = host_sample(var_vertical_speed);
    collective_law(in, height_a_sample, height_b_sample, vertical_speed_sample, collective);
    send_channel_command(in.joysticks, KEY_AXIS_COLLECTIVE_SET, in.settings.ap_schag_kanal, collective_engaged(in.modes),
                         collective.collective_command);
}

void collective_base_step(const autopilot_modes& modes, double tick18_sample, collective_channel_state& collective)
{
    // Acts once every two ticks of the 18 Hz counter, alternating an arming pass and a step.
    const int32_t tick = truncate_to_int32(tick18_sample);
    const uint32_t phase = static_cast<uint32_t>(tick) + static_cast<uint32_t>(collective.tick_parity_offset);
    if (phase % 2 != 0) return;

    if (collective.tick_parity_armed == 1) {
        collective.tick_parity_armed = 0;
        collective.tick_parity_offset = 1;
        if (modes.height_channel_on * modes.ap_master_on == 0) {
            // A base from 90 up to 253 stays; below it rises by 163, from 253 it falls by 163.
            if (collective.collective_base > base_band_floor) collective.collective_base -= base_step;
            if (collective.collective_base < base_band_floor) collective.collective_base += base_step;
        }
    } else {
        collective.tick_parity_armed = 1;
        collective.tick_parity_offset = 0;
    }
}
