// A scenario of the tour flown with given gains on a given aircraft, on this thread (once per
// thread: parallel_flights.h), and what it showed: each bar's RMS deviation and whether every
// change settled, and how busy the commands were.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/flightsim/loops/gain_set.h"

struct bar_result {
    std::string quantity;   // bank, pitch, heading, height, speed
    double rms = 0.0, bar = 0.0;
    bool settled = true;    // every change of what is held settled inside its band
};

// Every quantity the scenario holds, with or without a bar.
struct held_result {
    std::string quantity;
    double rms = 0.0, largest = 0.0;
    double bar = 0.0;  // NaN when the scenario sets none
    double seconds = 0.0;  // how long it was held
};

struct scenario_result {
    std::string name;
    bool ok = false;
    std::string failure;
    std::vector<bar_result> bars;
    std::vector<held_result> held;
    // Chatter: the mean change of each command (roll, pitch, pedal, collective) from one frame to
    // the next, axis units.
    std::array<double, 4> chatter{};
};

// The script with its record lines dropped and every fly longer than longest_fly seconds cut to
// it (0: as written), flown on the aircraft (its file's text) with the gains; the result as text.
std::string fly_scenario(const std::string& script, const std::string& aircraft_text, const gain_values& gains,
                         double longest_fly);

scenario_result read_scenario_result(const std::string& name, bool ok, const std::string& text);
