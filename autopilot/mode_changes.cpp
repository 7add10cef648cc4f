#include "autopilot/mode_changes.h"

#include "autopilot/state/autopilot_state.h"

namespace {
void toggle(int32_t& switch_value)
{
    switch_value = switch_value == 0 ? 1 : 0;
}

// The collective base after any change of the height switch or the master switch. Held (both on),
// the law works around the collective's present position. Passed through, the base makes base +
// lever equal that position, so the collective goes on from where it stands and the base-stepping
// rule walks the base into its band from there.
void capture_collective_base()
{
    const int32_t holding_height = ap.modes.height_channel_on * ap.modes.ap_master_on;
    if (holding_height == 1) ap.collective.collective_base = ap.samples.collective_position;
    else ap.collective.collective_base = ap.samples.collective_position - ap.pilot.collective_joy_reference;
}
}  // namespace

void master_switch_toggle()
{
    toggle(ap.modes.ap_master_on);
    if (ap.modes.roll_channel_on == 1) ap.roll.bank_reference = 0.0;
}

void heading_switch_on()
{
    ap.modes.heading_channel_on = 1;
}

void heading_switch_off()
{
    ap.modes.heading_channel_on = 0;
}

void height_switch_on()
{
    ap.modes.height_channel_on = 1;
    ap.collective.height_reference = ap.collective.height_selected;
    capture_collective_base();
}

void height_switch_off()
{
    ap.modes.height_channel_on = 0;
    capture_collective_base();
}

void height_source_toggle()
{
    if (ap.modes.ap_master_on != 1) return;
    toggle(ap.modes.height_source_select);
    if (ap.modes.height_source_select == 0) ap.collective.height_reference = ap.collective.height_a;
    if (ap.modes.height_source_select == 1) ap.collective.height_reference = ap.collective.height_b;
}

void speed_hold_switch_on()
{
    ap.modes.speed_hold_on = 1;
}

void speed_hold_switch_off()
{
    ap.modes.speed_hold_on = 0;
}

// Attitude, heading and height are the previous cycle's samples; the collective is this cycle's.
void engage()
{
    capture_collective_base();
    ap.pitch.pitch_reference = ap.pitch.pitch_angle;
    ap.pitch.pitch_reference_base = ap.pitch.pitch_angle;
    ap.heading.heading_reference = ap.heading.heading_angle;
    ap.collective.height_reference = ap.collective.height_selected;
    ap.roll.bank_reference = 0.0;
    ap.modes.ap_engaged_latch = 1;
}

// The channel switches and the roll and pitch trims drop; the collective goes on from the lever.
void hand_back()
{
    ap.modes.heading_channel_on = 0;
    ap.modes.height_channel_on = 0;
    capture_collective_base();
    ap.pilot.roll_trim = 0.0;
    ap.pilot.pitch_trim = 0.0;
    ap.modes.ap_engaged_latch = 0;
    ap.pitch.pitch_reference_base = 0.0;
}

// This cycle's airspeed; the previous cycle's pitch.
void speed_hold_engage()
{
    ap.speed.speed_reference = ap.samples.airspeed_kmh;
    ap.pitch.pitch_reference_base = ap.pitch.pitch_angle;
}

void heading_hold_engage()
{
    ap.heading.heading_reference = ap.heading.heading_angle;
}
