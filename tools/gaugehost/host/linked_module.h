// The modules linked into this program (native build), as the host finds them: the autopilot,
// and the recorder beside it.
#pragma once

#include "tools/gaugehost/host/gauge_host.h"

module_records linked_module();
module_records linked_recorder();
