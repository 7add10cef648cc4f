// flightsim identify RECORDING.csv: a flight-test recording read, checked, and each sweep's
// frequency response measured with its coherence.
#pragma once

#include "tools/common/command_line.h"

tool_command identify_command();
