// The model's frequency responses about a trimmed flight: the rotorcraft model linearised by
// central differences (its 14 states, and the four host axes as inputs), then each response pair
// of the flight-test card, output over input, as the recording measures it.
#pragma once

#include <array>
#include <complex>

#include "recorder/flight_card.h"
#include "tools/flightsim/model/rotorcraft.h"

struct linear_model {
    std::array<std::array<double, state_size>, state_size> a{};
    std::array<std::array<double, 4>, state_size> b{};  // per axis unit: aileron, elevator, rudder, collective
    bool trimmed = false;
};

// About level flight at speed_kmh (0: the hover), at sea level and clear of the ground.
linear_model linearise(const rotorcraft_model& model, double speed_kmh);

// The response the recording measures for a card axis: roll and pitch rate (degrees a second,
// the host's signs), turn rate, vertical speed (m/s), per axis unit of its control, delayed by
// delay_s seconds.
std::complex<double> model_response(const linear_model& m, card_axis axis, double omega, double delay_s);
// The same output's response to another of the four axes (0 aileron, 1 elevator, 2 rudder,
// 3 collective), per axis unit of that one.
std::complex<double> model_response_to(const linear_model& m, card_axis axis, int input, double omega, double delay_s);

// The same quantity in the time domain: what the model gives for it at a state deviation x from
// the trim and axis deviations u (aileron, elevator, rudder, collective), undelayed.
double model_output(const linear_model& m, card_axis axis, const std::array<double, state_size>& x,
                    const std::array<double, 4>& u);
