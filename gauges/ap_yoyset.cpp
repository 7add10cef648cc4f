#include "gauges/ap_yoyset.h"

#include "config/configuration.h"
#include "gauges/autopilot_instance.h"
#include "input/joystick.h"
#include "gauges/mouse_click.h"
#include "platform/module_precision.h"
#include "platform/platform.h"

namespace {
constexpr int8_t highest_assignment = 8;
constexpr char too_wide_mark = '?';  // an assignment from the file that needs more than one character

// The assignment as "%1d" into the host's one-character buffer. A value that needs more than one
// character (possible only from a hand-edited file) shows a mark instead of overrunning it.
double show_digit(ELEMENT_HEADER* element, int8_t assignment)
{
    auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
    char text[platform_integer_text_size];
    platform_format_integer(text, assignment);
    if (string->text != nullptr) {
        string->text[0] = text[1] == '\0' ? text[0] : too_wide_mark;
        string->text[1] = '\0';
    }
    return assignment;
}

void increase(int8_t& assignment)
{
    if (assignment < highest_assignment) ++assignment;
}

void decrease(int8_t& assignment)
{
    if (assignment > 0) --assignment;
}
}  // namespace

void HOST_CALL ap_yoyset_gauge_callback(GAUGEHDR*, int32_t service_id, uint32_t)
{
    at_module_precision([&] {
        if (service_id != PANEL_SERVICE_PRE_UPDATE) return;
        if (the_autopilot.configuration.joy_kanal_load_request == 1) {
            read_channel_assignments(the_autopilot.configuration, the_autopilot.state.settings);
            the_autopilot.configuration.joy_kanal_load_request = 0;
        }
        // A failed write is not reported: the request is cleared and the assignments stay as they are.
        if (the_autopilot.configuration.joy_kanal_save_request == 1) {
            write_channel_assignments(the_autopilot.configuration, the_autopilot.state.settings);
            the_autopilot.configuration.joy_kanal_save_request = 0;
        }
    });
}

double HOST_CALL stick_x_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.samples.control_313; });
}

double HOST_CALL stick_y_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.samples.control_317; });
}

double HOST_CALL pedal_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.state.samples.control_316; });
}
// Negative, so that the marker rises as the collective position grows.
double HOST_CALL collective_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return -the_autopilot.state.samples.collective_position; });
}

template <int slot>
double HOST_CALL axis_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_autopilot.joysticks.axis_table[slot]; });
}

template double HOST_CALL axis_marker_value<1>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<2>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<3>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<4>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<5>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<6>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<7>(ELEMENT_HEADER*);
template double HOST_CALL axis_marker_value<8>(ELEMENT_HEADER*);

template <int8_t autopilot_settings::*channel>
double HOST_CALL kanal_digit(ELEMENT_HEADER* element)
{
    return at_module_precision([&] { return show_digit(element, the_autopilot.state.settings.*channel); });
}

template <int8_t autopilot_settings::*channel>
int32_t HOST_CALL kanal_up_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { increase(the_autopilot.state.settings.*channel); });
}

template <int8_t autopilot_settings::*channel>
int32_t HOST_CALL kanal_down_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { decrease(the_autopilot.state.settings.*channel); });
}

// The four channels' digits and arrows.
template double HOST_CALL kanal_digit<&autopilot_settings::ap_kren_kanal>(ELEMENT_HEADER*);
template double HOST_CALL kanal_digit<&autopilot_settings::ap_tang_kanal>(ELEMENT_HEADER*);
template double HOST_CALL kanal_digit<&autopilot_settings::ap_schag_kanal>(ELEMENT_HEADER*);
template double HOST_CALL kanal_digit<&autopilot_settings::ap_kurs_kanal>(ELEMENT_HEADER*);
template int32_t HOST_CALL kanal_up_click<&autopilot_settings::ap_kren_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_up_click<&autopilot_settings::ap_tang_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_up_click<&autopilot_settings::ap_schag_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_up_click<&autopilot_settings::ap_kurs_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_down_click<&autopilot_settings::ap_kren_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_down_click<&autopilot_settings::ap_tang_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_down_click<&autopilot_settings::ap_schag_kanal>(PIXPOINT*, uint32_t);
template int32_t HOST_CALL kanal_down_click<&autopilot_settings::ap_kurs_kanal>(PIXPOINT*, uint32_t);

// The file operations run at the gauge's next pre-update.
int32_t HOST_CALL joy_kanal_load_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { the_autopilot.configuration.joy_kanal_load_request = 1; });
}

int32_t HOST_CALL joy_kanal_save_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { the_autopilot.configuration.joy_kanal_save_request = 1; });
}
