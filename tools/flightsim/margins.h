// Stability margins of the autopilot's loops on an aircraft: each loop broken in turn (roll,
// pitch, pedals and collective at their axis events, the speed hold at the pitch reference) with
// the others closed, in a trimmed hover and in level flight at 150 km/h, its broken-loop
// frequency response measured by a multisine (frequency_response.h) through the module and the
// model, and the gain and phase margins read from it.
#pragma once

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/flightsim/aircraft.h"
#include "tools/flightsim/frequency_response.h"
#include "tools/flightsim/gain_set.h"
#include "tools/flightsim/loop_rig.h"

struct margin_settings {
    int period_frames = 1152;  // one period of the multisine: 64 s at 18 frames a second
    int harmonics = 26;
    int measured_periods = 2;  // after one period of warm-up
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
};

// The loops measured: four in hover, five in cruise.
struct loop_case {
    flight_condition condition;
    broken_loop loop;
};
std::vector<loop_case> measured_loops();

// One task per loop (for run_in_children); each runs its flights in processes of their own.
std::vector<std::function<std::string()>> margin_tasks(const aircraft_parameters& aircraft, const gain_values& gains,
                                                       const margin_settings& settings);
// A task's result text read back.
loop_measurement read_margin_result(const loop_case& which, bool ok, const std::string& text);

// The margins table.
void print_margins(std::ostream& out, const std::vector<loop_measurement>& measurements);

// Bode plots: NAME_hover.png and NAME_cruise.png in folder (data files and gnuplot scripts
// beside them); returns the pictures written, empty when gnuplot is missing or fails.
std::vector<std::string> plot_bode(const std::string& folder, const std::string& name,
                                   const std::vector<loop_measurement>& measurements);

// flightsim margins ARGS: 0, or 2 for bad input.
int margins_command(int argc, char** argv);
