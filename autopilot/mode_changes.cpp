#include "autopilot/mode_changes.h"

#include "state/autopilot_state.h"

namespace {
void toggle(int32_t& switch_value)
{
    switch_value = switch_value == 0 ? 1 : 0;
}

// The collective base after any change of the height switch or the master switch. Held (both on),
// the law works around the collective's present position. Passed through, the base makes base +
// lever equal that position, so the collective goes on from where it stands and the base-stepping
// rule walks the base into its band from there.
void capture_collective_base(autopilot_state& s)
{
    const int32_t holding_height = s.modes.height_channel_on * s.modes.ap_master_on;
    if (holding_height == 1) s.collective.collective_base = s.samples.collective_position;
    else s.collective.collective_base = s.samples.collective_position - s.pilot.collective_joy_reference;
}
}  // namespace

void master_switch_toggle(autopilot_state& s)
{
    toggle(s.modes.ap_master_on);
    if (s.modes.roll_channel_on == 1) s.roll.bank_reference = 0.0;
}

void heading_switch_on(autopilot_state& s)
{
    s.modes.heading_channel_on = 1;
}

void heading_switch_off(autopilot_state& s)
{
    s.modes.heading_channel_on = 0;
}

void height_switch_on(autopilot_state& s)
{
    s.modes.height_channel_on = 1;
    s.collective.height_reference = s.collective.height_selected;
    capture_collective_base(s);
}

void height_switch_off(autopilot_state& s)
{
    s.modes.height_channel_on = 0;
    capture_collective_base(s);
}

void height_source_toggle(autopilot_state& s)
{
    if (s.modes.ap_master_on != 1) return;
    toggle(s.modes.height_source_select);
    if (s.modes.height_source_select == 0) s.collective.height_reference = s.collective.height_a;
    if (s.modes.height_source_select == 1) s.collective.height_reference = s.collective.height_b;
}

void speed_hold_switch_on(autopilot_state& s)
{
    s.modes.speed_hold_on = 1;
}

void speed_hold_switch_off(autopilot_state& s)
{
    s.modes.speed_hold_on = 0;
}

// Attitude, heading and height are the previous cycle's samples; the collective is this cycle's.
void engage(autopilot_state& s)
{
    capture_collective_base(s);
    s.pitch.pitch_reference = s.pitch.pitch_angle;
    s.pitch.pitch_reference_base = s.pitch.pitch_angle;
    s.heading.heading_reference = s.heading.heading_angle;
    s.collective.height_reference = s.collective.height_selected;
    s.roll.bank_reference = 0.0;
    s.modes.ap_engaged_latch = 1;
}

// The channel switches and the roll and pitch trims drop; the collective goes on from the lever.
void hand_back(autopilot_state& s)
{
    s.modes.heading_channel_on = 0;
    s.modes.height_channel_on = 0;
    capture_collective_base(s);
    s.pilot.roll_trim = 0.0;
    s.pilot.pitch_trim = 0.0;
    s.modes.ap_engaged_latch = 0;
    s.pitch.pitch_reference_base = 0.0;
}

// This cycle's airspeed; the previous cycle's pitch.
void speed_hold_engage(autopilot_state& s)
{
    s.speed.speed_reference = s.samples.airspeed_kmh;
    s.pitch.pitch_reference_base = s.pitch.pitch_angle;
}

void heading_hold_engage(autopilot_state& s)
{
    s.heading.heading_reference = s.heading.heading_angle;
}
