// The root element of each gauge: its static background image.
#include "gauges/gauge_records.h"

namespace {
constexpr uint32_t background_flags = IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE;                     // 0x3
constexpr uint32_t bright_flags = IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE | IMAGE_USE_BRIGHT;     // 0x7
}  // namespace

ELEMENT_STATIC_IMAGE a_pilot_image = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4096, {0, 0}, bright_flags, &a_pilot_gauge, nullptr), {}};
ELEMENT_STATIC_IMAGE ap_panel_1_background = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4720, {0, 0}, background_flags, &ap_panel_1_gauge, nullptr), {}};
ELEMENT_STATIC_IMAGE ap_yoyset_background = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4688, {0, 0}, background_flags, &ap_yoyset_gauge, nullptr), {}};
ELEMENT_STATIC_IMAGE v_contrl_key_background = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4864, {0, 0}, background_flags, &v_contrl_key_gauge, nullptr), {}};
ELEMENT_STATIC_IMAGE v_lamp_background = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4912, {0, 0}, background_flags, &v_lamp_gauge, nullptr), {}};
ELEMENT_STATIC_IMAGE in_4_background = {element_header(ELEMENT_TYPE_STATIC_IMAGE, 4944, {0, 0}, background_flags, &in_4_gauge, nullptr), {}};

ELEMENT_HEADER* a_pilot_element_list[2] = {&a_pilot_image.header, nullptr};
ELEMENT_HEADER* ap_panel_1_element_list[2] = {&ap_panel_1_background.header, nullptr};
ELEMENT_HEADER* ap_yoyset_element_list[2] = {&ap_yoyset_background.header, nullptr};
ELEMENT_HEADER* v_contrl_key_element_list[2] = {&v_contrl_key_background.header, nullptr};
ELEMENT_HEADER* v_lamp_element_list[2] = {&v_lamp_background.header, nullptr};
ELEMENT_HEADER* in_4_element_list[2] = {&in_4_background.header, nullptr};

MOUSERECT a_pilot_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
MOUSERECT ap_panel_1_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
MOUSERECT ap_yoyset_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
MOUSERECT v_contrl_key_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
MOUSERECT v_lamp_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
MOUSERECT in_4_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
