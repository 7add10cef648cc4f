#include "tools/flightsim/identify/model_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <nlopt.hpp>
#include <random>

#include "tools/flightsim/identify/linear_response.h"
#include "tools/flightsim/model/sim_math.h"

namespace {
constexpr double counted_coherence = 0.6;
constexpr double lowest_fitted_omega = 0.5;  // rad/s: below it a sweep holds too few periods for its coherence to mean much
// rad/s, in the hover: below it lie the hover's slow modes, where the pilot's holding inputs cancel
// most of the swept control's own answer, and the model's sum of those large answers is spoilt by
// the windows' spread in frequency (the truth's own model misses its calm-air recording there by
// up to 10 dB and 80 degrees)
constexpr double lowest_fitted_omega_hover = 1.0;
// rad/s: above it the sweep is in its last seconds, up to 12 rad/s, and the pilot's holding inputs,
// weighed against so little of the swept one, are noise there
constexpr double highest_fitted_omega = 10.0;
constexpr double phase_weight = 0.01745;  // per squared degree, against a squared dB
constexpr double widest_factor = 10.0;    // each factor searched from 1/10 to 10 times the start
constexpr double longest_actuator_lag_s = 0.3;
constexpr double failed_cost = 1e6;       // a parameter set the model cannot trim with
// %: a factor whose one-sigma bound is wider than half its value is not identified by the data
constexpr double widest_identified_bound_percent = 50.0;
// of the stiffest parameter's curvature of the cost: below it, the responses do not move with one
constexpr double flat_curvature_share = 1e-8;
// A factor the data do not identify alone but which trades with another (correlated at least this
// much) is drawn toward the start's value as by a prior belief that it lies within a factor of two
// of it (one sigma of its log), not held there: held at a wrong value, it would pull the factor it
// trades with as far (the fin's area and the yaw inertia). One that trades with nothing is held.
constexpr double trading_correlation = 0.9;
constexpr double start_belief_log_sigma = 0.6931471805599453;  // ln 2

// The parameters' fields, in the order of free_parameters (the actuator lag and the delay after them).
double aircraft_parameters::* const fields[] = {
    &aircraft_parameters::inertia_roll,        &aircraft_parameters::inertia_pitch,
    &aircraft_parameters::inertia_yaw,         &aircraft_parameters::cyclic_lateral,
    &aircraft_parameters::cyclic_longitudinal, &aircraft_parameters::tail_pitch_travel,
    &aircraft_parameters::blade_flap_inertia,  &aircraft_parameters::stabiliser_area,
    &aircraft_parameters::fin_area,            &aircraft_parameters::drag_area_forward,
    &aircraft_parameters::collective_high,
};
constexpr int field_count = sizeof fields / sizeof fields[0];
constexpr int lag_index = field_count;        // seconds, not a factor: a start may have none
constexpr int delay_index = field_count + 1;  // seconds
constexpr int parameter_count = field_count + 2;

double coherence_weight(double coherence)
{
    const double w = 1.58 * (1.0 - sim::exp(-coherence * coherence));
    return w * w;
}

// The start with the search's point applied: each field's log factor, the lag in seconds.
aircraft_parameters applied(const aircraft_parameters& start, const std::vector<double>& x)
{
    aircraft_parameters p = start;
    for (int i = 0; i < field_count; ++i) p.*fields[i] = start.*fields[i] * sim::exp(x[i]);
    p.actuator_lag_s = std::max(x[lag_index], 0.0);
    return p;
}

struct search {
    const aircraft_parameters& start;
    const std::vector<measured_pair>& pairs;
    std::vector<bool> drawn = std::vector<bool>(field_count, false);  // toward the start's value
    int evaluations = 0;
};

// The belief in the start's values of the factors drawn toward them, in the units of the summed
// cost, whose curvature gives the bounds: a log factor's squared sigmas.
double start_belief_cost(const std::vector<bool>& drawn, const std::vector<double>& x)
{
    double sum = 0.0;
    for (int i = 0; i < field_count; ++i)
        if (drawn[i]) sum += (x[i] / start_belief_log_sigma) * (x[i] / start_belief_log_sigma);
    return sum;
}

}  // namespace

std::complex<double> predicted_response(const linear_model& m, const measured_pair& pair, size_t point, double delay_s)
{
    const double omega = pair.points[point].omega;
    if (pair.axes_moved.empty()) return model_response(m, pair.axis, omega, delay_s);
    std::complex<double> sum;
    for (int input = 0; input < 4; ++input)
        sum += model_response_to(m, pair.axis, input, omega, delay_s) * pair.axes_moved[point][input];
    return sum;
}

namespace {

// The mean cost over the pairs, each condition linearised once.
double total_cost(const aircraft_parameters& p, double delay_s, const std::vector<measured_pair>& pairs,
                  std::vector<double>* each = nullptr)
{
    const rotorcraft_model model(p);
    std::map<double, linear_model> at;
    double sum = 0.0;
    for (const measured_pair& pair : pairs) {
        auto found = at.find(pair.speed_kmh);
        if (found == at.end()) found = at.emplace(pair.speed_kmh, linearise(model, pair.speed_kmh)).first;
        double cost = failed_cost;
        if (found->second.trimmed) {
            const double lowest = pair.speed_kmh > 0.0 ? lowest_fitted_omega : lowest_fitted_omega_hover;
            double acc = 0.0;
            int counted = 0;
            for (size_t i = 0; i < pair.points.size(); ++i) {
                const sweep_point& point = pair.points[i];
                if (point.coherence < counted_coherence || point.omega < lowest || point.omega > highest_fitted_omega) continue;
                const std::complex<double> h = predicted_response(found->second, pair, i, delay_s);
                const double magnitude = sim::decibels(sim::magnitude(point.response) / sim::magnitude(h));
                double phase = sim::arg(point.response / h) * sim::degrees_per_radian;
                acc += coherence_weight(point.coherence) * (magnitude * magnitude + phase_weight * phase * phase);
                ++counted;
            }
            cost = counted > 0 ? 20.0 / counted * acc : failed_cost;
            if (!std::isfinite(cost)) cost = failed_cost;
        }
        if (each) each->push_back(cost);
        sum += cost;
    }
    return sum / static_cast<double>(pairs.size());
}

double objective(const std::vector<double>& x, std::vector<double>&, void* data)
{
    auto& s = *static_cast<search*>(data);
    ++s.evaluations;
    return total_cost(applied(s.start, x), x[delay_index], s.pairs) +
           start_belief_cost(s.drawn, x) / static_cast<double>(s.pairs.size());
}
}  // namespace

const std::vector<free_parameter> free_parameters = {
    {"inertia_roll", "the roll rate's answer to the cyclic, above the flap lag"},
    {"inertia_pitch", "the pitch rate's answer to the cyclic"},
    {"inertia_yaw", "the turn rate's answer to the pedals"},
    {"cyclic_lateral", "the roll response's gain"},
    {"cyclic_longitudinal", "the pitch response's gain"},
    {"tail_pitch_travel", "the yaw response's gain"},
    {"blade_flap_inertia", "the flap lag, the phase of the rate responses at high frequency"},
    {"stabiliser_area", "pitch damping and stability in cruise", true},
    {"fin_area", "yaw damping and weathercock stability in cruise", true},
    {"drag_area_forward", "the speed's damping, the low-frequency pitch response in cruise", true},
    {"collective_high", "the collective's gearing: the vertical speed's answer"},
    {"actuator_lag", "the controls' first-order lag: magnitude and phase falling together at high frequency (seconds)"},
    {"delay", "the recording's timing: its controls against its responses (seconds, held)"},
};

const char* const held_parameters =
    "mass (the responses are per inertia and mass: one of them must be known), the rotor's radius, "
    "blades, chord, speed and lift slope, the geometry (hub, tail rotor, surfaces' arms), the skids: "
    "they move the responses together with the free ones, so that a fit cannot tell them apart";

namespace {
// A lag shorter than the simulation's steps resolve is taken as none: it moves the phase at
// 5 rad/s by under 6 degrees, and an aircraft file could not hold it.
void no_unresolved_lag(std::vector<double>& x)
{
    if (x[lag_index] < minimum_actuator_lag_s) x[lag_index] = 0.0;
}

// The inverse of g by Gauss-Jordan; false, with the column that has no pivot, where g is singular.
bool inverted(std::vector<std::vector<double>> g, std::vector<std::vector<double>>& inv, int& no_pivot)
{
    const int n = static_cast<int>(g.size());
    inv.assign(n, std::vector<double>(n, 0.0));
    for (int i = 0; i < n; ++i) inv[i][i] = 1.0;
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int k = c + 1; k < n; ++k)
            if (std::fabs(g[k][c]) > std::fabs(g[p][c])) p = k;
        if (std::fabs(g[p][c]) < 1e-12) {
            no_pivot = c;
            return false;
        }
        std::swap(g[c], g[p]), std::swap(inv[c], inv[p]);
        const double d = g[c][c];
        for (int k = 0; k < n; ++k) g[c][k] /= d, inv[c][k] /= d;
        for (int rr = 0; rr < n; ++rr)
            if (rr != c) {
                const double m = g[rr][c];
                for (int k = 0; k < n; ++k) g[rr][k] -= m * g[c][k], inv[rr][k] -= m * inv[c][k];
            }
    }
    return true;
}

// One bounded search from x, which it leaves at the best point found; returns its cost.
double search_from(search& s, std::vector<double>& x, const std::vector<double>& lower, const std::vector<double>& upper)
{
    nlopt::opt opt(nlopt::LN_BOBYQA, parameter_count);
    opt.set_lower_bounds(lower);
    opt.set_upper_bounds(upper);
    opt.set_min_objective(objective, &s);
    opt.set_maxeval(600);
    opt.set_xtol_abs(1e-4);
    double value = 0.0;
    try {
        opt.optimize(x, value);
    } catch (const std::exception&) {
        std::vector<double> no_gradient;
        value = objective(x, no_gradient, &s);
    }
    return value;
}

// The fit at best: its costs, and each parameter's bound and strongest correlation from the
// Hessian of the summed cost in the log factors (the lag and the delay in seconds), by central
// differences, its inverse scaled as a least-squares sum's. Over the parameters fitted: a held one
// has neither (its row and column are the identity's), nor has a lag found to be none, which
// stands at its bound where the cost has no slope to take.
fit_result described(const aircraft_parameters& start, const std::vector<measured_pair>& pairs, const std::vector<double>& best,
                     const std::vector<bool>& held, const std::vector<bool>& drawn, const std::vector<std::string>& why_held)
{
    const int n = parameter_count;
    fit_result r;
    r.fitted = applied(start, best);
    r.mean_cost = total_cost(r.fitted, best[delay_index], pairs, &r.pair_costs);
    std::vector<bool> fixed = held;
    if (best[lag_index] == 0.0) fixed[lag_index] = true;
    std::vector<std::vector<double>> h(n, std::vector<double>(n, 0.0));
    std::vector<bool> untrimmed(n, false);  // a step of the parameter left the model without a trim
    const double step = 0.01;
    auto f = [&](std::vector<double> x) {
        return total_cost(applied(start, x), x[delay_index], pairs) * pairs.size() + start_belief_cost(drawn, x);
    };
    const double f0 = f(best);
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j) {
            if (fixed[i] || fixed[j]) {
                h[i][j] = h[j][i] = i == j ? 1.0 : 0.0;
                continue;
            }
            std::vector<double> pp = best, pm = best, mp = best, mm = best;
            pp[i] += step, pp[j] += step, pm[i] += step, pm[j] -= step, mp[i] -= step, mp[j] += step, mm[i] -= step, mm[j] -= step;
            if (i == j) {
                const double up = f(pp), down = f(mm);
                untrimmed[i] = std::max(up, down) - f0 > 0.5 * failed_cost;
                h[i][i] = (up - 2.0 * f0 + down) / (4.0 * step * step);
            } else {
                h[i][j] = h[j][i] = (f(pp) - f(pm) - f(mp) + f(mm)) / (4.0 * step * step);
            }
        }
    // A parameter the responses do not move with at all has no bound: it is left out of the
    // inversion, and so is one on which the others depend wholly (the inversion finds no pivot).
    double stiffest = 0.0;
    for (int i = 0; i < n; ++i)
        if (!fixed[i] && !untrimmed[i]) stiffest = std::max(stiffest, h[i][i]);
    std::vector<bool> flat(n, false);
    auto leave_out = [&](int i) {
        flat[i] = true;
        for (int j = 0; j < n; ++j) h[i][j] = h[j][i] = i == j ? 1.0 : 0.0;
    };
    for (int i = 0; i < n; ++i)
        if (!fixed[i] && !(std::fabs(h[i][i]) > flat_curvature_share * stiffest)) leave_out(i);
    std::vector<std::vector<double>> inv;
    int no_pivot = 0;
    bool singular = false;
    while (!inverted(h, inv, no_pivot)) {
        if (fixed[no_pivot] || flat[no_pivot]) {
            singular = true;
            break;
        }
        leave_out(no_pivot);
    }
    for (int i = 0; i < n; ++i) {
        fitted_parameter fp;
        fp.name = free_parameters[i].name;
        fp.held = held[i];
        fp.drawn = i < field_count && drawn[i];
        fp.at_bound = fixed[i] && !held[i];
        fp.why_held = why_held[i];
        fp.start = i < field_count ? start.*fields[i] : i == lag_index ? start.actuator_lag_s : 0.0;
        fp.value = i < field_count ? r.fitted.*fields[i] : i == lag_index ? r.fitted.actuator_lag_s : best[delay_index];
        const double variance = singular || fixed[i] ? std::nan("") : 2.0 * inv[i][i];
        fp.bound_percent = i < field_count ? 100.0 * std::sqrt(std::fabs(variance))
                                           : 100.0 * std::sqrt(std::fabs(variance)) / std::max(fp.value, 1e-3);
        if (flat[i]) fp.bound_percent = std::numeric_limits<double>::infinity();
        for (int j = 0; j < n; ++j) {
            if (j == i || singular || fixed[i] || fixed[j] || flat[i] || flat[j]) continue;
            const double c = inv[i][j] / std::sqrt(std::fabs(inv[i][i] * inv[j][j]));
            if (std::fabs(c) > std::fabs(fp.correlation)) fp.correlation = c, fp.correlated_with = free_parameters[j].name;
        }
        r.parameters.push_back(fp);
    }
    return r;
}

// The factor fitted with the widest bound, where that is wider than the data identify; -1 if none.
int least_identified(const fit_result& r)
{
    int worst = -1;
    for (int i = 0; i < field_count; ++i) {
        const fitted_parameter& p = r.parameters[i];
        if (p.held || p.drawn || !(p.bound_percent > widest_identified_bound_percent)) continue;
        if (worst < 0 || p.bound_percent > r.parameters[worst].bound_percent) worst = i;
    }
    return worst;
}
}  // namespace

fit_result fit_model(const aircraft_parameters& start, const std::vector<measured_pair>& pairs, int starts, unsigned seed,
                     double timing_s, bool hover_alone)
{
    const int n = parameter_count;
    std::vector<double> lower(n, -sim::log(widest_factor)), upper(n, sim::log(widest_factor));
    lower[lag_index] = 0.0;
    upper[lag_index] = longest_actuator_lag_s;
    // A held parameter's bounds close on its start: the search leaves it there. The delay is the
    // recording's own timing, which a lag would otherwise trade with.
    std::vector<bool> held(n, false);
    std::vector<std::string> why_held(n);
    for (int i = 0; i < field_count; ++i)
        if (hover_alone && free_parameters[i].cruise_only) held[i] = true, lower[i] = upper[i] = 0.0, why_held[i] = "acts in cruise only";
    held[delay_index] = true;
    lower[delay_index] = upper[delay_index] = timing_s;
    why_held[delay_index] = "the recording's timing, half a frame ahead";
    search s{start, pairs};
    std::mt19937 random(seed);
    std::vector<double> best(n, 0.0);
    double best_cost = std::numeric_limits<double>::infinity();
    for (int k = 0; k < starts; ++k) {
        std::vector<double> x(n, 0.0);
        x[lag_index] = std::min(start.actuator_lag_s, longest_actuator_lag_s);
        x[delay_index] = timing_s;
        if (k > 0)
            for (int i = 0; i < n; ++i)
                x[i] = lower[i] + (upper[i] - lower[i]) * (0.25 + 0.5 * std::uniform_real_distribution<double>(0.0, 1.0)(random));
        const double value = search_from(s, x, lower, upper);
        if (value < best_cost) best_cost = value, best = x;
    }

    no_unresolved_lag(best);
    fit_result r = described(start, pairs, best, held, s.drawn, why_held);
    // A factor the data do not identify would stand wherever the search left it, a bound of the
    // search perhaps, and the fitted file would fly it so: the widest is held at the start's value
    // instead, or drawn toward it where it trades with another, and all searched again from where
    // they stood, until every factor fitted alone is identified.
    for (int worst = least_identified(r); worst >= 0; worst = least_identified(r)) {
        const double bound_percent = r.parameters[worst].bound_percent;
        const bool drawn = std::isfinite(bound_percent) && std::fabs(r.parameters[worst].correlation) >= trading_correlation;
        char why[96];
        if (drawn) {
            std::snprintf(why, sizeof why, "drawn toward the start's value (alone, bound %.0f %%)", bound_percent);
            s.drawn[worst] = true;
        } else {
            if (std::isinf(bound_percent))
                std::snprintf(why, sizeof why, "not identified (the responses do not tell it): the start's value");
            else
                std::snprintf(why, sizeof why, "not identified (bound %.0f %%): the start's value", bound_percent);
            held[worst] = true;
            best[worst] = lower[worst] = upper[worst] = 0.0;
        }
        why_held[worst] = why;
        search_from(s, best, lower, upper);
        no_unresolved_lag(best);
        r = described(start, pairs, best, held, s.drawn, why_held);
    }
    r.evaluations = s.evaluations;
    return r;
}
