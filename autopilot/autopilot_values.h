// The whole autopilot as plain values: its state, the joysticks it reads and the configuration
// file's text buffer. The module holds one, at the host's edge (gauges/autopilot_instance.h);
// a tool may hold as many as it likes.
#pragma once

#include "state/autopilot_state.h"
#include "config/configuration.h"
#include "input/joystick.h"

struct autopilot_values {
    autopilot_state state;
    joystick_state joysticks;
    configuration_state configuration;
};
