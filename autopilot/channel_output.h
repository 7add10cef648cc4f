// How a channel's command reaches the host.
#pragma once

#include <cstdint>

#include "input/joystick.h"

// Sends the command as the channel's axis event when an axis is assigned to the channel and
// either the channel flies its law (engaged) or the assigned axis belongs to a joystick found at
// connect. With the pilot's joystick missing, a channel that is not engaged sends nothing: the
// host's own controls (its keyboard, its own joystick assignment) stay where the pilot put them.
void send_channel_command(const joystick_state& joysticks, uint32_t event_id, int8_t assignment, int32_t engaged,
                          double command);
