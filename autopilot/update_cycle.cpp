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
    ap.joy_button0 = joy.joy0_buttons & 1;
    ap.joy_button1 = (joy.joy0_buttons >> 1) & 1;
}

void low_speed_factors()
{
    const bool slow = ap.airspeed_kmh * ap.airspeed_kmh < low_speed_squared;
    ap.roll_rate_factor = slow ? low_speed_roll_rate_factor : 1.0;
    ap.pitch_rate_factor = slow ? low_speed_pitch_rate_factor : 1.0;
}

void sample_host_variables()
{
    ap.on_ground = truncate_to_int32(host_sample(var_on_ground));
    ap.airspeed_kmh = host_sample(var_airspeed) * knots_to_kmh;
    low_speed_factors();
    ap.control_317 = host_sample(var_control_317);
    ap.control_313 = host_sample(var_control_313);
    ap.control_316 = host_sample(var_control_316);
    ap.collective_position = host_sample(var_collective_position);
}

// An option counts only when it is exactly 1. The trim modes take effect on the next cycle's
// joystick overrides.
void derive_mode_flags()
{
    ap.pitch_trim_mode = factor_of(ap.joy_button1 * ap.ap_trim_tang_on == 1);
    ap.heading_trim_mode = factor_of(ap.joy_button1 * ap.ap_trim_kurs_on == 1);
    ap.heading_disengage_request = factor_of(factor_of(ap.on_ground == 0) * ap.joy_button0 * ap.ap_kurs_otkl_on == 1);
}

// Engagement follows the master switch on the edges this cycle finds; a switch thrown on and off
// again between two cycles changes nothing.
void engagement()
{
    if (ap.ap_engaged_latch == 0 && ap.ap_master_on == 1) engage();
    if (ap.ap_master_on == 0 && ap.ap_engaged_latch == 1) hand_back();
    if (ap.heading_channel_on == 0) ap.heading_trim = 0.0;
}

// The speed hold engages on its own edge: with its switch on, when the master comes on, or with
// the master on, when its switch does.
void speed_hold_edge()
{
    ap.speed_hold_active = ap.speed_hold_on * ap.ap_master_on;
    if (ap.speed_hold_active != ap.speed_hold_active_prev && ap.speed_hold_active == 1) speed_hold_engage();
    ap.speed_hold_active_prev = ap.speed_hold_active;
}

void read_counters()
{
    platform_query_performance_frequency(&ap.counter_frequency);
    platform_query_performance_counter(&ap.counter_now);
}

// Watches token 557 once every 20 ticks, with an arming pass 10 ticks before each sample, so
// that each action happens once per tick value however many cycles fall within one tick.
void run_detector()
{
    const int32_t tick = truncate_to_int32(host_sample(var_tick18));
    const uint32_t phase = (static_cast<uint32_t>(tick) + static_cast<uint32_t>(ap.run_check_offset)) % run_check_period;
    if (phase != 0) return;

    if (ap.run_check_armed == 1) {
        ap.run_check_armed = 0;
        ap.run_check_offset = run_check_sampling_offset;
        const int32_t probe = truncate_to_int32(host_sample(var_run_probe));
        ap.sim_running = factor_of(probe != ap.run_probe_prev);
        ap.run_probe_prev = probe;
    } else {
        ap.run_check_armed = 1;
        ap.run_check_offset = 0;
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
    ap.counter_prev = ap.counter_now;
}
