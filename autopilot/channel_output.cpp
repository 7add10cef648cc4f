#include "autopilot/channel_output.h"

#include "input/joystick.h"
#include "module/host_calls.h"

void send_channel_command(const joystick_state& joysticks, uint32_t event_id, int8_t assignment, int32_t engaged,
                          double command)
{
    if (assignment == 0) return;
    if (engaged != 1 && axis_connected(joysticks, assignment) == 0) return;
    send_axis_event(event_id, command);
}
