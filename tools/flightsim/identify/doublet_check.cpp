#include "tools/flightsim/identify/doublet_check.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int steps_per_frame = 4;

using state = std::array<double, state_size>;
using axes = std::array<double, 4>;

// The axes at time t_s (seconds from the first frame), held before it and after the last.
axes axes_at(const doublet_signals& s, double t_s)
{
    const size_t n = s.measured.size();
    const double at = std::clamp(t_s / s.dt_s, 0.0, static_cast<double>(n - 1));
    const size_t i = std::min(static_cast<size_t>(at), n - 1);
    const size_t j = std::min(i + 1, n - 1);
    const double f = at - static_cast<double>(i);
    axes u{};
    for (int k = 0; k < 4; ++k) u[k] = s.axes[k][i] + (s.axes[k][j] - s.axes[k][i]) * f;
    return u;
}

state rates(const linear_model& m, const state& x, const axes& u)
{
    state dx{};
    for (int i = 0; i < state_size; ++i) {
        double sum = 0.0;
        for (int j = 0; j < state_size; ++j) sum += m.a[i][j] * x[j];
        for (int k = 0; k < 4; ++k) sum += m.b[i][k] * u[k];
        dx[i] = sum;
    }
    return dx;
}

state plus(const state& x, const state& dx, double h)
{
    state y{};
    for (int i = 0; i < state_size; ++i) y[i] = x[i] + dx[i] * h;
    return y;
}
}  // namespace

std::vector<double> model_answer(const linear_model& m, card_axis axis, const doublet_signals& s, double delay_s)
{
    std::vector<double> answer;
    if (s.measured.empty()) return answer;
    state x{};
    const double h = s.dt_s / steps_per_frame;
    for (size_t frame = 0; frame < s.measured.size(); ++frame) {
        const double t = static_cast<double>(frame) * s.dt_s;
        answer.push_back(model_output(m, axis, x, axes_at(s, t - delay_s)));
        for (int step = 0; step < steps_per_frame; ++step) {
            const double t0 = t + step * h - delay_s;
            const state k1 = rates(m, x, axes_at(s, t0));
            const state k2 = rates(m, plus(x, k1, h / 2), axes_at(s, t0 + h / 2));
            const state k3 = rates(m, plus(x, k2, h / 2), axes_at(s, t0 + h / 2));
            const state k4 = rates(m, plus(x, k3, h), axes_at(s, t0 + h));
            for (int i = 0; i < state_size; ++i) x[i] += h / 6 * (k1[i] + 2 * k2[i] + 2 * k3[i] + k4[i]);
        }
    }
    return answer;
}

double theil_inequality(const std::vector<double>& y, const std::vector<double>& z)
{
    double difference = 0.0, y_squares = 0.0, z_squares = 0.0;
    for (size_t i = 0; i < std::min(y.size(), z.size()); ++i) {
        difference += (y[i] - z[i]) * (y[i] - z[i]);
        y_squares += y[i] * y[i];
        z_squares += z[i] * z[i];
    }
    const double scale = std::sqrt(y_squares) + std::sqrt(z_squares);
    return scale > 0.0 ? std::sqrt(difference) / scale : 0.0;
}
