#include "gauges/a_pilot.h"

#include "autopilot/channel_steps.h"
#include "config/configuration.h"
#include "input/joystick.h"
#include "platform/module_precision.h"

void HOST_CALL a_pilot_gauge_callback(GAUGEHDR*, int32_t service_id, uint32_t)
{
    at_module_precision([&] {
        if (service_id == PANEL_SERVICE_PRE_UPDATE) update_cycle();
        if (service_id == PANEL_SERVICE_CONNECT_TO_WINDOW) {
            discover_joysticks();
            read_configuration();
        }
    });
}
