// A flight with one of the autopilot's loops broken, for measuring its broken-loop response: the
// helicopter model trimmed in hover or in level flight, flown by the module (linked in, reached
// only as gaugehost reaches it, apart from the speed hold's loop, broken inside the module's
// state at the pitch reference it writes), with every hold engaged and one loop's output taken
// and given to the plant as u = r + k (c - r) + d (frequency_response.h).
//
// A rig runs the module on this thread: the module's state is the thread's own, so a rig runs
// once per thread (margins.h runs each on a thread of its own).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/loops/frequency_response.h"
#include "tools/flightsim/loops/gain_set.h"

enum class broken_loop { roll, pitch, pedals, collective, speed };
constexpr int broken_loop_count = 5;
const char* broken_loop_name(broken_loop loop);

enum class flight_condition { hover, cruise };  // trimmed hover 30 m up; level flight at 150 km/h, 150 m up
const char* flight_condition_name(flight_condition condition);

struct loop_test {
    aircraft_parameters aircraft;
    gain_values gains;
    flight_condition condition = flight_condition::hover;
    broken_loop loop = broken_loop::roll;
    multisine signal;
    // k for each loop's output (indexed by broken_loop): 1 for the loops as they fly; less for
    // a loop that would sit at its limits (limit-cycling) and spoil the measurement.
    std::array<double, broken_loop_count> stabilising{1.0, 1.0, 1.0, 1.0, 1.0};
    int periods = 2;            // of the signal: the first lets the loop settle into it
};

struct loop_record {
    std::vector<double> command, applied;   // c and u, one a frame, while the signal runs
    double frame_seconds = 0.0;
    // Frames in which each loop's output stood at a limit while the signal ran.
    std::array<int, broken_loop_count> limited_frames{};
    double largest_speed_change = 0.0;  // km/h from the trimmed airspeed, over the record
};

// Flies the test on this thread (once per thread).
loop_record fly_loop_test(const loop_test& test);
