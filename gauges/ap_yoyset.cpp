#include "gauges/ap_yoyset.h"

#include "config/configuration.h"

void HOST_CALL ap_yoyset_gauge_callback(GAUGEHDR*, int32_t service_id, uint32_t)
{
    if (service_id != PANEL_SERVICE_PRE_UPDATE) return;
    if (cfg.joy_kanal_load_request == 1) {
        read_channel_assignments();
        cfg.joy_kanal_load_request = 0;
    }
    // A failed write is not reported: the request is cleared and the assignments stay as they are.
    if (cfg.joy_kanal_save_request == 1) {
        write_channel_assignments();
        cfg.joy_kanal_save_request = 0;
    }
}
