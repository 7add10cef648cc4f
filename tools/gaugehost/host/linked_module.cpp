#include "tools/gaugehost/host/linked_module.h"

#include "recorder/recorder_module.h"

module_records linked_module()
{
    static char resource_handle_stand_in;  // the native build has no module handle
    return {&Linkage, &ImportTable, &resource_handle_stand_in, "BRASK_TORVIK_V1_0", {}};
}

module_records linked_recorder()
{
    static char resource_handle_stand_in;
    return {&recorder_linkage, &recorder_import_table, &resource_handle_stand_in, "BRASK_TORVIK_REC", {}};
}
