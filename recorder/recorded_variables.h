// The host variables the recorder writes every frame, one column each: every variable the
// autopilot reads, then variables of the era's documented gauge interface that a model fit may
// use. A column is the host's value times scale, written with its decimals; its name carries its
// unit and is the flight simulator's own log's name where that log has the quantity.
#pragma once

#include <cstdint>

#include "state/host_variable_table.h"

struct recorded_variable {
    uint32_t token;
    const char* column;
    double scale;
    int32_t decimals;
    // 0 for the variables the autopilot reads; 1 for one it does not, which a host may not serve:
    // the recording reports it when it never changed, and no reader should trust it then.
    int32_t unproven;
};

inline constexpr double kmh_per_knot = 1.852;
inline constexpr double metres_per_second_per_host_unit = 1.0 / 256.0;
inline constexpr double degrees_per_second_per_host_unit = 360.0 / 65536.0;  // exact: 45/8192

inline constexpr recorded_variable recorded_variables[] = {
    {host_token::bank, "bank_deg", 1.0, 3, 0},
    {host_token::pitch, "pitch_deg", 1.0, 3, 0},
    {host_token::heading, "heading_deg", 1.0, 3, 0},
    {host_token::yaw_rate, "turn_rate_dps", degrees_per_second_per_host_unit, 3, 0},
    {host_token::height_a, "altitude_m", 1.0, 3, 0},
    {host_token::height_b, "radio_height_m", 1.0, 3, 0},
    {host_token::vertical_speed, "vertical_speed_ms", metres_per_second_per_host_unit, 3, 0},
    {host_token::airspeed, "airspeed_kmh", kmh_per_knot, 3, 0},
    {host_token::on_ground, "on_ground", 1.0, 0, 0},
    {host_token::control_313, "aileron", 1.0, 0, 0},
    {host_token::control_317, "elevator", 1.0, 0, 0},
    {host_token::control_316, "rudder", 1.0, 0, 0},
    {host_token::collective, "collective", 1.0, 0, 0},
    {host_token::tick18, "host_ticks", 1.0, 0, 0},
    {host_token::run_probe, "clock_s", 1.0, 0, 0},
    // The era's gauge interface names these too; the recorder's README says where.
    {69, "ball_69", 1.0, 4, 1},
    {318, "elevator_trim_318", 1.0, 0, 1},
    {351, "g_force_351", 1.0, 4, 1},
    {551, "velocity_551", 1.0, 4, 1},
    {552, "velocity_552", 1.0, 4, 1},
    {553, "velocity_553", 1.0, 4, 1},
    {554, "velocity_554", 1.0, 4, 1},
    {555, "velocity_555", 1.0, 4, 1},
    {556, "velocity_556", 1.0, 4, 1},
    {604, "elapsed_s_604", 1.0, 3, 1},
};

inline constexpr int recorded_variable_count = sizeof recorded_variables / sizeof recorded_variables[0];
