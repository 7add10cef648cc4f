// AP_YoySet, the channel-assignment panel: markers for the eight joystick axes and the
// controls, the four assignments as digits with decrease and increase areas, and the buttons
// that reload and save the assignments.
#pragma once

#include "gauges/element_records.h"
#include "module/gauge_header.h"

// On pre-update, serves a pending reload of the channel assignments, then a pending save.
void HOST_CALL ap_yoyset_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);

double HOST_CALL stick_x_marker_value(ELEMENT_HEADER* element);
double HOST_CALL stick_y_marker_value(ELEMENT_HEADER* element);
double HOST_CALL pedal_marker_value(ELEMENT_HEADER* element);
double HOST_CALL collective_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis1_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis2_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis3_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis4_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis5_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis6_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis7_marker_value(ELEMENT_HEADER* element);
double HOST_CALL axis8_marker_value(ELEMENT_HEADER* element);

// Write the assignment into the string element's text buffer and return it.
double HOST_CALL kren_kanal_digit(ELEMENT_HEADER* element);
double HOST_CALL tang_kanal_digit(ELEMENT_HEADER* element);
double HOST_CALL schag_kanal_digit(ELEMENT_HEADER* element);
double HOST_CALL kurs_kanal_digit(ELEMENT_HEADER* element);

int32_t HOST_CALL kren_kanal_up_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL kren_kanal_down_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL tang_kanal_up_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL tang_kanal_down_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL schag_kanal_up_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL schag_kanal_down_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL kurs_kanal_up_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL kurs_kanal_down_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL joy_kanal_load_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL joy_kanal_save_click(PIXPOINT* point, uint32_t mouse_flags);
