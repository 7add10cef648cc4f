// Joystick input: two joysticks of the multimedia joystick interface supply up to eight axes
// and joystick 0's button word; assigned axes become the pilot's references.
#pragma once

#include <cstdint>

#include "state/autopilot_state.h"
#include "platform/joystick_records.h"

struct joystick_state {
    JOYCAPSA joy0_caps;
    JOYCAPSA joy1_caps;
    int32_t joy0_present;  // 1 when the capability query succeeded at the last connect
    int32_t joy1_present;
    JOYINFOEX joy0_info;
    JOYINFOEX joy1_info;
    // Slots 1 to 8: X, Y, Z, R of joystick 0, then of joystick 1, raw device positions.
    // Slot 0 is never used: an assignment of 0 means no axis.
    double axis_table[9];
    // Per slot, 1 once a poll since the last connect has stored it: an axis the device lacks (no
    // Z or R) or a joystick whose polls have all failed never gets there.
    int32_t axis_reported[9];
    uint16_t joy0_buttons;  // bit n set while button n+1 is pressed
};

constexpr int axis_table_slots = 8;

// At connect: queries the capabilities of joysticks 0 and 1.
void discover_joysticks(joystick_state& joysticks);

// First step of every cycle: refreshes the axis table and joystick 0's button word.
void poll_joysticks(joystick_state& joysticks);

// 1 when the assignment selects an axis that a poll has reported since the last connect. A
// joystick unplugged since still counts: its axes keep their last positions.
int32_t axis_connected(const joystick_state& joysticks, int8_t assignment);

// Second step of every cycle: assigned axes set the pilot's references, or the stick-trim
// offsets while a trim mode (from the previous cycle) is on. An assigned axis not reported since
// the connect (its joystick not found, the device without it, no poll succeeded) reads as centred.
void apply_joystick_overrides(const joystick_state& joysticks, const autopilot_settings& settings,
                              const autopilot_modes& modes, pilot_input& pilot);
