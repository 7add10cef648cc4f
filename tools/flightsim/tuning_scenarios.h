// The tour's scenarios the tuner flies (tools/flightsim/scenarios/01 to 05) and the sample
// configuration file, built into the program.
#pragma once

#include <string>
#include <vector>

struct tuning_scenario {
    const char* name;
    const char* script;
};

const std::vector<tuning_scenario>& tuning_scenarios();
const char* sample_configuration_text();
