// The configuration file: gains, options and channel assignments read at connect from
// "<host executable folder>\gauges\brask_torvik.cfg"; the four assignments can be reloaded and
// saved from the cockpit.
#pragma once

#include <cstdint>

#include "state/autopilot_state.h"

constexpr uint32_t ini_buffer_size = 20;     // at most 19 characters of a value are used
constexpr uint32_t config_path_size = 260;   // the composed path, terminator included

struct configuration_state {
    char ini_buffer[ini_buffer_size];  // shared by every read and write
    int32_t joy_kanal_load_request;    // 1: reload the assignments at the next pre-update
    int32_t joy_kanal_save_request;    // 1: save the assignments at the next pre-update
};

// The configuration path, composed afresh for each profile call. A path that would not fit in
// config_path_size bytes is never cut short: fits is false and the call does without it.
struct config_path {
    char text[config_path_size];
    bool fits;
};

config_path config_file_path();

// At connect: all 22 keys, in a fixed order, into their variables.
void read_configuration(configuration_state& io, autopilot_settings& settings);

// The four channel assignments alone.
void read_channel_assignments(configuration_state& io, autopilot_settings& settings);
void write_channel_assignments(configuration_state& io, const autopilot_settings& settings);
