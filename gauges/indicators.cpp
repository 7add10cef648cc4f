#include "gauges/indicators.h"

#include "autopilot/mode_changes.h"
#include "common/control_math.h"
#include "gauges/autopilot_instance.h"
#include "platform/module_precision.h"

namespace {
constexpr double switch_thrown_up = 2.0;    // lever and tip images
constexpr double switch_thrown_down = 0.0;
constexpr double roll_bar_per_unit = -0.004;  // degrees of bar turn per axis unit
constexpr double roll_bar_limit = 33.0;       // degrees
constexpr double heading_limit = 3875.0;      // host units of token 316
constexpr double bar_limit = 7750.0;          // axis units

// With the master switch off every window rests at zero.
double deflection(double value, double limit)
{
    if (the_autopilot.state.modes.ap_master_on != 1) return 0.0;
    return clamp_strict(value, -limit, limit);
}
}  // namespace

double HOST_CALL speed_key_position_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.modes.speed_hold_on == 1 ? switch_thrown_up : switch_thrown_down; });
}

// speed_hold_active and the speed-hold captures follow in the next update cycle.
int32_t HOST_CALL speed_key_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        if (the_autopilot.state.modes.speed_hold_on == 0) speed_hold_switch_on(the_autopilot.state);
        else speed_hold_switch_off(the_autopilot.state);
        return 1;
    });
}

// 0 (the lit image) while speed hold is active, -1 (no image) otherwise.
double HOST_CALL speed_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.modes.speed_hold_active - 1; });
}

double HOST_CALL roll_deflection_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return deflection(the_autopilot.state.roll.roll_command * roll_bar_per_unit, roll_bar_limit); });
}

double HOST_CALL heading_deflection_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return deflection(the_autopilot.state.samples.control_316, heading_limit); });
}

// The autopilot's command less the pilot's own reference for that control.
double HOST_CALL pitch_deflection_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return deflection(the_autopilot.state.pitch.pitch_command - the_autopilot.state.pilot.pitch_stick_trim, bar_limit); });
}

double HOST_CALL collective_deflection_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] {
        return deflection(the_autopilot.state.collective.collective_command - the_autopilot.state.pilot.collective_joy_reference, bar_limit);
    });
}
