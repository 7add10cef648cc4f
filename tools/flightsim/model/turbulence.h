// Wind at the aircraft: a steady wind, turbulence and discrete gusts, all over the ground in
// earth axes (north, east, down).
//
// Turbulence: three first-order Gauss-Markov processes (Dryden's first-order form, as for the
// gusts along the path) along the aircraft's heading, across it and vertically, with the
// low-altitude intensities and scale lengths of MIL-F-8785C: sigma_w = 0.1 W20, sigma_u = sigma_v =
// sigma_w / (0.177 + 0.000823 h)^0.4, L_w = h, L_u = L_v = h / (0.177 + 0.000823 h)^1.2
// (h and L in feet, h at least 10 ft). The air carries the pattern past the aircraft at its speed
// through the air, taken as at least 5 m/s so that a hover still sees it change. The noise comes
// from a seeded generator of its own (xoshiro256**), so a seed always gives the same gusts.
//
// Discrete gusts: a (1 - cos) rise and fall of the wind from a direction over a duration.
#pragma once

#include <cstdint>
#include <vector>

class random_source {
public:
    explicit random_source(uint64_t seed = 1);
    uint64_t next();
    double uniform();  // in (0, 1)
    double normal();   // standard normal (Box-Muller)

private:
    uint64_t s_[4];
    double spare_ = 0.0;
    bool has_spare_ = false;
};

struct wind_vector {
    double north = 0.0, east = 0.0, down = 0.0;
};

class wind_model {
public:
    // Steady wind blowing from a direction (degrees true), m/s.
    void set_steady(double from_degrees, double speed);
    // Turbulence of the given wind speed at 20 ft (m/s; 7.7 light, 15.4 moderate, 23.1 severe, 0 off).
    void set_turbulence(double w20, uint64_t seed);
    // A discrete gust starting at time start (s), peaking halfway through its duration.
    void add_gust(double start, double duration, double from_degrees, double speed);

    // Advances the turbulence by dt at height h above ground (m), airspeed (m/s), heading (rad).
    void advance(double dt, double height, double airspeed, double heading);
    // The wind at simulated time t: steady + turbulence + gusts.
    wind_vector at(double t) const;
    wind_vector steady() const { return steady_; }
    double turbulence_w20() const { return w20_; }

private:
    struct gust {
        double start, duration, north, east;
    };
    wind_vector steady_;
    double w20_ = 0.0;
    random_source random_;
    double gust_u_ = 0.0, gust_v_ = 0.0, gust_w_ = 0.0;  // along heading, across, down
    double sin_heading_ = 0.0, cos_heading_ = 1.0;
    std::vector<gust> gusts_;
};
