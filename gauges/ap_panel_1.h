// AP_Panel_1, the autopilot panel: four lamp buttons (heading, engage, height, height source)
// and three trim dials with increase, reset and decrease areas.
#pragma once

#include "gauges/element_records.h"
#include "state/autopilot_state.h"

// A lamp, lit while its switch (&autopilot_modes::ap_master_on ...) holds 1.
template <int32_t autopilot_modes::*lamp_switch>
double HOST_CALL lamp_value(ELEMENT_HEADER* element);
// Of one trim (&pilot_input::roll_trim ...): its dial's rotation and the areas that step it
// down, up and back to 0.
template <double pilot_input::*trim>
double HOST_CALL trim_dial_value(ELEMENT_HEADER* element);
template <double pilot_input::*trim>
int32_t HOST_CALL trim_decrease_click(PIXPOINT* point, uint32_t mouse_flags);
template <double pilot_input::*trim>
int32_t HOST_CALL trim_increase_click(PIXPOINT* point, uint32_t mouse_flags);
template <double pilot_input::*trim>
int32_t HOST_CALL trim_reset_click(PIXPOINT* point, uint32_t mouse_flags);

int32_t HOST_CALL heading_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL master_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL height_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL height_source_button_click(PIXPOINT* point, uint32_t mouse_flags);
