// The aircraft's parameters, read from a data file of NAME VALUE lines ('#' starts a comment).
// The default aircraft's file, bo105.aircraft, is built into the program.
#pragma once

#include <limits>
#include <string>

#include "tools/flightsim/model/derivative_table.h"

struct aircraft_parameters {
    double mass, inertia_roll, inertia_pitch, inertia_yaw;
    double rotor_radius, rotor_blades, rotor_chord, rotor_speed, rotor_direction;
    double blade_lift_slope, blade_twist, blade_drag, blade_flap_inertia, flap_frequency;
    double hub_height, hub_forward, shaft_tilt;
    double collective_low, collective_high, cyclic_longitudinal, cyclic_lateral;
    double tail_pitch_centre, tail_pitch_travel;
    double tail_rotor_radius, tail_rotor_blades, tail_rotor_chord, tail_rotor_speed;
    double tail_rotor_lift_slope, tail_rotor_drag, tail_rotor_arm, tail_rotor_height;
    double stabiliser_area, stabiliser_arm, stabiliser_lift_slope;
    double fin_area, fin_arm, fin_height, fin_lift_slope, surface_stall_angle;
    double drag_area_forward, drag_area_side, drag_area_vertical;
    double skid_drop, skid_forward, skid_aft, skid_half_track, skid_stiffness, skid_damping, skid_friction;
    double air_density;
    // Published hover stability derivatives of the type, for the comparison of flightsim
    // --derivatives (lines published_Xu VALUE ...); optional, NaN where not given.
    double published[8];
    // A derivative-table aircraft (derivative_table.h) in place of the rotor: given when the file
    // has the table's lines. Such a file gives only the parameters every aircraft needs (the mass,
    // the controls' travel, the skids' drop, the air) and no rotor, tail rotor, surface or skid data.
    derivative_table table;
    // The speed through the air, m/s, up to which the file holds: a derivative table's (which must
    // give it), or a fit of the hover alone's. Optional elsewhere: no limit.
    double speed_limit = std::numeric_limits<double>::infinity();
    // Each control reaches the aircraft through an actuator of first order with this time constant,
    // seconds: a derivative table's (which must give one), or a fit's that found one. Optional
    // elsewhere: 0, the controls act at once.
    double actuator_lag_s = 0.0;
};

// Shorter actuator lags than this the simulation's steps (at most 15 ms) would not resolve.
constexpr double minimum_actuator_lag_s = 0.02;

// Whether a parameter describes the rotorcraft model's rotor, airframe or skids, which a
// derivative-table aircraft has none of.
bool rotor_parameter(const std::string& name);

// The hover derivatives an aircraft file may publish, in the order of aircraft_parameters::published.
constexpr const char* published_derivative_names[8] = {"Xu", "Yv", "Zw", "Lp", "Mq", "Nr", "Nv", "Mu"};

// Parses a data file's text. Every parameter must be given once (the published derivatives at
// most once); an unknown name, a bad number or a missing parameter throws std::runtime_error
// naming the line or the parameter.
aircraft_parameters parse_aircraft(const std::string& text);

// The built-in default aircraft (bo105.aircraft).
const aircraft_parameters& default_aircraft();
const char* default_aircraft_text();
