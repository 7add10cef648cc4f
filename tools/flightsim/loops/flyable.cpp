#include "tools/flightsim/loops/flyable.h"

#include <cmath>
#include <cstdio>
#include <iostream>
#include <numbers>

#include "tools/flightsim/model/trim.h"

namespace {

constexpr double hover_height = 30.0;          // m above the ground
constexpr double cruise_speed = 150.0 / 3.6;   // m/s
constexpr double cruise_height = 150.0;        // m
constexpr double gravity = 9.80665;            // m/s^2
// What the helicopters built have: disc loadings of about 100 to 700 N/m^2, tip speeds of 180 to
// 240 m/s, shafts tilted forward a few degrees at most.
constexpr double lightest_disc_loading = 50.0, heaviest_disc_loading = 1500.0;  // N/m^2
constexpr double slowest_tip = 120.0, fastest_tip = 320.0;                       // m/s
constexpr double largest_shaft_tilt = 0.35;                                      // rad, 20 degrees

std::string likely_cause(const aircraft_parameters& a)
{
    char text[300];
    const double disc_loading = a.mass * gravity / (std::numbers::pi * a.rotor_radius * a.rotor_radius);
    const double tip_speed = a.rotor_speed * a.rotor_radius;
    if (std::fabs(a.shaft_tilt) > largest_shaft_tilt) {
        std::snprintf(text, sizeof text, "shaft_tilt %g is %.0f degrees: the file takes radians (degrees typed?)",
                      a.shaft_tilt, a.shaft_tilt * 180.0 / std::numbers::pi);
    } else if (disc_loading > heaviest_disc_loading || disc_loading < lightest_disc_loading) {
        std::snprintf(text, sizeof text,
                      "mass %g kg on a rotor of radius %g m is a disc loading of %.3g N/m^2 (helicopters: 100 to 700): "
                      "check mass (kg) and rotor_radius (m)",
                      a.mass, a.rotor_radius, disc_loading);
    } else if (tip_speed > fastest_tip || tip_speed < slowest_tip) {
        std::snprintf(text, sizeof text,
                      "rotor_speed %g rad/s at radius %g m is a tip speed of %.3g m/s (helicopters: 180 to 240): "
                      "check rotor_speed (rad/s) and rotor_radius (m)",
                      a.rotor_speed, a.rotor_radius, tip_speed);
    } else {
        return "no single parameter stands out; compare the file with bo105.aircraft line by line";
    }
    return text;
}

}  // namespace

bool hover_only(const aircraft_parameters& aircraft)
{
    return aircraft.speed_limit < cruise_speed;
}

std::string hover_only_note(const aircraft_file& aircraft)
{
    if (!hover_only(aircraft.parameters)) return {};
    char text[240];
    std::snprintf(text, sizeof text,
                  "%s flies the hover only (its file holds up to %.0f km/h, speed_limit): the cruise loops and the "
                  "flights that start in cruise are left out\n",
                  aircraft.name.c_str(), aircraft.parameters.speed_limit * 3.6);
    return text;
}

std::string why_not_flyable(const aircraft_parameters& aircraft)
{
    const rotorcraft_model model(aircraft);
    trim_condition hover;
    hover.altitude = hover_height + aircraft.skid_drop;
    hover.air.density = model.density_at(hover.altitude);
    const bool hovers = solve_trim(model, hover).converged;
    if (hover_only(aircraft)) return hovers ? std::string() : "the aircraft does not trim in a hover";
    air_state cruise_air;
    cruise_air.density = model.density_at(cruise_height);
    const bool cruises = solve_trim(model, level_flight(cruise_speed, 0.0, cruise_height, cruise_air)).converged;
    if (hovers && cruises) return {};
    const std::string where = !hovers && !cruises ? "in a hover nor at 150 km/h" : !hovers ? "in a hover" : "at 150 km/h";
    return std::string(!hovers && !cruises ? "the aircraft trims neither " : "the aircraft does not trim ") + where + ": " +
           likely_cause(aircraft);
}

bool read_flyable_aircraft(const std::string& path, const char* command, aircraft_file& aircraft)
{
    try {
        aircraft = read_aircraft_file(path);
    } catch (const aircraft_file_error& error) {
        std::cerr << "flightsim " << command << ": " << error.what() << "\n";
        return false;
    }
    const std::string why = why_not_flyable(aircraft.parameters);
    if (why.empty()) return true;
    std::cerr << "flightsim " << command << ": " << (path.empty() ? std::string("the built-in aircraft") : path) << ": " << why << "\n";
    return false;
}
