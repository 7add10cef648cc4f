// The host variables the autopilot reads: one table of token, the module's slot, the unit as the
// host gives it and what it is. The module samples them (host_variables.h); the flight
// simulator's host serves them (tools/flightsim/session/host_link.h); the tests set them.
#pragma once

#include <cstdint>

namespace host_token {
constexpr uint32_t tick18 = 1;           // TICK18: ticks of an 18.2 Hz counter, host time
constexpr uint32_t on_ground = 60;       // 1 while the aircraft touches the ground, else 0
constexpr uint32_t airspeed = 61;        // indicated airspeed, knots
constexpr uint32_t vertical_speed = 65;  // vertical speed, 1/256 m/s, positive up
constexpr uint32_t yaw_rate = 70;        // heading's rate, 1/65536 turn per second, positive right
constexpr uint32_t height_a = 74;        // barometric altitude, metres above sea level
constexpr uint32_t pitch = 77;           // pitch attitude, degrees, positive nose down
constexpr uint32_t bank = 79;            // bank, degrees, positive left wing down
constexpr uint32_t heading = 81;         // magnetic heading, degrees 0 to 360
constexpr uint32_t collective = 128;     // collective lever, 0 (down) to 16384 (up)
constexpr uint32_t control_313 = 313;    // aileron position, axis units
constexpr uint32_t control_316 = 316;    // rudder position, axis units
constexpr uint32_t control_317 = 317;    // elevator position, axis units
constexpr uint32_t run_probe = 557;      // clock seconds 0 to 59 of simulated time, frozen in a pause
constexpr uint32_t height_b = 614;       // radio height above the ground, metres
}  // namespace host_token

struct host_variable_entry {
    uint32_t token;
    const char* slot;  // the module's record (var_NAME)
    const char* unit;  // as the host gives it
    const char* meaning;
};

inline constexpr host_variable_entry host_variable_table[] = {
    {host_token::tick18, "var_tick18", "ticks of 1/18.2 s", "host time, runs during a pause"},
    {host_token::on_ground, "var_on_ground", "0 or 1", "on the ground"},
    {host_token::airspeed, "var_airspeed", "knots", "indicated airspeed"},
    {host_token::vertical_speed, "var_vertical_speed", "1/256 m/s", "vertical speed, up"},
    {host_token::yaw_rate, "var_yaw_rate", "1/65536 turn/s", "heading's rate, right"},
    {host_token::height_a, "var_height_a", "m", "barometric altitude"},
    {host_token::pitch, "var_pitch", "degrees", "pitch attitude, nose down"},
    {host_token::bank, "var_bank", "degrees", "bank, left wing down"},
    {host_token::heading, "var_heading", "degrees", "magnetic heading"},
    {host_token::collective, "var_collective_position", "axis units", "collective lever, 0 down to 16384 up"},
    {host_token::control_313, "var_control_313", "axis units", "aileron position"},
    {host_token::control_316, "var_control_316", "axis units", "rudder position"},
    {host_token::control_317, "var_control_317", "axis units", "elevator position"},
    {host_token::run_probe, "var_run_probe", "seconds", "clock seconds of simulated time, frozen in a pause"},
    {host_token::height_b, "var_height_b", "m", "radio height above the ground"},
};
