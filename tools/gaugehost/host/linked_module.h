// The module linked into this program (native build), as the host finds it.
#pragma once

#include "tools/gaugehost/host/gauge_host.h"

module_records linked_module();
