// AP_YoySet's element chain and mouse rectangles. The chain is defined from its last element
// back to its root, since each element names the list of the one drawn after it.
#include "gauges/ap_yoyset.h"
#include "gauges/gauge_records.h"

namespace {
constexpr uint32_t marker_bitmap = 4693;
constexpr double control_scale = 0.0013;   // pixels per axis unit
constexpr double lever_scale = 0.0026;     // pixels per axis unit
constexpr double axis_scale = -0.000763;   // pixels per raw axis unit, upwards
constexpr int32_t digit_x = 126;

constexpr string_style digit_style = {
    {12, 20},    // box
    0x00B4B4B4,  // text: grey 180
    0x00404040,  // background: grey 64
    0x005C5C5C,  // highlight: grey 92
    "Courier New",
    700,   // bold
    1,     // default character set
    0x25,  // centred both ways, single line
    1,     // one character
};

GAUGEHDR* const gauge = &ap_yoyset_gauge;

// 16 to 13: the assignments of the pedals, collective, pitch and roll.
ELEMENT_STRING kurs_digit = string_field({digit_x, 140}, flags_digits, digit_style, kanal_digit<&autopilot_settings::ap_kurs_kanal>, gauge, nullptr);
ELEMENT_HEADER* after_schag_digit[2] = {&kurs_digit.header, nullptr};
ELEMENT_STRING schag_digit = string_field({digit_x, 120}, flags_digits, digit_style, kanal_digit<&autopilot_settings::ap_schag_kanal>, gauge, after_schag_digit);
ELEMENT_HEADER* after_tang_digit[2] = {&schag_digit.header, nullptr};
ELEMENT_STRING tang_digit = string_field({digit_x, 100}, flags_digits, digit_style, kanal_digit<&autopilot_settings::ap_tang_kanal>, gauge, after_tang_digit);
ELEMENT_HEADER* after_kren_digit[2] = {&tang_digit.header, nullptr};
ELEMENT_STRING kren_digit = string_field({digit_x, 80}, flags_digits, digit_style, kanal_digit<&autopilot_settings::ap_kren_kanal>, gauge, after_kren_digit);
ELEMENT_HEADER* after_axis8[2] = {&kren_digit.header, nullptr};

// 12 to 5: the eight axis markers, rising along their tracks.
ELEMENT_SLIDER axis8 = slider(marker_bitmap, {147, 54}, flags_bright, nullptr, 0.0, axis_marker_value<8>, axis_scale, gauge, after_axis8);
ELEMENT_HEADER* after_axis7[2] = {&axis8.header, nullptr};
ELEMENT_SLIDER axis7 = slider(marker_bitmap, {127, 54}, flags_bright, nullptr, 0.0, axis_marker_value<7>, axis_scale, gauge, after_axis7);
ELEMENT_HEADER* after_axis6[2] = {&axis7.header, nullptr};
ELEMENT_SLIDER axis6 = slider(marker_bitmap, {107, 54}, flags_bright, nullptr, 0.0, axis_marker_value<6>, axis_scale, gauge, after_axis6);
ELEMENT_HEADER* after_axis5[2] = {&axis6.header, nullptr};
ELEMENT_SLIDER axis5 = slider(marker_bitmap, {87, 54}, flags_bright, nullptr, 0.0, axis_marker_value<5>, axis_scale, gauge, after_axis5);
ELEMENT_HEADER* after_axis4[2] = {&axis5.header, nullptr};
ELEMENT_SLIDER axis4 = slider(marker_bitmap, {67, 54}, flags_bright, nullptr, 0.0, axis_marker_value<4>, axis_scale, gauge, after_axis4);
ELEMENT_HEADER* after_axis3[2] = {&axis4.header, nullptr};
ELEMENT_SLIDER axis3 = slider(marker_bitmap, {47, 54}, flags_bright, nullptr, 0.0, axis_marker_value<3>, axis_scale, gauge, after_axis3);
ELEMENT_HEADER* after_axis2[2] = {&axis3.header, nullptr};
ELEMENT_SLIDER axis2 = slider(marker_bitmap, {27, 54}, flags_bright, nullptr, 0.0, axis_marker_value<2>, axis_scale, gauge, after_axis2);
ELEMENT_HEADER* after_axis1[2] = {&axis2.header, nullptr};
ELEMENT_SLIDER axis1 = slider(marker_bitmap, {7, 54}, flags_bright, nullptr, 0.0, axis_marker_value<1>, axis_scale, gauge, after_axis1);
ELEMENT_HEADER* after_collective[2] = {&axis1.header, nullptr};

// 4: the collective position at the field's left edge.
ELEMENT_SLIDER collective = slider(marker_bitmap, {3, 124}, flags_bright, nullptr, 0.0, collective_marker_value, lever_scale, gauge, after_collective);
ELEMENT_HEADER* after_pedals[2] = {&collective.header, nullptr};
// 3: the pedals below the field.
ELEMENT_SLIDER pedals = slider(marker_bitmap, {32, 127}, flags_bright, pedal_marker_value, control_scale, nullptr, 0.0, gauge, after_pedals);
ELEMENT_HEADER* after_stick[2] = {&pedals.header, nullptr};
// 2: the stick in the square field.
ELEMENT_SLIDER stick = slider(marker_bitmap, {32, 99}, flags_bright, stick_x_marker_value, control_scale, stick_y_marker_value, control_scale, gauge, after_stick);
ELEMENT_HEADER* after_background[2] = {&stick.header, nullptr};
// 1: the panel.
ELEMENT_STATIC_IMAGE background = static_image(4688, {0, 0}, flags_background, gauge, after_background);
}  // namespace

ELEMENT_HEADER* ap_yoyset_element_list[2] = {&background.header, nullptr};

MOUSERECT ap_yoyset_mouse_rects[] = {
    mouse_parent_begin(),
    mouse_child(138, 79, 18, 18, CURSOR_UPARROW, mouse_repeat, kanal_up_click<&autopilot_settings::ap_kren_kanal>),
    mouse_child(108, 79, 18, 18, CURSOR_DOWNARROW, mouse_repeat, kanal_down_click<&autopilot_settings::ap_kren_kanal>),
    mouse_child(138, 99, 18, 18, CURSOR_UPARROW, mouse_repeat, kanal_up_click<&autopilot_settings::ap_tang_kanal>),
    mouse_child(108, 99, 18, 18, CURSOR_DOWNARROW, mouse_repeat, kanal_down_click<&autopilot_settings::ap_tang_kanal>),
    mouse_child(138, 119, 18, 18, CURSOR_UPARROW, mouse_repeat, kanal_up_click<&autopilot_settings::ap_schag_kanal>),
    mouse_child(108, 119, 18, 18, CURSOR_DOWNARROW, mouse_repeat, kanal_down_click<&autopilot_settings::ap_schag_kanal>),
    mouse_child(138, 139, 18, 18, CURSOR_UPARROW, mouse_repeat, kanal_up_click<&autopilot_settings::ap_kurs_kanal>),
    mouse_child(108, 139, 18, 18, CURSOR_DOWNARROW, mouse_repeat, kanal_down_click<&autopilot_settings::ap_kurs_kanal>),
    mouse_child(8, 134, 22, 22, CURSOR_HAND, mouse_single, joy_kanal_load_click),
    mouse_child(36, 134, 22, 22, CURSOR_HAND, mouse_single, joy_kanal_save_click),
    mouse_parent_end(),
    mouse_end_of_list(),
};
