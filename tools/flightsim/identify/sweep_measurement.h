// A sweep of the flight-test card measured from a recording: what each card axis moves and what
// answers it first, the recording's columns over a take's frames, and the sweep's frequency
// response with how the pilot's holding inputs on the other axes moved with it.
#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

#include "recorder/flight_card.h"
#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/identify/recording.h"

// What a card axis moves (its input) and what answers first (its output), and in what units.
struct response_pair {
    const char* name;
    const char* input;
    const char* output;  // a column, or an attitude column whose rate is taken
    bool rate_of_output;
};

response_pair pair_of(card_axis axis);

// A column over a take's frames; rate: its rate by central differences.
std::vector<double> segment(const recording& r, const std::string& column, const std::vector<size_t>& frames, bool rate);

// The recording's four axis columns, in the order of the model's inputs.
extern const char* const axis_columns[4];

// A sweep's frequency response from its control to the aircraft's first answer, and how each of
// the four axes moved with the swept one at the same frequencies: the pilot's holding inputs,
// measured as their response to the sweep (the swept axis's own is 1), over the same windows and
// with the same weights as the answer they help explain.
struct sweep_measurement {
    std::vector<sweep_point> points;
    std::vector<std::array<std::complex<double>, 4>> moved;  // by axis, in axis_columns' order
};

constexpr int points_per_sweep = 40;  // from the card step's lowest frequency to its highest

sweep_measurement measure_sweep(const recording& r, const std::vector<size_t>& frames, const response_pair& pair, double dt,
                                const card_step& card);
