// The module's one autopilot, at the host's edge: the host's callbacks carry no context, so each
// finds it here and hands the layers below what they read and write. One per host
// (common/one_per_host.h): per process in the module file, per thread in the linked build.
#pragma once

#include "autopilot/autopilot_values.h"
#include "common/one_per_host.h"

extern ONE_PER_HOST autopilot_values the_autopilot;
