#include "gauges/a_pilot.h"

#include "autopilot/channel_steps.h"
#include "config/configuration.h"
#include "gauges/autopilot_instance.h"
#include "input/joystick.h"
#include "platform/module_precision.h"

namespace {

// One update cycle a frame, however many instances of A_Pilot the host serves and in whatever
// order: the first instance to pre-update runs the cycle from then on, the others pass. When it
// is disconnected or killed, the next instance to pre-update takes over; and when an instance
// passed over comes round again before the chosen one has run, a whole frame went by without it
// (an instance the host dropped without a word), so that instance takes over.
bool runs_the_cycle(cycle_instances& instances, const GAUGEHDR* instance)
{
    if (!instances.cycle_instance_chosen || instance == instances.cycle_instance ||
        (instances.instance_passed_over && instance == instances.first_passed_over)) {
        instances.cycle_instance_chosen = true;
        instances.cycle_instance = instance;
        instances.instance_passed_over = false;
        return true;
    }
    if (!instances.instance_passed_over) {
        instances.instance_passed_over = true;
        instances.first_passed_over = instance;
    }
    return false;
}

void instance_leaves(cycle_instances& instances, const GAUGEHDR* instance)
{
    if (instances.cycle_instance_chosen && instance == instances.cycle_instance) {
        instances.cycle_instance_chosen = false;
        instances.instance_passed_over = false;
    }
}

}  // namespace

void HOST_CALL a_pilot_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t)
{
    at_module_precision([&] {
        if (service_id == PANEL_SERVICE_PRE_UPDATE && runs_the_cycle(the_autopilot.state.instances, gauge)) update_cycle(the_autopilot);
        if (service_id == PANEL_SERVICE_CONNECT_TO_WINDOW) {
            discover_joysticks(the_autopilot.joysticks);
            read_configuration(the_autopilot.configuration, the_autopilot.state.settings);
        }
        if (service_id == PANEL_SERVICE_DISCONNECT || service_id == PANEL_SERVICE_PRE_KILL) instance_leaves(the_autopilot.state.instances, gauge);
    });
}
