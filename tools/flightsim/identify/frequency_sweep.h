// The frequency response of an output to an input from a sweep, as flight-test identification
// estimates it: spectral densities averaged over overlapping windows (Welch's method, Hann
// windows overlapping by half), for each of several window lengths; at each frequency the
// estimates of the lengths holding at least two of its periods combined, each weighted by the
// inverse of its random error's variance (the composite windowing of piloted-sweep analysis).
#pragma once

#include <complex>
#include <vector>

struct sweep_point {
    double omega = 0.0;                // rad/s
    std::complex<double> response;     // output over input
    double coherence = 0.0;            // gamma squared, 0 to 1
};

// From input and output sampled dt apart, at count frequencies spaced evenly on a logarithmic
// scale from low to high (rad/s). Each record's mean and straight-line trend are removed first.
std::vector<sweep_point> sweep_response(const std::vector<double>& input, const std::vector<double>& output, double dt,
                                        double low, double high, int count);

// The same, and for each companion record (another control, moved with the input) its ratio to
// the input, combined over the window lengths with the output's weights. The companions' points
// carry the output's coherence. Every record is as long as the input.
std::vector<std::vector<sweep_point>> sweep_responses(const std::vector<double>& input, const std::vector<double>& output,
                                                      const std::vector<std::vector<double>>& companions, double dt,
                                                      double low, double high, int count);

// The widest band, in octaves, over which the coherence stays at least threshold (the band's
// ends in rad/s through low_end and high_end; 0 octaves when no point reaches it).
double coherent_octaves(const std::vector<sweep_point>& points, double threshold, double& low_end, double& high_end);
