#include "tools/flightsim/session/hold_statistics.h"

#include <cmath>

#include "tools/flightsim/model/sim_math.h"

namespace {

// Deviation bands for the settling time: the bars' limits.
constexpr double settling_band[held_count] = {2.0, 2.0, 3.0, 2.0, 5.0};

// The channel that holds each quantity: roll for bank, pitch for pitch and speed, pedals for
// heading, collective for height.
int channel_of(int quantity)
{
    return quantity == held_bank ? 0 : quantity == held_heading ? 2 : quantity == held_height ? 3 : 1;
}

}  // namespace

double hold_statistics::rms() const
{
    return held_seconds > 0.0 ? std::sqrt(sum_squares / held_seconds) : 0.0;
}

void holding_record::account(double t, double dt, const expectation& e, const double (&measured)[held_count],
                             const channel_commands& commands, const std::array<bool, 4>& sent)
{
    for (int i = 0; i < held_count; ++i) {
        hold_statistics& s = stats_[i];
        segment& g = segments_[i];
        auto close_segment = [&] {
            if (g.held && !g.settled && t - g.change_time >= settling_period + settled_for) s.unsettled = true;
        };
        if (!e.held[i]) {
            close_segment();
            g.held = false;
            continue;
        }
        const int channel = channel_of(i);
        if (!g.held || std::fabs(e.target[i] - g.target) > 1e-9) {
            close_segment();
            g.change_time = t;
            g.in_band = false;
            g.settled = false;
            g.start_command = commands[channel];
        }
        g.held = true;
        g.target = e.target[i];

        double deviation = measured[i] - e.target[i];
        if (i == held_heading) deviation = sim::wrap(deviation + 180.0, 360.0) - 180.0;

        if (std::fabs(deviation) <= settling_band[i]) {
            if (!g.in_band) {
                g.in_band = true;
                g.in_band_since = t;
            }
            if (!g.settled && t - g.in_band_since >= settled_for) {
                g.settled = true;
                s.settling = std::fmax(s.settling, g.in_band_since - g.change_time);
            }
        } else {
            g.in_band = false;
        }
        if (t - g.change_time >= settling_period) {
            s.held_seconds += dt;
            s.sum_squares += deviation * deviation * dt;
            s.largest_deviation = std::fmax(s.largest_deviation, std::fabs(deviation));
        }
        if (sent[channel]) {
            // The collective's command is counted from where it stood when the hold began.
            const double command = i == held_height ? commands[channel] - g.start_command : commands[channel];
            s.largest_command = std::fmax(s.largest_command, std::fabs(command));
        }
    }
}

void holding_record::close(double t)
{
    for (int i = 0; i < held_count; ++i) {
        const segment& g = segments_[i];
        if (g.held && !g.settled && t - g.change_time >= settling_period + settled_for) stats_[i].unsettled = true;
    }
}
