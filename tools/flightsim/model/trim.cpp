#include "tools/flightsim/model/trim.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "tools/flightsim/model/sim_math.h"

namespace {

constexpr int unknowns = 8;  // collective, longitudinal, lateral, pedal, phi, theta, flap_lon, flap_lat

const terrain& no_ground()
{
    static const terrain deep(-1.0e6);
    return deep;
}

struct trial {
    state_vector state;
    control_inputs controls;
};

trial assemble(const trim_condition& condition, const double z[unknowns])
{
    trial t{};
    t.controls = {z[0], z[1], z[2], z[3]};
    state_vector& x = t.state;
    x.fill(0.0);
    x[s_down] = -condition.altitude;
    x[s_phi] = z[4];
    x[s_theta] = z[5];
    x[s_psi] = condition.heading;
    x[s_flap_lon] = z[6];
    x[s_flap_lat] = z[7];
    double sin_psi, cos_psi;
    sim::sincos(condition.heading, sin_psi, cos_psi);
    const double north = condition.ground_north;
    const double east = condition.ground_east;
    const double down = -condition.climb;
    double sphi, cphi, sth, cth;
    sim::sincos(z[4], sphi, cphi);
    sim::sincos(z[5], sth, cth);
    const double c[3][3] = {{cth * cos_psi, cth * sin_psi, -sth},
                            {sphi * sth * cos_psi - cphi * sin_psi, sphi * sth * sin_psi + cphi * cos_psi, sphi * cth},
                            {cphi * sth * cos_psi + sphi * sin_psi, cphi * sth * sin_psi - sphi * cos_psi, cphi * cth}};
    x[s_u] = c[0][0] * north + c[0][1] * east + c[0][2] * down;
    x[s_v] = c[1][0] * north + c[1][1] * east + c[1][2] * down;
    x[s_w] = c[2][0] * north + c[2][1] * east + c[2][2] * down;
    settle_actuators(x, t.controls);
    return t;
}

void residuals(const rotorcraft_model& model, const trim_condition& condition, const double z[unknowns],
               double f[unknowns])
{
    const trial t = assemble(condition, z);
    state_vector dx;
    model.derivatives(t.state, t.controls, condition.air, no_ground(), dx);
    const int rows[unknowns] = {s_u, s_v, s_w, s_p, s_q, s_r, s_flap_lon, s_flap_lat};
    for (int i = 0; i < unknowns; ++i) f[i] = dx[rows[i]];
}

// Solves a x = b in place by Gaussian elimination with partial pivoting; false if singular.
bool solve_linear(double a[unknowns][unknowns], double b[unknowns])
{
    for (int col = 0; col < unknowns; ++col) {
        int pivot = col;
        for (int row = col + 1; row < unknowns; ++row)
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        if (a[pivot][col] == 0.0) return false;
        if (pivot != col) {
            for (int k = 0; k < unknowns; ++k) std::swap(a[col][k], a[pivot][k]);
            std::swap(b[col], b[pivot]);
        }
        for (int row = col + 1; row < unknowns; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (int k = col; k < unknowns; ++k) a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    for (int row = unknowns - 1; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < unknowns; ++k) sum -= a[row][k] * b[k];
        b[row] = sum / a[row][row];
    }
    return true;
}

// The largest magnitude; NaN when any residual is NaN (fmax would pass over it), so that a trim
// whose forces went non-finite never counts as converged.
double largest(const double f[unknowns])
{
    double m = 0.0;
    for (int i = 0; i < unknowns; ++i) {
        if (std::isnan(f[i])) return f[i];
        m = std::fmax(m, std::fabs(f[i]));
    }
    return m;
}

}  // namespace

trim_condition level_flight(double airspeed, double heading, double altitude, const air_state& air)
{
    trim_condition condition;
    double s, c;
    sim::sincos(heading, s, c);
    condition.ground_north = airspeed * c + air.wind_north;
    condition.ground_east = airspeed * s + air.wind_east;
    condition.heading = heading;
    condition.altitude = altitude;
    condition.air = air;
    return condition;
}

trim_result solve_trim(const rotorcraft_model& model, const trim_condition& condition)
{
    const double speed_limit = model.parameters().speed_limit;
    if (speed_limit < std::numeric_limits<double>::infinity()) {
        const double north = condition.ground_north - condition.air.wind_north;
        const double east = condition.ground_east - condition.air.wind_east;
        const double up = condition.climb + condition.air.wind_down;
        const double airspeed = std::sqrt(north * north + east * east + up * up);
        if (airspeed > speed_limit) {
            trim_result refused;
            refused.residual = std::numeric_limits<double>::infinity();
            char why[160];
            std::snprintf(why, sizeof why, "its file holds up to %.0f km/h through the air (speed_limit); this flight asks %.0f",
                          speed_limit * 3.6, airspeed * 3.6);
            refused.refusal = why;
            return refused;
        }
    }
    double z[unknowns] = {0.5, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    double f[unknowns];
    trim_result result;
    residuals(model, condition, z, f);
    for (result.iterations = 0; result.iterations < 60 && largest(f) > 1e-11; ++result.iterations) {
        double jacobian[unknowns][unknowns];
        for (int j = 0; j < unknowns; ++j) {
            double zp[unknowns], zm[unknowns], fp[unknowns], fm[unknowns];
            const double h = 1e-6;
            for (int k = 0; k < unknowns; ++k) zp[k] = zm[k] = z[k];
            zp[j] += h;
            zm[j] -= h;
            residuals(model, condition, zp, fp);
            residuals(model, condition, zm, fm);
            for (int i = 0; i < unknowns; ++i) jacobian[i][j] = (fp[i] - fm[i]) / (2.0 * h);
        }
        double delta[unknowns];
        for (int i = 0; i < unknowns; ++i) delta[i] = -f[i];
        if (!solve_linear(jacobian, delta)) break;
        // Damped: no unknown moves by more than 0.2 (a fifth of a control's travel, 11 degrees) a step.
        double scale = 1.0;
        for (int i = 0; i < unknowns; ++i)
            if (std::fabs(delta[i]) * scale > 0.2) scale = 0.2 / std::fabs(delta[i]);
        for (int i = 0; i < unknowns; ++i) z[i] += scale * delta[i];
        residuals(model, condition, z, f);
    }
    const trial t = assemble(condition, z);
    result.state = t.state;
    result.controls = t.controls;
    result.residual = largest(f);
    result.converged = result.residual < 1e-8;
    return result;
}

namespace {

// Accelerations with the disc tilt settled at the state's own quasi-steady tilt.
state_vector settled_derivatives(const rotorcraft_model& model, state_vector x, const control_inputs& controls,
                                 const air_state& air)
{
    state_vector dx;
    model_outputs out;
    for (int i = 0; i < 100; ++i) {
        model.derivatives(x, controls, air, no_ground(), dx, &out);
        x[s_flap_lon] = out.flap_lon_steady;
        x[s_flap_lat] = out.flap_lat_steady;
    }
    model.derivatives(x, controls, air, no_ground(), dx);
    return dx;
}

}  // namespace

std::vector<stability_derivative> hover_derivatives(const rotorcraft_model& model)
{
    trim_condition hover;
    hover.altitude = 0.0;
    hover.air.density = model.parameters().air_density;
    const trim_result trim = solve_trim(model, hover);

    auto derivative = [&](int of, int by, double step) {
        state_vector plus = trim.state, minus = trim.state;
        plus[by] += step;
        minus[by] -= step;
        const state_vector a = settled_derivatives(model, plus, trim.controls, hover.air);
        const state_vector b = settled_derivatives(model, minus, trim.controls, hover.air);
        return (a[of] - b[of]) / (2.0 * step);
    };
    const double v = 0.1, w = 0.01;  // m/s and rad/s
    const double* published = model.parameters().published;
    return {
        {"Xu", "1/s", derivative(s_u, s_u, v), published[0]},
        {"Yv", "1/s", derivative(s_v, s_v, v), published[1]},
        {"Zw", "1/s", derivative(s_w, s_w, v), published[2]},
        {"Lp", "1/s", derivative(s_p, s_p, w), published[3]},
        {"Mq", "1/s", derivative(s_q, s_q, w), published[4]},
        {"Nr", "1/s", derivative(s_r, s_r, w), published[5]},
        {"Nv", "rad/(m s)", derivative(s_r, s_v, v), published[6]},
        {"Mu", "rad/(m s)", derivative(s_q, s_u, v), published[7]},
    };
}
