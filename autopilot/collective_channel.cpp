// Collective and height channel: height error to commanded climb, climb error to a collective
// command around a captured base; the base-stepping rule walks the base into its band while
// the channel is not engaged.
#include "autopilot/state/autopilot_state.h"
#include "autopilot/channel_output.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "autopilot/state/host_variables.h"
#include "autopilot/rate_estimate.h"
#include "module/host_calls.h"

namespace {
constexpr double vertical_speed_scale = 0.00390625;  // token 65 is in 1/256 units
constexpr double rate_scale = 1000000.0;
constexpr double rate_step_limit = 150.0;
constexpr double climb_gain_source_a = 0.15;       // climb per unit of height error
constexpr double climb_gain_source_b_extra = 0.2;  // added with source 1: 0.35 in all
constexpr double climb_down_limit = -5.0;
constexpr double climb_up_limit = 10.0;
constexpr double command_gate_max = 16000.0;  // axis units
constexpr double command_gate_min = 100.0;    // axis units
constexpr double base_band_floor = 90.0;      // axis units
constexpr double base_step = 163.0;           // axis units
}  // namespace

void collective_step()
{
    ap.height_a = host_sample(var_height_a);
    ap.height_b = host_sample(var_height_b);
    if (ap.height_source_select == 0) ap.height_selected = ap.height_a;
    if (ap.height_source_select == 1) ap.height_selected = ap.height_b;

    ap.vertical_speed = host_sample(var_vertical_speed) * vertical_speed_scale;
    ap.collective_rate = limited_rate_estimate(ap.vertical_speed, ap.collective_rate_prev_sample, rate_scale,
                                               rate_step_limit, ap.collective_rate_last);
    ap.collective_rate_prev_sample = ap.vertical_speed;
    ap.collective_rate_last = ap.collective_rate;

    const double climb_gain = ap.height_source_select * climb_gain_source_b_extra + climb_gain_source_a;
    ap.climb_command = climb_gain * (ap.height_reference - ap.height_selected);
    ap.climb_command = clamp_strict(ap.climb_command, climb_down_limit, climb_up_limit);
    ap.climb_error = (ap.vertical_speed - ap.climb_command) * 100.0;

    // The integrator stops after a cycle whose command left the band 100 to 16000.
    const int32_t engaged = ap.height_channel_on * ap.ap_master_on;
    const int32_t command_in_band = ap.collective_above_min * ap.collective_below_max;
    ap.collective_below_max = 0;
    const int32_t gate = command_in_band * ap.sim_running * ap.height_channel_on * ap.ap_master_on;
    ap.height_integrator =
        times_switch(engaged, ap.height_integrator + times_switch(gate, ap.climb_error) * ap.vys_ki * 0.001);

    // No limit on the command: it works around the base, or passes the lever through.
    const double law =
        ap.collective_base - (ap.height_integrator + ap.climb_error) * ap.vys_kp - ap.collective_rate * ap.vys_kd;
    ap.collective_command = times_switch(engaged, law) +
                            times_switch(factor_of(engaged == 0), ap.collective_base + ap.collective_joy_reference);

    if (!(ap.collective_command > command_gate_max)) ap.collective_below_max = 1;
    ap.collective_above_min = factor_of(ap.collective_command >= command_gate_min);

    send_channel_command(KEY_AXIS_COLLECTIVE_SET, ap.ap_schag_kanal, engaged, ap.collective_command);
}

void collective_base_step()
{
    // Acts once every two ticks of the 18 Hz counter, alternating an arming pass and a step.
    const int32_t tick = truncate_to_int32(host_sample(var_tick18));
    const uint32_t phase = static_cast<uint32_t>(tick) + static_cast<uint32_t>(ap.tick_parity_offset);
    if (phase % 2 != 0) return;

    if (ap.tick_parity_armed == 1) {
        ap.tick_parity_armed = 0;
        ap.tick_parity_offset = 1;
        if (ap.height_channel_on * ap.ap_master_on == 0) {
            // A base from 90 up to 253 stays; below it rises by 163, from 253 it falls by 163.
            if (ap.collective_base > base_band_floor) ap.collective_base -= base_step;
            if (ap.collective_base < base_band_floor) ap.collective_base += base_step;
        }
    } else {
        ap.tick_parity_armed = 1;
        ap.tick_parity_offset = 0;
    }
}
