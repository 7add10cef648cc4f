// The scenarios the tuner flies (tools/flightsim/scenarios/01 to 05, 09 and 10), those it never
// flies in its search but only after it, to check the gains found on flights they were not
// tuned for (the benchmark hour, 06, 07 and 11 to 13), and the sample configuration file, built
// into the program.
#pragma once

#include <string>
#include <vector>

struct tuning_scenario {
    const char* name;
    const char* script;
};

const std::vector<tuning_scenario>& tuning_scenarios();
const std::vector<tuning_scenario>& held_out_scenarios();
const char* sample_configuration_text();
