// The attitude law the roll and pitch channels share: the angle's rate estimate, the error from
// the reference with the pilot's trim, the limited integral and the proportional-integral command
// with rate damping, opposite in sign to the error; disengaged, the pilot's stick passes through.
#pragma once

#include <cstdint>

#include "autopilot/pi_rate_law.h"
#include "state/autopilot_state.h"

// What tells the roll channel's law from the pitch channel's.
struct attitude_law_terms {
    pi_gains gains;
    law_limits limits;
    double trim_sign = 1.0;    // +1: the trim is added (pitch); −1: subtracted (roll)
    double rate_factor = 1.0;  // the low-speed factor on the rate damping
};

// One cycle's inputs besides the channel's record.
struct attitude_inputs {
    double angle = 0.0;          // degrees, as the channel measures it
    double reference = 0.0;      // degrees
    double trim = 0.0;           // degrees
    double joy_reference = 0.0;  // axis units: the pilot's stick
    int32_t engaged = 0;
    int32_t integrator_gate = 0;
};

// The channel's record under the law's names.
struct attitude_loop {
    double& angle;
    double& angle_prev;
    double& rate;
    double& error;
    double& integrator;
    double& command;
};

void attitude_law(const attitude_law_terms& law, const attitude_inputs& now, const cycle_timing& timing,
                  const attitude_loop& loop);
