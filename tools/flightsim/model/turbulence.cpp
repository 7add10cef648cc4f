#include "tools/flightsim/model/turbulence.h"

#include <cmath>

#include "tools/flightsim/model/sim_math.h"

namespace {
uint64_t splitmix(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t rotate_left(uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

constexpr double feet = 0.3048;
}  // namespace

random_source::random_source(uint64_t seed)
{
    for (uint64_t& word : s_) word = splitmix(seed);
}

uint64_t random_source::next()
{
    const uint64_t result = rotate_left(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = rotate_left(s_[3], 45);
    return result;
}

double random_source::uniform()
{
    return (static_cast<double>(next() >> 11) + 0.5) * (1.0 / 9007199254740992.0);
}

double random_source::normal()
{
    if (has_spare_) {
        has_spare_ = false;
        return spare_;
    }
    const double radius = std::sqrt(-2.0 * sim::log(uniform()));
    double s, c;
    sim::sincos(2.0 * sim::pi * uniform(), s, c);
    spare_ = radius * s;
    has_spare_ = true;
    return radius * c;
}

void wind_model::set_steady(double from_degrees, double speed)
{
    double s, c;
    sim::sincos(from_degrees / sim::degrees_per_radian, s, c);
    steady_ = {-speed * c, -speed * s, 0.0};
}

void wind_model::set_turbulence(double w20, uint64_t seed)
{
    w20_ = w20;
    random_ = random_source(seed);
    gust_u_ = gust_v_ = gust_w_ = 0.0;
}

void wind_model::add_gust(double start, double duration, double from_degrees, double speed)
{
    double s, c;
    sim::sincos(from_degrees / sim::degrees_per_radian, s, c);
    gusts_.push_back({start, duration, -speed * c, -speed * s});
}

void wind_model::advance(double dt, double height, double airspeed, double heading)
{
    sim::sincos(heading, sin_heading_, cos_heading_);
    if (w20_ <= 0.0) return;
    const double h = std::fmax(height / feet, 10.0);  // feet
    const double sigma_w = 0.1 * w20_;
    const double spread = 0.177 + 0.000823 * std::fmin(h, 1000.0);
    // spread^0.4 and spread^1.2, and the processes' decays, each pair worked out together.
    const double log_spread = sim::log(spread);
    double spread_04, spread_12;
    sim::exp_pair(0.4 * log_spread, 1.2 * log_spread, spread_04, spread_12);
    const double sigma_uv = sigma_w / spread_04;
    const double length_w = std::fmin(h, 1000.0) * feet;
    const double length_uv = std::fmin(h, 1000.0) / spread_12 * feet;
    const double speed = std::fmax(airspeed, 5.0);
    // First-order Markov processes; the two horizontal ones share their decay.
    double a_uv, a_w;
    sim::exp_pair(-speed * dt / length_uv, -speed * dt / length_w, a_uv, a_w);
    const double spread_uv = std::sqrt(1.0 - a_uv * a_uv), spread_w = std::sqrt(1.0 - a_w * a_w);
    gust_u_ = a_uv * gust_u_ + sigma_uv * spread_uv * random_.normal();
    gust_v_ = a_uv * gust_v_ + sigma_uv * spread_uv * random_.normal();
    gust_w_ = a_w * gust_w_ + sigma_w * spread_w * random_.normal();
}

wind_vector wind_model::at(double t) const
{
    wind_vector w = steady_;
    w.north += gust_u_ * cos_heading_ - gust_v_ * sin_heading_;
    w.east += gust_u_ * sin_heading_ + gust_v_ * cos_heading_;
    w.down += gust_w_;
    for (const gust& g : gusts_) {
        if (t <= g.start || t >= g.start + g.duration) continue;
        const double shape = 0.5 * (1.0 - sim::cos(2.0 * sim::pi * (t - g.start) / g.duration));
        w.north += shape * g.north;
        w.east += shape * g.east;
    }
    return w;
}
