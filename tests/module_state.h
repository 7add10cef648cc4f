// The module's one autopilot as the tests reach it: its state, joysticks and configuration
// buffer under short names, and the inputs the update cycle hands the channel steps.
#pragma once

#include "autopilot/channel_steps.h"
#include "gauges/autopilot_instance.h"

inline autopilot_state& ap = the_autopilot.state;
inline joystick_state& joy = the_autopilot.joysticks;
inline configuration_state& cfg = the_autopilot.configuration;

inline channel_inputs module_inputs()
{
    return inputs_of(the_autopilot);
}
