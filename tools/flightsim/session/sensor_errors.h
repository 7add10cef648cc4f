// What the host's instruments add to the truth before the module (and the recorder) see it: white
// noise, seeded, and quantisation to fixed steps. Off unless a scenario asks (sensors).
#pragma once

#include <cstdint>
#include <random>

#include "tools/flightsim/session/host_link.h"

struct sensor_errors {
    // Noise of level 1: 0.05 degree of bank and pitch, 0.1 degree of heading, 0.2 degree a second
    // of turn rate, 0.1 m of either height, 0.05 m/s of vertical speed, 0.5 knot of airspeed, one
    // standard deviation each; level scales them all.
    double noise_level = 0.0;
    // Steps: angles in 1/65536 of a turn, the turn rate and the vertical speed in whole host units,
    // heights in 1/8 m, airspeed in 1/8 knot.
    bool quantised = false;
    std::mt19937_64 random{1};

    bool on() const { return noise_level > 0.0 || quantised; }
    // The readings as the instruments show them.
    host_readings shown(const host_readings& truth);
};
