// An aircraft file's free parameters fitted to measured frequency responses: the weighted
// magnitude and phase cost of flight-test identification (per response pair, J = 20/n times the
// sum over its coherent points of the coherence weight times the squared magnitude error in dB
// plus 0.01745 times the squared phase error in degrees), minimised by a bounded search from
// several starts; with each parameter's approximate confidence bound and strongest correlation.
// A factor the data do not identify (its bound wider than half its value, or the responses not
// moving with it) is held at the start's value, and the rest searched again.
#pragma once

#include <array>
#include <complex>
#include <string>
#include <vector>

#include "recorder/flight_card.h"
#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/identify/linear_response.h"
#include "tools/flightsim/model/aircraft.h"

struct measured_pair {
    int step = 0;
    card_axis axis = card_axis::roll;
    double speed_kmh = 0.0;
    std::vector<sweep_point> points;
    // At each point, how each of the four axes moved with the swept one (its measured response
    // to it; the swept axis's own is 1): the pilot holding the other axes moves them with the
    // sweep, and the output answers those moves too. Empty: the swept axis alone moved.
    std::vector<std::array<std::complex<double>, 4>> axes_moved;
};

// What the model predicts the measured response to be at a pair's point: its response to each
// axis times how that axis moved with the sweep, summed.
std::complex<double> predicted_response(const linear_model& m, const measured_pair& pair, size_t point, double delay_s);

// What the data can identify, each a factor on the start's value (the actuator lag: seconds); and
// the delay between the recording's controls and its responses, which is held.
struct free_parameter {
    const char* name;
    const char* why;  // what in the responses sets it
    bool cruise_only = false;  // nothing in a hover moves it: held in a fit of the hover alone
};
extern const std::vector<free_parameter> free_parameters;
// What stays as the start file has it, and why.
extern const char* const held_parameters;

struct fitted_parameter {
    std::string name;
    double start = 0.0, value = 0.0;
    double bound_percent = 0.0;        // approximate one-sigma confidence bound, % of the value
    std::string correlated_with;       // the parameter it is most correlated with
    double correlation = 0.0;
    bool held = false;                 // not searched, or not identified: at the start's value; the delay at the recording's timing
    bool drawn = false;                // not identified alone: drawn toward the start's value (why_held says so)
    std::string why_held;
    bool at_bound = false;             // the actuator lag found to be none: no bound or correlation
};

struct fit_result {
    aircraft_parameters fitted;
    std::vector<fitted_parameter> parameters;
    std::vector<double> pair_costs;  // per measured pair
    double mean_cost = 0.0;
    int evaluations = 0;
};

// The delay of a recording's responses behind its controls that is the recording's own, not the
// aircraft's: each row's controls are the ones the frame before it was flown with, held through
// that frame, so they stand for the middle of it, half a frame ahead of the row's time.
inline double recording_timing_s(double frame_s) { return -0.5 * frame_s; }

// timing_s: the delay held (recording_timing_s of its frame). hover_alone: the pairs are
// the hover's, and the cruise-only parameters stay as the start has them. Factors the pairs do
// not identify are held too, each with why.
fit_result fit_model(const aircraft_parameters& start, const std::vector<measured_pair>& pairs, int starts, unsigned seed,
                     double timing_s, bool hover_alone = false);
