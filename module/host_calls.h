// The two host operations the update cycle uses, reached through ImportTable.
#pragma once

#include "module/host_abi.h"

// Refreshes the slot through lookup_var and returns its value.
double host_sample(MODULE_VAR& var);

// Sends one axis-set event with the command truncated toward zero to a signed 32-bit value.
void send_axis_event(uint32_t event_id, double command);
