// How well each quantity was held: time held, settling after each change of what is held, RMS and
// largest deviation from the settling period on, the channel's largest command.
#pragma once

#include <array>
#include <optional>

#include "tools/flightsim/session/pilot_expectation.h"

constexpr double settling_period = 10.0;  // s after a change before deviations count
constexpr double settled_for = 3.0;       // s inside the band that count as settled

struct hold_statistics {
    double held_seconds = 0.0;       // time held, after the settling period
    double sum_squares = 0.0;
    double largest_deviation = 0.0;
    double settling = 0.0;           // longest settling after a change of what is held, s
    bool unsettled = false;          // some change never settled
    double largest_command = 0.0;    // largest |axis command| of the channel while held
    std::optional<double> bar;       // the scenario's bar on the RMS deviation
    double rms() const;
};

// The four channels' commands of a frame: roll, pitch, pedal, collective.
using channel_commands = std::array<double, 4>;

class holding_record {
public:
    void set_bar(held_quantity quantity, double rms_limit) { stats_[quantity].bar = rms_limit; }

    // One frame at time t lasting dt: what is held, what the instruments measured, the commands
    // and which of them the module sent this frame.
    void account(double t, double dt, const expectation& e, const double (&measured)[held_count],
                 const channel_commands& commands, const std::array<bool, 4>& sent);

    // At the end of the flight (time t): a change still unsettled counts as never settled.
    void close(double t);

    const hold_statistics& of(held_quantity quantity) const { return stats_[quantity]; }

private:
    struct segment {
        bool held = false;
        double change_time = 0.0, target = 0.0;
        bool in_band = false, settled = false;
        double in_band_since = 0.0;
        double start_command = 0.0;
    };
    hold_statistics stats_[held_count];
    segment segments_[held_count];
};
