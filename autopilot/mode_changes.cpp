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
    const int32_t holding_height = ap.height_channel_on * ap.ap_master_on;
    if (holding_height == 1) ap.collective_base = ap.collective_position;
    else ap.collective_base = ap.collective_position - ap.collective_joy_reference;
}
}  // namespace

void master_switch_toggle()
{
    toggle(ap.ap_master_on);
    if (ap.roll_channel_on == 1) ap.bank_reference = 0.0;
}

void heading_switch_on()
{
    ap.heading_channel_on = 1;
}

void heading_switch_off()
{
    ap.heading_channel_on = 0;
}

void height_switch_on()
{
    ap.height_channel_on = 1;
    ap.height_reference = ap.height_selected;
    capture_collective_base();
}

void height_switch_off()
{
    ap.height_channel_on = 0;
    capture_collective_base();
}

void height_source_toggle()
{
    if (ap.ap_master_on != 1) return;
    toggle(ap.height_source_select);
    if (ap.height_source_select == 0) ap.height_reference = ap.height_a;
    if (ap.height_source_select == 1) ap.height_reference = ap.height_b;
}

void speed_hold_switch_on()
{
    ap.speed_hold_on = 1;
}

void speed_hold_switch_off()
{
    ap.speed_hold_on = 0;
}

// Attitude, heading and height are the previous cycle's samples; the collective is this cycle's.
void engage()
{
    capture_collective_base();
    ap.pitch_reference = ap.pitch_angle;
    ap.pitch_reference_base = ap.pitch_angle;
    ap.heading_reference = ap.heading_angle;
    ap.height_reference = ap.height_selected;
    ap.bank_reference = 0.0;
    ap.ap_engaged_latch = 1;
}

// The channel switches and the roll and pitch trims drop; the collective goes on from the lever.
void hand_back()
{
    ap.heading_channel_on = 0;
    ap.height_channel_on = 0;
    capture_collective_base();
    ap.roll_trim = 0.0;
    ap.pitch_trim = 0.0;
    ap.ap_engaged_latch = 0;
    ap.pitch_reference_base = 0.0;
}

// This cycle's airspeed; the previous cycle's pitch.
void speed_hold_engage()
{
    ap.speed_reference = ap.airspeed_kmh;
    ap.pitch_reference_base = ap.pitch_angle;
}

void heading_hold_engage()
{
    ap.heading_reference = ap.heading_angle;
}
