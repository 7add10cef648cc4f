// AP_Panel_1's element chain and mouse rectangles. The chain is defined from its last element
// back to its root, since each element names the list of the one drawn after it.
#include "gauges/ap_panel_1.h"
#include "gauges/gauge_records.h"

namespace {
constexpr uint32_t lamp_bitmap = 4736;  // lit; image 1 (4737) does not exist and draws nothing
constexpr uint32_t dial_card_bitmap = 4741;  // its mask is 4742

// 9: the pitch trim dial (ТАНГАЖ).
ELEMENT_SPRITE pitch_dial = sprite(dial_card_bitmap, {280, 110}, {350, 180}, flags_luminous_rotating,
                                   trim_dial_value<&pilot_input::pitch_trim>, &ap_panel_1_gauge, nullptr);
ELEMENT_HEADER* after_roll_dial[2] = {&pitch_dial.header, nullptr};
// 8: the roll trim dial (КРЕН).
ELEMENT_SPRITE roll_dial = sprite(dial_card_bitmap, {140, 110}, {210, 180}, flags_luminous_rotating,
                                  trim_dial_value<&pilot_input::roll_trim>, &ap_panel_1_gauge, after_roll_dial);
ELEMENT_HEADER* after_heading_dial[2] = {&roll_dial.header, nullptr};
// 7: the heading trim dial (НАПРАВЛ.).
ELEMENT_SPRITE heading_dial = sprite(dial_card_bitmap, {0, 110}, {70, 180}, flags_luminous_rotating,
                                     trim_dial_value<&pilot_input::heading_trim>, &ap_panel_1_gauge, after_heading_dial);
ELEMENT_HEADER* after_source_lamp[2] = {&heading_dial.header, nullptr};
// 6: the height-source lamp (РВ).
ELEMENT_ICON source_lamp = icon(lamp_bitmap, {357, 37}, flags_bright, 2, lamp_value<&autopilot_modes::height_source_select>,
                               &ap_panel_1_gauge, after_source_lamp);
ELEMENT_HEADER* after_height_lamp[2] = {&source_lamp.header, nullptr};
// 5: the height lamp (ВЫСОТА).
ELEMENT_ICON height_lamp = icon(lamp_bitmap, {247, 37}, flags_bright, 2, lamp_value<&autopilot_modes::height_channel_on>,
                               &ap_panel_1_gauge, after_height_lamp);
ELEMENT_HEADER* after_master_lamp[2] = {&height_lamp.header, nullptr};
// 4: the engage lamp (ВКЛ).
ELEMENT_ICON master_lamp = icon(lamp_bitmap, {137, 37}, flags_bright, 2, lamp_value<&autopilot_modes::ap_master_on>,
                               &ap_panel_1_gauge, after_master_lamp);
ELEMENT_HEADER* after_heading_lamp[2] = {&master_lamp.header, nullptr};
// 3: the heading lamp (КУРС).
ELEMENT_ICON heading_lamp = icon(lamp_bitmap, {27, 37}, flags_bright, 2, lamp_value<&autopilot_modes::heading_channel_active>,
                                &ap_panel_1_gauge, after_heading_lamp);
ELEMENT_HEADER* after_overlay[2] = {&heading_lamp.header, nullptr};
// 2: the label overlay, always image 0.
ELEMENT_ICON overlay = icon(4725, {0, 0}, flags_luminous, 1, nullptr, &ap_panel_1_gauge, after_overlay);
ELEMENT_HEADER* after_background[2] = {&overlay.header, nullptr};
// 1: the panel.
ELEMENT_STATIC_IMAGE background = static_image(4720, {0, 0}, flags_background, &ap_panel_1_gauge, after_background);
}  // namespace

ELEMENT_HEADER* ap_panel_1_element_list[2] = {&background.header, nullptr};

MOUSERECT ap_panel_1_mouse_rects[] = {
    mouse_parent_begin(),
    mouse_child(27, 37, 37, 37, CURSOR_HAND, mouse_single, heading_button_click),
    mouse_child(137, 37, 37, 37, CURSOR_HAND, mouse_single, master_button_click),
    mouse_child(247, 37, 37, 37, CURSOR_HAND, mouse_single, height_button_click),
    mouse_child(357, 37, 37, 37, CURSOR_HAND, mouse_single, height_source_button_click),
    // Under each dial, left to right: increase, reset, decrease.
    mouse_child(89, 166, 30, 40, CURSOR_UPARROW, mouse_repeat, trim_decrease_click<&pilot_input::heading_trim>),
    mouse_child(12, 166, 30, 40, CURSOR_DOWNARROW, mouse_repeat, trim_increase_click<&pilot_input::heading_trim>),
    mouse_child(56, 166, 30, 30, CURSOR_HAND, mouse_single, trim_reset_click<&pilot_input::heading_trim>),
    mouse_child(229, 166, 30, 40, CURSOR_UPARROW, mouse_repeat, trim_decrease_click<&pilot_input::roll_trim>),
    mouse_child(152, 166, 30, 40, CURSOR_DOWNARROW, mouse_repeat, trim_increase_click<&pilot_input::roll_trim>),
    mouse_child(196, 166, 30, 30, CURSOR_HAND, mouse_single, trim_reset_click<&pilot_input::roll_trim>),
    mouse_child(369, 166, 30, 40, CURSOR_UPARROW, mouse_repeat, trim_decrease_click<&pilot_input::pitch_trim>),
    mouse_child(292, 166, 30, 40, CURSOR_DOWNARROW, mouse_repeat, trim_increase_click<&pilot_input::pitch_trim>),
    mouse_child(336, 166, 30, 30, CURSOR_HAND, mouse_single, trim_reset_click<&pilot_input::pitch_trim>),
    mouse_parent_end(),
    mouse_end_of_list(),
};
