// The flight's CSV log: one row for every frame.
#pragma once

#include <fstream>
#include <string>

#include "tools/flightsim/session/hold_statistics.h"
#include "tools/flightsim/session/host_link.h"
#include "tools/flightsim/session/pilot_expectation.h"
#include "tools/flightsim/model/turbulence.h"

// What one frame showed, did and expected.
struct frame_record {
    double sim_time = 0.0, host_time = 0.0;
    bool paused = false;
    host_readings readings{};
    cockpit_lamps lamps;
    expectation expected;
    channel_commands commands{};
    axis_positions axes;
    double north = 0.0, east = 0.0, ground = 0.0;
    wind_vector wind;
};

class flight_log {
public:
    // Starts the log (the header row); throws std::runtime_error when the file cannot be written.
    void open(const std::string& path);
    bool is_open() const { return csv_.is_open(); }
    // Follows the heading through 360 for the unwrapped columns; writes the row when open.
    void write(const frame_record& frame);
    void flush() { csv_.flush(); }

private:
    std::ofstream csv_;
    bool first_ = true;
    double heading_unwrapped_ = 0.0, last_heading_ = 0.0;
};
