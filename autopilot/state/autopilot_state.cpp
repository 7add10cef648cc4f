#include "autopilot/state/autopilot_state.h"

// Set at load from the initial values of the record and kept until unload.
autopilot_state ap;
