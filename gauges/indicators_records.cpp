// The element chains and mouse rectangles of V_Contrl_key, V_Lamp and IN_4. Each chain is
// defined from its last element back to its root, since each element names the list of the one
// drawn after it.
#include "gauges/gauge_records.h"
#include "gauges/indicators.h"

namespace {
constexpr uint32_t roll_bar_source_token = 631;  // named in the needle record; the value is the callback's
constexpr uint32_t needle_rate_setting = 5;

// V_Contrl_key: the mounting, the lever, the light spot on its tip.
ELEMENT_ICON key_tip = icon(4896, {0, 0}, flags_luminous, 3, speed_key_position_value, &v_contrl_key_gauge, nullptr);
ELEMENT_HEADER* after_key_lever[2] = {&key_tip.header, nullptr};
ELEMENT_ICON key_lever = icon(4880, {0, 0}, flags_background, 3, speed_key_position_value, &v_contrl_key_gauge, after_key_lever);
ELEMENT_HEADER* after_key_mounting[2] = {&key_lever.header, nullptr};
ELEMENT_STATIC_IMAGE key_mounting = static_image(4864, {0, 0}, flags_background, &v_contrl_key_gauge, after_key_mounting);

// V_Lamp: the unlit annunciator, and the lit one over it.
ELEMENT_ICON lamp_lit = icon(4917, {0, 0}, flags_bright, 1, speed_lamp_value, &v_lamp_gauge, nullptr);
ELEMENT_HEADER* after_lamp_unlit[2] = {&lamp_lit.header, nullptr};
ELEMENT_STATIC_IMAGE lamp_unlit = static_image(4912, {0, 0}, flags_background, &v_lamp_gauge, after_lamp_unlit);

// IN_4: 6 collective bar (В), 5 pitch bar (Т), 4 heading bar (Н), 3 roll bar (К), 2 overlay, 1 instrument.
ELEMENT_SLIDER collective_bar = slider(4976, {290, 62}, flags_luminous, nullptr, 0.0, collective_deflection_value, -0.004, &in_4_gauge, nullptr);
ELEMENT_HEADER* after_pitch_bar[2] = {&collective_bar.header, nullptr};
ELEMENT_SLIDER pitch_bar = slider(4976, {221, 63}, flags_luminous, nullptr, 0.0, pitch_deflection_value, -0.004, &in_4_gauge, after_pitch_bar);
ELEMENT_HEADER* after_heading_bar[2] = {&pitch_bar.header, nullptr};
ELEMENT_SLIDER heading_bar = slider(4960, {66, 47}, flags_luminous, heading_deflection_value, 0.008, nullptr, 0.0, &in_4_gauge, after_heading_bar);
ELEMENT_HEADER* after_roll_bar[2] = {&heading_bar.header, nullptr};

constexpr ELEMENT_NEEDLE roll_needle()
{
    ELEMENT_NEEDLE needle{};
    needle.header = element_header(ELEMENT_TYPE_NEEDLE, 4965, {157, 68}, flags_luminous_rotating, &in_4_gauge,
                                   after_roll_bar, {33, 4});  // turns about the bar's middle
    needle.source_var.token = roll_bar_source_token;
    needle.rate_setting = needle_rate_setting;
    needle.value_callback = roll_deflection_value;
    return needle;
}
ELEMENT_NEEDLE roll_bar = roll_needle();
ELEMENT_HEADER* after_in_4_overlay[2] = {&roll_bar.header, nullptr};
ELEMENT_ICON in_4_overlay = icon(4949, {0, 0}, flags_luminous, 1, nullptr, &in_4_gauge, after_in_4_overlay);
ELEMENT_HEADER* after_instrument[2] = {&in_4_overlay.header, nullptr};
ELEMENT_STATIC_IMAGE instrument = static_image(4944, {0, 0}, flags_background, &in_4_gauge, after_instrument);
}  // namespace

ELEMENT_HEADER* v_contrl_key_element_list[2] = {&key_mounting.header, nullptr};
MOUSERECT v_contrl_key_mouse_rects[] = {
    mouse_parent_begin(),
    mouse_child(0, 0, 16, 34, CURSOR_HAND, mouse_single, speed_key_click),
    mouse_parent_end(),
    mouse_end_of_list(),
};

ELEMENT_HEADER* v_lamp_element_list[2] = {&lamp_unlit.header, nullptr};
MOUSERECT v_lamp_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};

ELEMENT_HEADER* in_4_element_list[2] = {&instrument.header, nullptr};
MOUSERECT in_4_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
