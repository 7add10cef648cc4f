// Trimmed flight and the model's stability derivatives about it.
#pragma once

#include <string>
#include <vector>

#include "tools/flightsim/model/rotorcraft.h"

struct trim_condition {
    double ground_north = 0.0;     // m/s, velocity over the ground (hover: 0, 0)
    double ground_east = 0.0;
    double heading = 0.0;          // rad, true
    double altitude = 0.0;         // m above sea level
    double climb = 0.0;            // m/s, up
    air_state air;                 // steady wind and density
};

struct trim_result {
    state_vector state{};          // position 0, 0, -altitude
    control_inputs controls;
    double residual = 0.0;         // largest remaining acceleration
    bool converged = false;
    int iterations = 0;
    std::string refusal;           // why no trim was sought, when the aircraft cannot fly the condition
};

// Level flight at an airspeed (m/s, through the air along the heading) in the condition's wind.
trim_condition level_flight(double airspeed, double heading, double altitude, const air_state& air);

// Solves for the controls, roll and pitch attitude and disc tilt that hold the condition with
// no acceleration and no rotation.
trim_result solve_trim(const rotorcraft_model& model, const trim_condition& condition);

struct stability_derivative {
    std::string name;        // e.g. "Lp"
    std::string unit;
    double model;
    double reference;        // the published hover value (the aircraft file's), NaN if none
};

// The hover derivatives per unit mass or inertia (flapping settled at each perturbed state),
// by central differences about the hover trim, beside the published values.
std::vector<stability_derivative> hover_derivatives(const rotorcraft_model& model);
