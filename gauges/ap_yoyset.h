// AP_YoySet, the channel-assignment panel: markers for the eight joystick axes and the
// controls, the four assignments as digits with decrease and increase areas, and the buttons
// that reload and save the assignments.
#pragma once

#include "gauges/element_records.h"
#include "state/autopilot_state.h"
#include "module/gauge_header.h"

// On pre-update, serves a pending reload of the channel assignments, then a pending save.
void HOST_CALL ap_yoyset_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);

double HOST_CALL stick_x_marker_value(ELEMENT_HEADER* element);
double HOST_CALL stick_y_marker_value(ELEMENT_HEADER* element);
double HOST_CALL pedal_marker_value(ELEMENT_HEADER* element);
double HOST_CALL collective_marker_value(ELEMENT_HEADER* element);
// The marker of axis-table slot 1 to 8: the axis's raw position, as the last poll left it.
template <int slot>
double HOST_CALL axis_marker_value(ELEMENT_HEADER* element);

// Of one channel's assignment (&autopilot_settings::ap_kren_kanal ...): the digit written into
// the string element's text buffer and returned; the arrows that step it up and down.
template <int8_t autopilot_settings::*channel>
double HOST_CALL kanal_digit(ELEMENT_HEADER* element);
template <int8_t autopilot_settings::*channel>
int32_t HOST_CALL kanal_up_click(PIXPOINT* point, uint32_t mouse_flags);
template <int8_t autopilot_settings::*channel>
int32_t HOST_CALL kanal_down_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL joy_kanal_load_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL joy_kanal_save_click(PIXPOINT* point, uint32_t mouse_flags);
