// AP_YoySet, the channel-assignment panel.
#pragma once

#include "module/host_abi.h"

// On pre-update, serves a pending reload of the channel assignments, then a pending save.
void HOST_CALL ap_yoyset_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);
