#include "tools/flightsim/identify/linear_response.h"

#include <cmath>
#include <utility>

#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/model/trim.h"
#include "tools/flightsim/session/host_link.h"

namespace {
constexpr double degrees_per_radian = 57.29577951308232;
constexpr double axis_step = 50.0;  // axis units, each way

double state_step(int i)
{
    if (i <= s_down) return 0.01;             // m
    if (i <= s_w) return 0.01;                // m/s
    return 1e-4;                              // rad, rad/s
}

std::array<double, state_size> rates(const rotorcraft_model& model, const state_vector& x, const control_inputs& c,
                                     const air_state& air)
{
    state_vector dx{};
    model.derivatives(x, c, air, terrain(-1e6), dx);
    return dx;
}

// The row of the state whose rate is the output, and its sign and scale.
std::pair<int, double> output_of(card_axis axis)
{
    switch (axis) {
    case card_axis::roll: return {s_phi, -degrees_per_radian};     // bank is −phi
    case card_axis::pitch: return {s_theta, -degrees_per_radian};  // pitch is −theta
    case card_axis::pedals: return {s_psi, degrees_per_radian};
    default: return {s_down, -1.0};                                // up is −down
    }
}

int input_of(card_axis axis)
{
    return axis == card_axis::roll ? 0 : axis == card_axis::pitch ? 1 : axis == card_axis::pedals ? 2 : 3;
}

// x = (j omega I − A)^−1 b by Gaussian elimination with partial pivoting.
std::array<std::complex<double>, state_size> solve(const linear_model& m, double omega, int input)
{
    std::array<std::array<std::complex<double>, state_size + 1>, state_size> g{};
    for (int i = 0; i < state_size; ++i) {
        for (int j = 0; j < state_size; ++j) g[i][j] = -m.a[i][j];
        g[i][i] += std::complex<double>(0.0, omega);
        g[i][state_size] = m.b[i][input];
    }
    for (int col = 0; col < state_size; ++col) {
        int pivot = col;
        for (int r = col + 1; r < state_size; ++r)
            if (std::norm(g[r][col]) > std::norm(g[pivot][col])) pivot = r;
        std::swap(g[col], g[pivot]);
        for (int r = col + 1; r < state_size; ++r) {
            const std::complex<double> f = g[r][col] / g[col][col];
            for (int c = col; c <= state_size; ++c) g[r][c] -= f * g[col][c];
        }
    }
    std::array<std::complex<double>, state_size> x{};
    for (int r = state_size - 1; r >= 0; --r) {
        std::complex<double> sum = g[r][state_size];
        for (int c = r + 1; c < state_size; ++c) sum -= g[r][c] * x[c];
        x[r] = sum / g[r][r];
    }
    return x;
}
}  // namespace

linear_model linearise(const rotorcraft_model& model, double speed_kmh)
{
    air_state air;
    air.density = model.parameters().air_density;
    trim_condition condition;
    if (speed_kmh > 0.0) {
        condition = level_flight(speed_kmh / 3.6, 0.0, 0.0, air);
    } else {
        condition.air = air;
    }
    const trim_result trim = solve_trim(model, condition);
    linear_model m;
    m.trimmed = trim.converged;
    if (!trim.converged) return m;
    for (int j = 0; j < state_size; ++j) {
        state_vector up = trim.state, down = trim.state;
        up[j] += state_step(j);
        down[j] -= state_step(j);
        const auto r_up = rates(model, up, trim.controls, air), r_down = rates(model, down, trim.controls, air);
        for (int i = 0; i < state_size; ++i) m.a[i][j] = (r_up[i] - r_down[i]) / (2.0 * state_step(j));
    }
    const axis_positions trimmed = axes_from_controls(trim.controls);
    for (int k = 0; k < 4; ++k) {
        axis_positions up = trimmed, down = trimmed;
        double* axis_up[] = {&up.aileron, &up.elevator, &up.rudder, &up.collective};
        double* axis_down[] = {&down.aileron, &down.elevator, &down.rudder, &down.collective};
        *axis_up[k] += axis_step;
        *axis_down[k] -= axis_step;
        const auto r_up = rates(model, trim.state, controls_from_axes(up), air);
        const auto r_down = rates(model, trim.state, controls_from_axes(down), air);
        for (int i = 0; i < state_size; ++i) m.b[i][k] = (r_up[i] - r_down[i]) / (2.0 * axis_step);
    }
    return m;
}

std::complex<double> model_response(const linear_model& m, card_axis axis, double omega, double delay_s)
{
    return model_response_to(m, axis, input_of(axis), omega, delay_s);
}

std::complex<double> model_response_to(const linear_model& m, card_axis axis, int input, double omega, double delay_s)
{
    const auto [row, scale] = output_of(axis);
    const auto x = solve(m, omega, input);
    std::complex<double> y = m.b[row][input];
    for (int j = 0; j < state_size; ++j) y += m.a[row][j] * x[j];
    return scale * y * sim::polar(1.0, -omega * delay_s);
}

double model_output(const linear_model& m, card_axis axis, const std::array<double, state_size>& x,
                    const std::array<double, 4>& u)
{
    const auto [row, scale] = output_of(axis);
    double rate = 0.0;
    for (int j = 0; j < state_size; ++j) rate += m.a[row][j] * x[j];
    for (int k = 0; k < 4; ++k) rate += m.b[row][k] * u[k];
    return scale * rate;
}
