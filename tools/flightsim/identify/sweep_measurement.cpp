#include "tools/flightsim/identify/sweep_measurement.h"

response_pair pair_of(card_axis axis)
{
    switch (axis) {
    case card_axis::roll: return {"aileron to roll rate, deg/s per axis unit", "aileron", "bank_deg", true};
    case card_axis::pitch: return {"elevator to pitch rate, deg/s per axis unit", "elevator", "pitch_deg", true};
    case card_axis::pedals: return {"rudder to turn rate, deg/s per axis unit", "rudder", "turn_rate_dps", false};
    default: return {"collective to vertical speed, m/s per axis unit", "collective", "vertical_speed_ms", false};
    }
}

std::vector<double> segment(const recording& r, const std::string& column, const std::vector<size_t>& frames, bool rate)
{
    const std::vector<double>& x = r[column];
    const std::vector<double>& t = r["time_s"];
    std::vector<double> out;
    for (size_t i : frames) {
        if (!rate) out.push_back(x[i]);
        else if (i > 0 && i + 1 < x.size()) out.push_back((x[i + 1] - x[i - 1]) / (t[i + 1] - t[i - 1]));
        else out.push_back(0.0);
    }
    return out;
}

const char* const axis_columns[4] = {"aileron", "elevator", "rudder", "collective"};

sweep_measurement measure_sweep(const recording& r, const std::vector<size_t>& frames, const response_pair& pair, double dt,
                                const card_step& card)
{
    std::vector<std::vector<double>> holding;
    std::vector<int> holding_axes;
    for (int k = 0; k < 4; ++k) {
        if (std::string(pair.input) == axis_columns[k]) continue;
        holding.push_back(segment(r, axis_columns[k], frames, false));
        holding_axes.push_back(k);
    }
    const std::vector<std::vector<sweep_point>> responses =
        sweep_responses(segment(r, pair.input, frames, false), segment(r, pair.output, frames, pair.rate_of_output), holding,
                        dt, card.low_rad_s, card.high_rad_s, points_per_sweep);
    sweep_measurement m{responses.front(), std::vector<std::array<std::complex<double>, 4>>(points_per_sweep)};
    for (size_t i = 0; i < m.moved.size(); ++i) {
        m.moved[i].fill(1.0);
        for (size_t h = 0; h < holding_axes.size(); ++h) m.moved[i][holding_axes[h]] = responses[1 + h][i].response;
    }
    return m;
}
