// The options several flightsim commands share, named once.
#pragma once

#include "tools/common/command_line.h"

inline command_option aircraft_option()
{
    return {"--aircraft", "FILE", "the aircraft (default: the built-in bo105.aircraft)"};
}

inline command_option gains_config_option()
{
    return {"--config", "CFG", "the gains from this configuration file (default: the module's defaults)"};
}

constexpr long most_jobs = 64;

inline command_option jobs_option()
{
    return {"--jobs", "N", "flights at a time, each on a thread of its own (default 2)", 1, most_jobs};
}
