#include "module/host_calls.h"

#include "common/control_math.h"

double host_sample(MODULE_VAR& var)
{
    ImportTable.panels_entry.panels->lookup_var(&var);
    return var.value;
}

void send_axis_event(uint32_t event_id, double command)
{
    const int32_t value = truncate_to_int32(command);
    ImportTable.panels_entry.panels->trigger_key_event(event_id, static_cast<uint32_t>(value));
}
