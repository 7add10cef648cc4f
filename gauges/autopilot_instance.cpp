#include "gauges/autopilot_instance.h"

// Set at load from the initial values of the records (the joysticks and the configuration
// buffer zero), constant-initialized so that the module file has no start-up code, and kept
// until unload.
ONE_PER_HOST autopilot_values the_autopilot{};
