// The update cycle, run once per frame: joysticks, buttons, host samples, mode flags,
// engagement, then the channels in a fixed order, then the outer loops and the run detector.
#include "state/autopilot_state.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "state/host_variables.h"
#include "autopilot/mode_changes.h"
#include "input/joystick.h"
#include "module/host_calls.h"
#include "platform/platform.h"

namespace {
constexpr double knots_to_kmh = 1.852;
constexpr double low_speed_squared = 1600.0;  // (40 km/h)², either way
constexpr double low_speed_roll_rate_factor = 5.0;
constexpr double low_speed_pitch_rate_factor = 4.0;
constexpr uint32_t run_check_period = 20;  // TICK18 ticks between samples of token 557
constexpr int32_t run_check_sampling_offset = 10;

void read_buttons(const joystick_state& joysticks, autopilot_state& s)
{
    s.pilot.joy_button0 = joysticks.joy0_buttons & 1;
    s.pilot.joy_button1 = (joysticks.joy0_buttons >> 1) & 1;
}

void low_speed_factors(autopilot_state& s)
{
    const bool slow = s.samples.airspeed_kmh * s.samples.airspeed_kmh < low_speed_squared;
    s.samples.roll_rate_factor = slow ? low_speed_roll_rate_factor : 1.0;
    s.samples.pitch_rate_factor = slow ? low_speed_pitch_rate_factor : 1.0;
}

void sample_host_variables(autopilot_state& s)
{
    s.samples.on_ground = truncate_to_int32(host_sample(var_on_ground));
    s.samples.airspeed_kmh = host_sample(var_airspeed) * knots_to_kmh;
    low_speed_factors(s);
    s.samples.control_317 = host_sample(var_control_317);
    s.samples.control_313 = host_sample(var_control_313);
    s.samples.control_316 = host_sample(var_control_316);
    s.samples.collective_position = host_sample(var_collective_position);
}

// An option counts only when it is exactly 1. The trim modes take effect on the next cycle's
// joystick overrides.
void derive_mode_flags(autopilot_state& s)
{
    s.modes.pitch_trim_mode = factor_of(s.pilot.joy_button1 * s.settings.ap_trim_tang_on == 1);
    s.modes.heading_trim_mode = factor_of(s.pilot.joy_button1 * s.settings.ap_trim_kurs_on == 1);
    s.modes.heading_disengage_request = factor_of(factor_of(s.samples.on_ground == 0) * s.pilot.joy_button0 * s.settings.ap_kurs_otkl_on == 1);
}

// Engagement follows the master switch on the edges this cycle finds; a switch thrown on and off
// again between two cycles changes nothing.
void engagement(autopilot_state& s)
{
    if (s.modes.ap_engaged_latch == 0 && s.modes.ap_master_on == 1) engage(s);
    if (s.modes.ap_master_on == 0 && s.modes.ap_engaged_latch == 1) hand_back(s);
    if (s.modes.heading_channel_on == 0) s.pilot.heading_trim = 0.0;
}

// The speed hold engages on its own edge: with its switch on, when the master comes on, or with
// the master on, when its switch does.
void speed_hold_edge(autopilot_state& s)
{
    s.modes.speed_hold_active = s.modes.speed_hold_on * s.modes.ap_master_on;
    if (s.modes.speed_hold_active != s.modes.speed_hold_active_prev && s.modes.speed_hold_active == 1) speed_hold_engage(s);
    s.modes.speed_hold_active_prev = s.modes.speed_hold_active;
}

void read_counters(autopilot_state& s)
{
    platform_query_performance_frequency(&s.timing.counter_frequency);
    platform_query_performance_counter(&s.timing.counter_now);
}

// Watches token 557 once every 20 ticks, with an arming pass 10 ticks before each sample, so
// that each action happens once per tick value however many cycles fall within one tick.
void run_detector(autopilot_state& s)
{
    const int32_t tick = truncate_to_int32(host_sample(var_tick18));
    const uint32_t phase = (static_cast<uint32_t>(tick) + static_cast<uint32_t>(s.timing.run_check_offset)) % run_check_period;
    if (phase != 0) return;

    if (s.timing.run_check_armed == 1) {
        s.timing.run_check_armed = 0;
        s.timing.run_check_offset = run_check_sampling_offset;
        const int32_t probe = truncate_to_int32(host_sample(var_run_probe));
        s.modes.sim_running = factor_of(probe != s.timing.run_probe_prev);
        s.timing.run_probe_prev = probe;
    } else {
        s.timing.run_check_armed = 1;
        s.timing.run_check_offset = 0;
    }
}
}  // namespace

void update_cycle(autopilot_values& a)
{
    autopilot_state& s = a.state;
    poll_joysticks(a.joysticks);
    apply_joystick_overrides(a.joysticks, s.settings, s.modes, s.pilot);
    read_buttons(a.joysticks, s);
    sample_host_variables(s);
    derive_mode_flags(s);
    engagement(s);
    speed_hold_edge(s);
    read_counters(s);
    const channel_inputs in = inputs_of(a);
    roll_step(in, s.roll);
    pitch_step(in, s.pitch);
    heading_step(in, s.heading);
    collective_step(in, s.collective);
    speed_step(in, s.speed, s.pitch);
    bank_reference_step(in, s.roll);
    collective_base_step(s.modes, host_sample(var_tick18), s.collective);
    heading_activation_step(s);
    run_detector(s);
    s.timing.counter_prev = s.timing.counter_now;
}
