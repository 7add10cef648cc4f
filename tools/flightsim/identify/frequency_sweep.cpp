#include "tools/flightsim/identify/frequency_sweep.h"
#include "tools/flightsim/model/sim_math.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double two_pi = 6.283185307179586;
constexpr double window_seconds[] = {5.0, 10.0, 20.0, 40.0};
constexpr double periods_in_a_window = 2.0;
constexpr size_t least_windows = 4;  // averaged, for a coherence that means something
constexpr double most_certain = 1e-3;  // 1 - gamma^2 below this counts as this

std::vector<double> detrended(const std::vector<double>& x)
{
    const double n = static_cast<double>(x.size());
    double sum_i = 0.0, sum_x = 0.0, sum_ii = 0.0, sum_ix = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double k = static_cast<double>(i);
        sum_i += k, sum_x += x[i], sum_ii += k * k, sum_ix += k * x[i];
    }
    const double slope = (n * sum_ix - sum_i * sum_x) / std::max(n * sum_ii - sum_i * sum_i, 1e-300);
    const double offset = (sum_x - slope * sum_i) / n;
    std::vector<double> out(x.size());
    for (size_t i = 0; i < x.size(); ++i) out[i] = x[i] - offset - slope * static_cast<double>(i);
    return out;
}

struct spectra {
    double uu = 0.0, yy = 0.0;
    std::complex<double> yu;
    std::vector<std::complex<double>> cu;  // each companion's cross spectrum with the input
};

// The window's Fourier components at omega, summed over the windows of the record: the input's
// taken once for the output and every companion.
spectra welch(const std::vector<double>& u, const std::vector<double>& y, const std::vector<std::vector<double>>& companions,
              double dt, size_t length, double omega)
{
    spectra s;
    s.cu.resize(companions.size());
    std::vector<std::complex<double>> C(companions.size());
    const size_t step = std::max<size_t>(length / 2, 1);
    for (size_t start = 0; start + length <= u.size(); start += step) {
        std::complex<double> U, Y;
        std::fill(C.begin(), C.end(), std::complex<double>());
        for (size_t i = 0; i < length; ++i) {
            const double w = 0.5 - 0.5 * sim::cos(two_pi * static_cast<double>(i) / static_cast<double>(length - 1));
            const std::complex<double> e = sim::polar(w, -omega * static_cast<double>(i) * dt);
            U += u[start + i] * e;
            Y += y[start + i] * e;
            for (size_t c = 0; c < companions.size(); ++c) C[c] += companions[c][start + i] * e;
        }
        s.uu += std::norm(U);
        s.yy += std::norm(Y);
        s.yu += Y * std::conj(U);
        for (size_t c = 0; c < companions.size(); ++c) s.cu[c] += C[c] * std::conj(U);
    }
    return s;
}
}  // namespace

std::vector<sweep_point> sweep_response(const std::vector<double>& input, const std::vector<double>& output, double dt,
                                        double low, double high, int count)
{
    return sweep_responses(input, output, {}, dt, low, high, count).front();
}

std::vector<std::vector<sweep_point>> sweep_responses(const std::vector<double>& input, const std::vector<double>& output,
                                                      const std::vector<std::vector<double>>& companions, double dt,
                                                      double low, double high, int count)
{
    const std::vector<double> u = detrended(input), y = detrended(output);
    std::vector<std::vector<double>> others;
    for (const std::vector<double>& c : companions) others.push_back(detrended(c));
    std::vector<std::vector<sweep_point>> points(1 + others.size());
    for (int k = 0; k < count; ++k) {
        const double omega = low * sim::pow(high / low, count > 1 ? static_cast<double>(k) / (count - 1) : 0.0);
        // Each window length's estimate weighted by the inverse of its random error's variance,
        // (1 - gamma^2) / (2 n gamma^2) for n windows averaged: the long windows' resolution where
        // they are sure, the short ones' averaging where the long ones have few. The companions'
        // ratios take the output's weights, so that each window length's output and companions
        // are summed alike.
        std::vector<std::complex<double>> weighted(points.size());
        double weights = 0.0, weighted_coherence = 0.0;
        for (double seconds : window_seconds) {
            const double frames = seconds / dt;  // the window's; one longer than the record has none
            if (!(frames >= 2.0 && frames <= static_cast<double>(u.size()))) continue;
            const auto length = static_cast<size_t>(frames);
            const size_t windows = (u.size() - std::min(u.size(), length)) / (length / 2) + 1;
            if (windows < least_windows || seconds < periods_in_a_window * two_pi / omega) continue;
            const spectra s = welch(u, y, others, dt, length, omega);
            if (s.uu <= 0.0 || s.yy <= 0.0) continue;
            const double coherence = std::norm(s.yu) / (s.uu * s.yy);
            const double weight = 2.0 * static_cast<double>(windows) * coherence / std::max(1.0 - coherence, most_certain);
            weighted[0] += weight * (s.yu / s.uu);
            for (size_t c = 0; c < others.size(); ++c) weighted[1 + c] += weight * (s.cu[c] / s.uu);
            weighted_coherence += weight * coherence;
            weights += weight;
        }
        for (size_t c = 0; c < points.size(); ++c) {
            sweep_point point;
            point.omega = omega;
            if (weights > 0.0) {
                point.response = weighted[c] / weights;
                point.coherence = weighted_coherence / weights;
            }
            points[c].push_back(point);
        }
    }
    return points;
}

double coherent_octaves(const std::vector<sweep_point>& points, double threshold, double& low_end, double& high_end)
{
    double best = 0.0;
    low_end = high_end = 0.0;
    for (size_t first = 0; first < points.size(); ++first) {
        if (points[first].coherence < threshold) continue;
        size_t last = first;
        while (last + 1 < points.size() && points[last + 1].coherence >= threshold) ++last;
        const double octaves = sim::log(points[last].omega / points[first].omega) / sim::log(2.0);
        if (octaves >= best) best = octaves, low_end = points[first].omega, high_end = points[last].omega;
        first = last;
    }
    return best;
}
