// Broken-loop frequency response from a closed-loop flight, and the stability margins it gives.
//
// The loop is broken at the point where the controller's output c enters the plant. What enters
// the plant is u = r + k (c - r) + d: the controller's output around its starting value r,
// scaled by a stabilising factor k (1 for the loop as it flies; less to keep a loop that would
// limit-cycle at rest long enough to measure), plus an injected signal d. The broken-loop
// response is then L = -C/U at each injected frequency (C and U the Fourier components of c and
// u), whatever k is, as long as the loop is linear there.
//
// The injected signal is a multisine: cosines at chosen harmonics of one period of N frames,
// with Schroeder phases for a low crest factor, every frequency measured at once over whole
// periods after a period's warm-up.
#pragma once

#include <complex>
#include <vector>

struct multisine {
    int period_frames = 0;
    std::vector<int> harmonics;   // 1 .. period_frames / 2 (the last may be the Nyquist frequency)
    std::vector<double> phases;
    double amplitude = 0.0;       // of each cosine
    double value(long frame) const;
};

// About count harmonics spaced evenly on a logarithmic scale from the first to the Nyquist
// frequency, each cosine scaled so that the whole signal has the given RMS.
multisine design_multisine(int period_frames, int count, double rms);

struct response_point {
    double omega = 0.0;            // rad/s
    std::complex<double> value;    // L(j omega)
};

// L = -C/U at each harmonic, over the last whole periods of the two records (one sample a frame,
// frame_seconds apart); each record's straight-line trend is removed first. More periods average
// out more of what the loop does that the signal did not cause (gusts, a relay's chatter).
std::vector<response_point> broken_loop_response(const std::vector<double>& command, const std::vector<double>& applied,
                                                 const multisine& signal, double frame_seconds, int periods);

struct loop_margins {
    double gain_margin_db;     // +infinity when the phase never reaches -180 degrees above crossover
    double phase_crossover;    // rad/s; NaN when none
    double phase_margin_deg;   // +infinity when the gain never falls through 1 (or never reaches it)
    double crossover;          // gain crossover, rad/s; NaN when none
};

// Margins from a measured response. The phase margin is 180 + arg L where |L| falls through 1
// (the smallest, if it does so more than once; that frequency is the crossover). The gain margin
// is -20 log10 |L| where arg L passes -180 degrees: with the phase margin positive, at the
// first such frequency above the crossover (positive); with it negative (an unstable loop), at
// the last one below the crossover, where |L| > 1 (negative); with no crossover, the smallest at
// any (negative when |L| stays above 1, as in a loop that limit-cycles frame to frame). Between
// measured points the gain (log) and phase are interpolated linearly against log frequency.
loop_margins margins_of(const std::vector<response_point>& response);

// The disturbance-rejection bandwidth: the lowest frequency where the sensitivity |1/(1+L)| (what
// is left of a disturbance at the loop's output) rises through -3 dB, interpolated as above.
// Below it the loop rejects disturbances. +infinity when |1/(1+L)| stays below -3 dB over the
// whole band measured; NaN when it starts above it (the loop rejects nothing measured).
double disturbance_rejection_bandwidth(const std::vector<response_point>& response);
