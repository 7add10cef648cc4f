// The fitted model flown against the recording's doublets, which the fit never saw: the model
// linearised about the doublet's speed, driven from the doublet's start by all four recorded
// controls (the test pilot's holding inputs on the other axes too), its answer on the doublet's
// axis against the recorded one. The match is Theil's inequality coefficient: 0 for a perfect
// one, 1 for none; flight-test practice counts 0.25 to 0.3 and below as a good match.
#pragma once

#include <array>
#include <vector>

#include "recorder/flight_card.h"
#include "tools/flightsim/identify/linear_response.h"

// One doublet's frames: the four axes and the measured answer, each as its deviation from the
// trim the step started from, a frame every dt_s seconds.
struct doublet_signals {
    std::array<std::vector<double>, 4> axes;  // aileron, elevator, rudder, collective
    std::vector<double> measured;
    double dt_s = 0.0;
};

// The model's answer frame by frame: the controls held through each frame and delayed by
// delay_s (linearly between frames), four Runge-Kutta steps a frame, from the trim.
std::vector<double> model_answer(const linear_model& m, card_axis axis, const doublet_signals& s, double delay_s);

// sqrt(sum (y - z)^2) / (sqrt(sum y^2) + sqrt(sum z^2)), 0 for two silent signals.
double theil_inequality(const std::vector<double>& y, const std::vector<double>& z);
