// Stability margins of the autopilot's loops on an aircraft: each loop broken in turn (roll,
// pitch, pedals and collective at their axis events, the speed hold at the pitch reference) with
// the others closed, in a trimmed hover and in level flight at 150 km/h, its broken-loop
// frequency response measured by a multisine (frequency_response.h) through the module and the
// model, and the gain and phase margins read from it.
#pragma once

#include "tools/common/command_line.h"

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/loops/frequency_response.h"
#include "tools/flightsim/loops/gain_set.h"
#include "tools/flightsim/loops/loop_rig.h"

struct margin_settings {
    int period_frames = 1152;  // one period of the multisine: 64 s at 18 frames a second
    int harmonics = 26;
    int measured_periods = 2;  // after one period of warm-up
    // Relay loops also measured with the injection halved and doubled (the margins command and
    // the tuner's report; the search needs only the limit cycle).
    bool relay_sizes = true;
};

// A relay loop's limit cycle at rest (no injection): its output's RMS about its mean (the loop's
// output units: degrees of pitch reference for the speed hold, axis units for the axes) and
// frequency (from its crossings of the mean).
struct limit_cycle {
    double rms = 0.0;
    double frequency = 0.0;  // rad/s; 0 when it does not cross its mean
};

struct loop_measurement {
    flight_condition condition = flight_condition::hover;
    broken_loop loop = broken_loop::roll;
    bool ok = false;
    std::string failure;
    // k the measurement needed for each loop (1: the loop as it flies)
    std::array<double, broken_loop_count> stabilising{1.0, 1.0, 1.0, 1.0, 1.0};
    std::vector<response_point> response;
    loop_margins margins{};
    double rejection_bandwidth = 0.0;  // rad/s (disturbance_rejection_bandwidth)
    // A loop through the speed hold's rate relay: its response depends on the injection's size, so
    // its gain margin marks no edge of instability; it is judged by its limit cycle.
    bool relay = false;
    limit_cycle at_rest;
    std::vector<std::pair<double, loop_margins>> by_size;  // injection factor (0.5, 1, 2), margins
};

// The loops measured: four in hover, five in cruise.
struct loop_case {
    flight_condition condition;
    broken_loop loop;
};
std::vector<loop_case> measured_loops(const aircraft_parameters& aircraft);
// Whether a loop runs through the speed hold's rate relay with these gains: the speed hold and
// the cruise pitch loop it drives, when speed_kd is not 0.
bool relay_loop(const loop_case& which, const gain_values& gains);

// One task per loop (for run_in_children); each runs its flights in processes of their own.
std::vector<std::function<std::string()>> margin_tasks(const aircraft_parameters& aircraft, const gain_values& gains,
                                                       const margin_settings& settings);
// A task's result text read back.
loop_measurement read_margin_result(const loop_case& which, bool ok, const std::string& text);

// A loop's figures for a table: "relay" in place of a gain margin for a relay loop; the
// disturbance-rejection bandwidth ("above" the band, "none" when it rejects nothing measured).
std::string gain_margin_text(const loop_measurement& m);
std::string rejection_text(const loop_measurement& m);

// The margins table.
void print_margins(std::ostream& out, const std::vector<loop_measurement>& measurements);

// Bode plots: NAME_hover.png and NAME_cruise.png in folder (data files and gnuplot scripts
// beside them); returns each picture written, or its script where gnuplot did not draw it.
std::vector<std::string> plot_bode(const std::string& folder, const std::string& name,
                                   const std::vector<loop_measurement>& measurements);

// flightsim margins: 0, or 2 for bad input.
tool_command margins_command();
