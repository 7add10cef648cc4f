// AP_Panel_1, the autopilot panel: four lamp buttons (heading, engage, height, height source)
// and three trim dials with increase, reset and decrease areas.
#pragma once

#include "gauges/element_records.h"

double HOST_CALL heading_lamp_value(ELEMENT_HEADER* element);
double HOST_CALL master_lamp_value(ELEMENT_HEADER* element);
double HOST_CALL height_lamp_value(ELEMENT_HEADER* element);
double HOST_CALL height_source_lamp_value(ELEMENT_HEADER* element);
double HOST_CALL heading_trim_dial_value(ELEMENT_HEADER* element);
double HOST_CALL roll_trim_dial_value(ELEMENT_HEADER* element);
double HOST_CALL pitch_trim_dial_value(ELEMENT_HEADER* element);

int32_t HOST_CALL heading_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL master_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL height_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL height_source_button_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL heading_trim_decrease_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL heading_trim_increase_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL heading_trim_reset_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL roll_trim_decrease_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL roll_trim_increase_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL roll_trim_reset_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL pitch_trim_decrease_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL pitch_trim_increase_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL pitch_trim_reset_click(PIXPOINT* point, uint32_t mouse_flags);
