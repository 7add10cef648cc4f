// The module's one autopilot, at the host's edge: the host's callbacks carry no context, so each
// finds it here and hands the layers below what they read and write.
#pragma once

#include "autopilot/autopilot_values.h"

extern autopilot_values the_autopilot;
