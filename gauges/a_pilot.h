// A_Pilot, the invisible logic gauge that runs the autopilot.
#pragma once

#include "module/host_abi.h"

// Service 6 runs one update cycle (of one instance, when the host serves several: one cycle a
// frame); service 14 finds the joysticks and reads the configuration file; services 12 and 15
// let another instance run the cycle; every other service does nothing.
void HOST_CALL a_pilot_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);
