#include "gauges/ap_panel_1.h"

#include "autopilot/mode_changes.h"
#include "gauges/autopilot_instance.h"
#include "gauges/gauge_records.h"
#include "gauges/mouse_click.h"
#include "platform/module_precision.h"

namespace {
constexpr double trim_step = 0.1;        // degrees per click
constexpr double trim_limit = 5.0;       // the last step may pass it: about ±5.1
constexpr double dial_per_trim = 15.0;   // card degrees per degree of trim, one mark per unit

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

template <int32_t autopilot_modes::*lamp_switch>
double HOST_CALL lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return lamp(the_autopilot.state.modes.*lamp_switch); });
}

template <double pilot_input::*trim>
double HOST_CALL trim_dial_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.pilot.*trim * dial_per_trim; });
}

// The heading lamp shows heading_channel_active, which follows the switch at the next cycle.
int32_t HOST_CALL heading_button_click(PIXPOINT*, uint32_t)
{
    return handle_click([] {
        if (the_autopilot.state.modes.heading_channel_on == 0) heading_switch_on(the_autopilot.state);
        else heading_switch_off(the_autopilot.state);
    });
}

// The captures of engage and hand-back are the update cycle's.
int32_t HOST_CALL master_button_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { master_switch_toggle(the_autopilot.state); });
}

int32_t HOST_CALL height_button_click(PIXPOINT*, uint32_t)
{
    return handle_click([] {
        if (the_autopilot.state.modes.height_channel_on == 0) height_switch_on(the_autopilot.state);
        else height_switch_off(the_autopilot.state);
    });
}

int32_t HOST_CALL height_source_button_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { height_source_toggle(the_autopilot.state); });
}

template <double pilot_input::*trim>
int32_t HOST_CALL trim_decrease_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { trim_decrease(the_autopilot.state.pilot.*trim); });
}

template <double pilot_input::*trim>
int32_t HOST_CALL trim_increase_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { trim_increase(the_autopilot.state.pilot.*trim); });
}

template <double pilot_input::*trim>
int32_t HOST_CALL trim_reset_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { the_autopilot.state.pilot.*trim = 0.0; });
}

// The four lamps, and the three trims' dials and areas.
template double HOST_CALL lamp_value<&autopilot_modes::heading_channel_active>(ELEMENT_HEADER*);
template double HOST_CALL lamp_value<&autopilot_modes::ap_master_on>(ELEMENT_HEADER*);
template double HOST_CALL lamp_value<&autopilot_modes::height_channel_on>(ELEMENT_HEADER*);
template double HOST_CALL lamp_value<&autopilot_modes::height_source_select>(ELEMENT_HEADER*);
template double HOST_CALL trim_dial_value<&pilot_input::heading_trim>(ELEMENT_HEADER*);
template double HOST_CALL trim_dial_value<&pilot_input::roll_trim>(ELEMENT_HEADER*);
template double HOST_CALL trim_dial_value<&pilot_input::pitch_trim>(ELEMENT_HEADER*);
template int32_t HOST_CALL trim_decrease_click<&pilot_input::heading_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_decrease_click<&pilot_input::roll_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_decrease_click<&pilot_input::pitch_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_increase_click<&pilot_input::heading_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_increase_click<&pilot_input::roll_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_increase_click<&pilot_input::pitch_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_reset_click<&pilot_input::heading_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_reset_click<&pilot_input::roll_trim>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL trim_reset_click<&pilot_input::pitch_trim>(PIXPOINT*, uint32_t);
