#include "tools/flightsim/session/sensor_errors.h"

#include <cmath>

namespace {
constexpr double two_pi = 6.283185307179586;
constexpr double angle_step = 360.0 / 65536.0;  // degrees
constexpr double height_step = 0.125;           // m
constexpr double airspeed_step = 0.125;         // knots

double to_step(double value, double step)
{
    return std::round(value / step) * step;
}
}  // namespace

host_readings sensor_errors::shown(const host_readings& truth)
{
    // A standard normal number from two uniform ones (Box and Muller), from the generator's own
    // bits, so that a seed gives the same noise with every standard library.
    auto normal = [this] {
        const double u1 = (static_cast<double>(random() >> 11) + 1.0) * 0x1.0p-53;
        const double u2 = static_cast<double>(random() >> 11) * 0x1.0p-53;
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(two_pi * u2);
    };
    host_readings r = truth;
    if (noise_level > 0.0) {
        r.bank += 0.05 * noise_level * normal();
        r.pitch += 0.05 * noise_level * normal();
        r.heading = std::fmod(r.heading + 0.1 * noise_level * normal() + 360.0, 360.0);
        r.turn_rate += 0.2 * noise_level * turn_rate_units_per_degree * normal();
        const double height_noise = 0.1 * noise_level * normal();  // one altimeter error for both
        r.altitude += height_noise;
        r.radio_height = std::fmax(r.radio_height + height_noise, 0.0);
        r.vertical_speed += 0.05 * noise_level * 256.0 * normal();
        r.airspeed = std::fmax(r.airspeed + 0.5 * noise_level * normal(), 0.0);
    }
    if (quantised) {
        r.bank = to_step(r.bank, angle_step);
        r.pitch = to_step(r.pitch, angle_step);
        r.heading = std::fmod(to_step(r.heading, angle_step), 360.0);
        r.turn_rate = std::round(r.turn_rate);
        r.altitude = to_step(r.altitude, height_step);
        r.radio_height = to_step(r.radio_height, height_step);
        r.vertical_speed = std::round(r.vertical_speed);
        r.airspeed = to_step(r.airspeed, airspeed_step);
    }
    return r;
}
