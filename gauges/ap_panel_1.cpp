#include "gauges/ap_panel_1.h"

#include "autopilot/mode_changes.h"
#include "gauges/autopilot_instance.h"
#include "gauges/gauge_records.h"
#include "platform/module_precision.h"

namespace {
constexpr double trim_step = 0.1;        // degrees per click
constexpr double trim_limit = 5.0;       // the last step may pass it: about ±5.1
constexpr double dial_per_trim = 15.0;   // card degrees per degree of trim, one mark per unit
constexpr int32_t handled = 1;

// A lamp is lit (image 0) while its switch holds 1; image 1 names no bitmap and draws nothing.
double lamp(int32_t switch_value)
{
    return switch_value == 1 ? 0.0 : 1.0;
}

// The limit is tested before the step.
void trim_decrease(double& trim)
{
    if (trim > -trim_limit) trim -= trim_step;
}

void trim_increase(double& trim)
{
    if (!(trim >= trim_limit)) trim += trim_step;
}
}  // namespace

double HOST_CALL heading_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return lamp(the_autopilot.state.modes.heading_channel_active); });
}

double HOST_CALL master_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return lamp(the_autopilot.state.modes.ap_master_on); });
}

double HOST_CALL height_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return lamp(the_autopilot.state.modes.height_channel_on); });
}

double HOST_CALL height_source_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return lamp(the_autopilot.state.modes.height_source_select); });
}

double HOST_CALL heading_trim_dial_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.pilot.heading_trim * dial_per_trim; });
}

double HOST_CALL roll_trim_dial_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.pilot.roll_trim * dial_per_trim; });
}

double HOST_CALL pitch_trim_dial_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.pilot.pitch_trim * dial_per_trim; });
}

// The heading lamp shows heading_channel_active, which follows the switch at the next cycle.
int32_t HOST_CALL heading_button_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        if (the_autopilot.state.modes.heading_channel_on == 0) heading_switch_on(the_autopilot.state);
        else heading_switch_off(the_autopilot.state);
        return handled;
    });
}

// The captures of engage and hand-back are the update cycle's.
int32_t HOST_CALL master_button_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        master_switch_toggle(the_autopilot.state);
        return handled;
    });
}

int32_t HOST_CALL height_button_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        if (the_autopilot.state.modes.height_channel_on == 0) height_switch_on(the_autopilot.state);
        else height_switch_off(the_autopilot.state);
        return handled;
    });
}

int32_t HOST_CALL height_source_button_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        height_source_toggle(the_autopilot.state);
        return handled;
    });
}

int32_t HOST_CALL heading_trim_decrease_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_decrease(the_autopilot.state.pilot.heading_trim);
        return handled;
    });
}

int32_t HOST_CALL heading_trim_increase_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_increase(the_autopilot.state.pilot.heading_trim);
        return handled;
    });
}

int32_t HOST_CALL heading_trim_reset_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        the_autopilot.state.pilot.heading_trim = 0.0;
        return handled;
    });
}

int32_t HOST_CALL roll_trim_decrease_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_decrease(the_autopilot.state.pilot.roll_trim);
        return handled;
    });
}

int32_t HOST_CALL roll_trim_increase_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_increase(the_autopilot.state.pilot.roll_trim);
        return handled;
    });
}

int32_t HOST_CALL roll_trim_reset_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        the_autopilot.state.pilot.roll_trim = 0.0;
        return handled;
    });
}

int32_t HOST_CALL pitch_trim_decrease_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_decrease(the_autopilot.state.pilot.pitch_trim);
        return handled;
    });
}

int32_t HOST_CALL pitch_trim_increase_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        trim_increase(the_autopilot.state.pilot.pitch_trim);
        return handled;
    });
}

int32_t HOST_CALL pitch_trim_reset_click(PIXPOINT*, uint32_t)
{
    return at_module_precision([&] {
        the_autopilot.state.pilot.pitch_trim = 0.0;
        return handled;
    });
}

