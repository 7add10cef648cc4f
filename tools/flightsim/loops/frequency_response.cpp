#include "tools/flightsim/loops/frequency_response.h"
#include "tools/flightsim/model/sim_math.h"

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// The record's last length samples with their least-squares straight line removed.
std::vector<double> detrended_period(const std::vector<double>& record, int period)
{
    std::vector<double> x(record.end() - period, record.end());
    const double n = period;
    double sum_t = 0.0, sum_x = 0.0, sum_tt = 0.0, sum_tx = 0.0;
    for (int i = 0; i < period; ++i) {
        sum_t += i;
        sum_x += x[i];
        sum_tt += static_cast<double>(i) * i;
        sum_tx += i * x[i];
    }
    const double slope = (n * sum_tx - sum_t * sum_x) / (n * sum_tt - sum_t * sum_t);
    const double offset = (sum_x - slope * sum_t) / n;
    for (int i = 0; i < period; ++i) x[i] -= offset + slope * i;
    return x;
}

std::complex<double> fourier(const std::vector<double>& x, int harmonic)
{
    const double n = static_cast<double>(x.size());
    std::complex<double> sum = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        const double angle = -2.0 * pi * harmonic * static_cast<double>(i) / n;
        sum += x[i] * sim::polar(1.0, angle);
    }
    return sum;
}

// One stretch between two measured points: magnitude and phase interpolated linearly against the
// logarithm of the frequency, the phase taking the shorter way round.
struct stretch {
    double log_omega_a, log_omega_b, gain_a, gain_b, phase_a, phase_b;  // gain: natural log of |L|
    stretch(const response_point& a, const response_point& b)
        : log_omega_a(sim::log(a.omega)), log_omega_b(sim::log(b.omega)), gain_a(sim::log(sim::magnitude(a.value))),
          gain_b(sim::log(sim::magnitude(b.value))), phase_a(sim::arg(a.value)),
          phase_b(phase_a + sim::arg(b.value / a.value))
    {
    }
    double omega(double f) const { return sim::exp(log_omega_a + (log_omega_b - log_omega_a) * f); }
    double gain(double f) const { return gain_a + (gain_b - gain_a) * f; }
    double phase(double f) const { return phase_a + (phase_b - phase_a) * f; }
};

}  // namespace

double multisine::value(long frame) const
{
    double sum = 0.0;
    for (size_t i = 0; i < harmonics.size(); ++i)
        sum += amplitude * sim::cos(2.0 * pi * harmonics[i] * static_cast<double>(frame) / period_frames + phases[i]);
    return sum;
}

multisine design_multisine(int period_frames, int count, double rms)
{
    multisine m;
    m.period_frames = period_frames;
    const int highest = period_frames / 2;
    for (int i = 0; i < count; ++i) {
        const int h = static_cast<int>(std::lround(std::pow(static_cast<double>(highest), i / (count - 1.0))));
        if (m.harmonics.empty() || h > m.harmonics.back()) m.harmonics.push_back(h);
    }
    const size_t n = m.harmonics.size();
    double power = 0.0;  // of unit cosines: 1/2 each, 1 at the Nyquist frequency (phase 0 there)
    for (size_t i = 0; i < n; ++i) {
        const bool nyquist = 2 * m.harmonics[i] == period_frames;
        m.phases.push_back(nyquist ? 0.0 : -pi * static_cast<double>(i) * static_cast<double>(i + 1) / static_cast<double>(n));
        power += nyquist ? 1.0 : 0.5;
    }
    m.amplitude = rms / std::sqrt(power);
    return m;
}

std::vector<response_point> broken_loop_response(const std::vector<double>& command, const std::vector<double>& applied,
                                                 const multisine& signal, double frame_seconds, int periods)
{
    std::vector<response_point> response;
    const int period = signal.period_frames;
    const int length = period * periods;
    if (periods < 1 || static_cast<int>(command.size()) < length || command.size() != applied.size()) return response;
    const std::vector<double> c = detrended_period(command, length);
    const std::vector<double> u = detrended_period(applied, length);
    for (int h : signal.harmonics) {
        const std::complex<double> cu = fourier(u, h * periods);
        if (std::norm(cu) == 0.0) continue;
        response.push_back({2.0 * pi * h / (period * frame_seconds), -fourier(c, h * periods) / cu});
    }
    return response;
}

loop_margins margins_of(const std::vector<response_point>& response)
{
    loop_margins m = {infinity, not_a_number, infinity, not_a_number};
    for (size_t i = 0; i + 1 < response.size(); ++i) {
        const stretch s(response[i], response[i + 1]);
        if (s.gain_a >= 0.0 && s.gain_b < 0.0) {  // |L| falls through 1
            const double f = s.gain_a / (s.gain_a - s.gain_b);
            double margin = 180.0 + s.phase(f) * 180.0 / pi;
            margin -= 360.0 * std::floor((margin + 180.0) / 360.0);  // into [-180, 180)
            if (!(margin >= m.phase_margin_deg)) {
                m.phase_margin_deg = margin;
                m.crossover = s.omega(f);
            }
        }
    }
    // The phase crossovers: where arg L passes an odd multiple of 180 degrees.
    std::vector<std::pair<double, double>> crossings;  // omega, gain margin in dB
    for (size_t i = 0; i + 1 < response.size(); ++i) {
        const stretch s(response[i], response[i + 1]);
        const double low = std::fmin(s.phase_a, s.phase_b), high = std::fmax(s.phase_a, s.phase_b);
        for (double crossing : {-3.0 * pi, -pi, pi, 3.0 * pi}) {
            if (crossing < low - 1e-9 || crossing > high + 1e-9) continue;
            const double f = s.phase_b == s.phase_a ? 0.0 : (crossing - s.phase_a) / (s.phase_b - s.phase_a);
            crossings.emplace_back(s.omega(f), -20.0 * s.gain(f) / sim::log(10.0));
        }
    }
    auto take = [&m](const std::pair<double, double>& crossing) {
        m.phase_crossover = crossing.first;
        m.gain_margin_db = crossing.second;
    };
    if (std::isnan(m.crossover)) {
        // No crossover measured: every phase crossover counts, the smallest margin (negative when
        // |L| stays above 1, as in a loop that limit-cycles).
        for (const auto& crossing : crossings)
            if (crossing.second < m.gain_margin_db) take(crossing);
    } else if (m.phase_margin_deg >= 0.0) {
        // Phase above -180 degrees at crossover: the first phase crossover above it, where |L| < 1.
        for (const auto& crossing : crossings)
            if (crossing.first > m.crossover && crossing.second < m.gain_margin_db) take(crossing);
    } else {
        // Phase past -180 degrees at crossover: the loop is unstable; the phase crossover just
        // below the crossover, where |L| > 1, gives a negative margin.
        double nearest = 0.0;
        for (const auto& crossing : crossings)
            if (crossing.first <= m.crossover && crossing.first > nearest) {
                nearest = crossing.first;
                take(crossing);
            }
    }
    return m;
}

double disturbance_rejection_bandwidth(const std::vector<response_point>& response)
{
    constexpr double minus_3_db = -3.0;
    auto sensitivity_db = [](const response_point& p) { return -sim::decibels(sim::magnitude(1.0 + p.value)); };
    if (response.empty() || sensitivity_db(response.front()) >= minus_3_db) return not_a_number;
    for (size_t i = 0; i + 1 < response.size(); ++i) {
        const double a = sensitivity_db(response[i]), b = sensitivity_db(response[i + 1]);
        if (a < minus_3_db && b >= minus_3_db) {
            const double t = (minus_3_db - a) / (b - a);
            return sim::exp(sim::log(response[i].omega) + t * (sim::log(response[i + 1].omega) - sim::log(response[i].omega)));
        }
    }
    return infinity;
}
