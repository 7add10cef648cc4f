// Every change of the autopilot's modes, each in one function: the pilot's switches as the
// cockpit's clicks throw them, and the captures the update cycle makes on the edges it finds.
// A capture rule lives here once, whoever triggers it.
#pragma once

#include "state/autopilot_state.h"

// The engage lamp: toggles the master switch. The bank reference restarts at 0 either way; the
// captures follow in the next cycle (engage, hand_back).
void master_switch_toggle(autopilot_state& s);

// The heading switch. Heading hold itself begins (and captures its heading) at the end of the
// next cycle, unless the stick's release button holds it off.
void heading_switch_on(autopilot_state& s);
void heading_switch_off(autopilot_state& s);

// The height switch: on, the height of the moment is the one to hold; either way the collective
// base is set so that the collective goes on from where it stands.
void height_switch_on(autopilot_state& s);
void height_switch_off(autopilot_state& s);

// The height-source button, only while the master switch is on: the height held becomes the
// present height as the newly selected source measures it.
void height_source_toggle(autopilot_state& s);

// The speed-hold switch; the hold engages (speed_hold_engage) in the next cycle with the master on.
void speed_hold_switch_on(autopilot_state& s);
void speed_hold_switch_off(autopilot_state& s);

// The first cycle that finds the master switch on: what the channels will hold.
void engage(autopilot_state& s);
// The first cycle that finds the master switch off: back to the pilot's sticks.
void hand_back(autopilot_state& s);
// The cycle in which the speed hold becomes active: the speed and pitch to hold around.
void speed_hold_engage(autopilot_state& s);
// The cycle at whose end heading hold becomes active: the heading to hold.
void heading_hold_engage(autopilot_state& s);
