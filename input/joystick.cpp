#include "input/joystick.h"

#include "state/autopilot_state.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t caps_record_size = 404;
constexpr uint32_t info_record_size = 52;
constexpr uint32_t return_all = 255;

constexpr uint32_t flag_x = 0x01, flag_y = 0x02, flag_z = 0x04, flag_r = 0x08, flag_buttons = 0x80;
constexpr uint32_t caps_has_z = 0x01, caps_has_r = 0x02;

constexpr double axis_centre = 16384.0;  // axis units
constexpr double stick_scale = 0.5;      // axis units per raw unit, roll, pitch and pedals
constexpr double lever_scale = 0.25;     // axis units per raw unit, collective

int32_t query_caps(uint32_t joystick_id, JOYCAPSA& caps)
{
    return platform_joy_get_dev_caps(joystick_id, &caps, caps_record_size) == 0 ? 1 : 0;
}

void store_axis(double& slot, int32_t& reported, uint32_t position)
{
    slot = position;
    reported = 1;
}

// Polls one joystick into four slots starting at slot (with their reported marks). Returns the
// flags the poll reported, or -1 when the joystick was skipped or the poll failed.
int32_t poll_one(uint32_t joystick_id, int32_t present, const JOYCAPSA& caps, JOYINFOEX& info, double* slot,
                 int32_t* reported)
{
    if (present == 0) return -1;
    info.dwSize = info_record_size;
    info.dwFlags = return_all;
    if (platform_joy_get_pos_ex(joystick_id, &info) != 0) return -1;

    const uint32_t flags = info.dwFlags & 0xFF;
    if (flags & flag_x) store_axis(slot[0], reported[0], info.dwXpos);
    if (flags & flag_y) store_axis(slot[1], reported[1], info.dwYpos);
    if ((flags & flag_z) && (caps.wCaps & caps_has_z)) store_axis(slot[2], reported[2], info.dwZpos);
    if ((flags & flag_r) && (caps.wCaps & caps_has_r)) store_axis(slot[3], reported[3], info.dwRpos);
    return static_cast<int32_t>(flags);
}

constexpr double centred_position = 32768.0;  // raw, half of the device's 0 to 65535
const double centred_axis = centred_position;

// The axis an assignment selects, or nullptr for none. A value outside 1 to 8 (possible only
// from a hand-edited file) selects nothing rather than memory beyond the table. An axis not
// reported since the connect stands centred: the references it sets are the stick's neutral.
const double* assigned_axis(const joystick_state& joysticks, int8_t assignment)
{
    if (assignment < 1 || assignment > axis_table_slots) return nullptr;
    if (joysticks.axis_reported[assignment] == 0) return &centred_axis;
    return &joysticks.axis_table[assignment];
}

// A stick with a trim button: while the trim mode is on, the reference stays and the offset
// follows the stick; otherwise the stick moves the reference around the offset.
void apply_trimmed_stick(double axis, int32_t trim_mode, double& joy_reference, double& stick_trim)
{
    if (trim_mode == 0) joy_reference = (stick_trim - axis * stick_scale) + axis_centre;
    if (trim_mode == 1) stick_trim = (axis * stick_scale + joy_reference) - axis_centre;
}
}  // namespace

int32_t axis_connected(const joystick_state& joysticks, int8_t assignment)
{
    if (assignment < 1 || assignment > axis_table_slots) return 0;
    return joysticks.axis_reported[assignment];
}

// The slots keep their positions across a connect; only a poll after it makes them count again.
void discover_joysticks(joystick_state& joysticks)
{
    joysticks.joy0_present = query_caps(0, joysticks.joy0_caps);
    joysticks.joy1_present = query_caps(1, joysticks.joy1_caps);
    for (int32_t& reported : joysticks.axis_reported) reported = 0;
}

void poll_joysticks(joystick_state& joysticks)
{
    const int32_t flags0 = poll_one(0, joysticks.joy0_present, joysticks.joy0_caps, joysticks.joy0_info,
                                    &joysticks.axis_table[1], &joysticks.axis_reported[1]);
    if (flags0 >= 0 && (flags0 & flag_buttons))
        joysticks.joy0_buttons = static_cast<uint16_t>(joysticks.joy0_info.dwButtons & 0xFFFF);
    poll_one(1, joysticks.joy1_present, joysticks.joy1_caps, joysticks.joy1_info, &joysticks.axis_table[5],
             &joysticks.axis_reported[5]);
}

void apply_joystick_overrides(const joystick_state& joysticks, const autopilot_settings& settings,
                              const autopilot_modes& modes, pilot_input& pilot)
{
    // Roll, pitch, collective, pedals; a channel with no axis assigned is skipped.
    if (const double* axis = assigned_axis(joysticks, settings.ap_kren_kanal))
        pilot.roll_joy_reference = axis_centre - *axis * stick_scale;

    if (const double* axis = assigned_axis(joysticks, settings.ap_tang_kanal))
        apply_trimmed_stick(*axis, modes.pitch_trim_mode, pilot.pitch_joy_reference, pilot.pitch_stick_trim);

    if (const double* axis = assigned_axis(joysticks, settings.ap_schag_kanal))
        pilot.collective_joy_reference = axis_centre - *axis * lever_scale;

    if (const double* axis = assigned_axis(joysticks, settings.ap_kurs_kanal))
        apply_trimmed_stick(*axis, modes.heading_trim_mode, pilot.pedal_joy_reference, pilot.pedal_stick_trim);
}
