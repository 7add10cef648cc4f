// The update cycle, run once per frame: joysticks, buttons, host samples, mode flags,
// engagement, then the channels in a fixed order, then the outer loops and the run detector.
#include "autopilot/state/autopilot_state.h"
#include "autopilot/channel_steps.h"
#include "common/control_math.h"
#include "autopilot/state/host_variables.h"
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

void read_buttons()
{
    ap.pilot.joy_button0 = joy.joy0_buttons & 1;
    ap.pilot.joy_button1 = (joy.joy0_buttons >> 1) & 1;
}

void low_speed_factors()
{
    const bool slow = ap.samples.airspeed_kmh * ap.samples.airspeed_kmh < low_speed_squared;
    ap.samples.roll_rate_factor = slow ? low_speed_roll_rate_factor : 1.0;
    ap.samples.pitch_rate_factor = slow ? low_speed_pitch_rate_factor : 1.0;
}

void sample_host_variables()
{
    ap.samples.on_ground = truncate_to_int32(host_sample(var_on_ground));
    ap.samples.airspeed_kmh = host_sample(var_airspeed) * knots_to_kmh;
    low_speed_factors();
    ap.samples.control_317 = host_sample(var_control_317);
    ap.samples.control_313 = host_sample(var_control_313);
    ap.samples.control_316 = host_sample(var_control_316);
    ap.samples.collective_position = host_sample(var_collective_position);
}

// An option counts only when it is exactly 1. The trim modes take effect on the next cycle's
// joystick overrides.
void derive_mode_flags()
{
    ap.modes.pitch_trim_mode = factor_of(ap.pilot.joy_button1 * ap.settings.ap_trim_tang_on == 1);
    ap.modes.heading_trim_mode = factor_of(ap.pilot.joy_button1 * ap.settings.ap_trim_kurs_on == 1);
    ap.modes.heading_disengage_request = factor_of(factor_of(ap.samples.on_ground == 0) * ap.pilot.joy_button0 * ap.settings.ap_kurs_otkl_on == 1);
}

// Engagement follows the master switch on the edges this cycle finds; a switch thrown on and off
// again between two cycles changes nothing.
void engagement()
{
    if (ap.modes.ap_engaged_latch == 0 && ap.modes.ap_master_on == 1) engage();
    if (ap.modes.ap_master_on == 0 && ap.modes.ap_engaged_latch == 1) hand_back();
    if (ap.modes.heading_channel_on == 0) ap.pilot.heading_trim = 0.0;
}

// The speed hold engages on its own edge: with its switch on, when the master comes on, or with
// the master on, when its switch does.
void speed_hold_edge()
{
    ap.modes.speed_hold_active = ap.modes.speed_hold_on * ap.modes.ap_master_on;
    if (ap.modes.speed_hold_active != ap.modes.speed_hold_active_prev && ap.modes.speed_hold_active == 1) speed_hold_engage();
    ap.modes.speed_hold_active_prev = ap.modes.speed_hold_active;
}

void read_counters()
{
    platform_query_performance_frequency(&ap.timing.counter_frequency);
    platform_query_performance_counter(&ap.timing.counter_now);
}

// Watches token 557 once every 20 ticks, with an arming pass 10 ticks before each sample, so
// that each action happens once per tick value however many cycles fall within one tick.
void run_detector()
{
    const int32_t tick = truncate_to_int32(host_sample(var_tick18));
    const uint32_t phase = (static_cast<uint32_t>(tick) + static_cast<uint32_t>(ap.timing.run_check_offset)) % run_check_period;
    if (phase != 0) return;

    if (ap.timing.run_check_armed == 1) {
        ap.timing.run_check_armed = 0;
        ap.timing.run_check_offset = run_check_sampling_offset;
        const int32_t probe = truncate_to_int32(host_sample(var_run_probe));
        ap.modes.sim_running = factor_of(probe != ap.timing.run_probe_prev);
        ap.timing.run_probe_prev = probe;
    } else {
        ap.timing.run_check_armed = 1;
        ap.timing.run_check_offset = 0;
    }
}
}  // namespace

void update_cycle()
{
    poll_joysticks();
    apply_joystick_overrides();
    read_buttons();
    sample_host_variables();
    derive_mode_flags();
    engagement();
    speed_hold_edge();
    read_counters();
    roll_step();
    pitch_step();
    heading_step();
    collective_step();
    speed_step();
    bank_reference_step();
    collective_base_step();
    heading_activation_step();
    run_detector();
    ap.timing.counter_prev = ap.timing.counter_now;
}
