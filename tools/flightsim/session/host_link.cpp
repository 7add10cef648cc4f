#include "tools/flightsim/session/host_link.h"

#include <cmath>

#include "tools/flightsim/model/sim_math.h"
#include "tools/gaugehost/host/gauge_host.h"

// fmod(floor(t), 60), which for the whole seconds of any flight is the integer remainder.
double clock_seconds(double t)
{
    const double whole = std::floor(t);
    if (whole >= 0.0 && whole < 9007199254740992.0) return static_cast<double>(static_cast<int64_t>(whole) % 60);
    return std::fmod(whole, 60.0);
}

void set_host_variables(GaugeHost& host, const host_readings& readings, double tick18, double clock_seconds,
                        const axis_positions& axes)
{
    host.set_var(host_token::bank, readings.bank);
    host.set_var(host_token::pitch, readings.pitch);
    host.set_var(host_token::heading, readings.heading);
    host.set_var(host_token::yaw_rate, readings.turn_rate);
    host.set_var(host_token::height_a, readings.altitude);
    host.set_var(host_token::height_b, readings.radio_height);
    host.set_var(host_token::vertical_speed, readings.vertical_speed);
    host.set_var(host_token::airspeed, readings.airspeed);
    host.set_var(host_token::on_ground, readings.on_ground);
    host.set_var(host_token::tick18, tick18);
    host.set_var(host_token::run_probe, clock_seconds);
    host.set_var(host_token::collective, axes.collective);
    host.set_var(host_token::control_313, axes.aileron);
    host.set_var(host_token::control_316, axes.rudder);
    host.set_var(host_token::control_317, axes.elevator);
}

host_readings read_instruments(const rotorcraft_model& model, const state_vector& x, const air_state& air,
                               const terrain& ground)
{
    const rotorcraft_model::kinematics k = model.kinematics_of(x, air, ground);
    const aircraft_parameters& a = model.parameters();
    const double skids = -x[s_down] - a.skid_drop;
    const double elevation = ground.elevation(x[s_north], x[s_east]);
    host_readings r{};
    r.bank = -x[s_phi] * sim::degrees_per_radian;
    r.pitch = -x[s_theta] * sim::degrees_per_radian;
    r.heading = sim::wrap(x[s_psi] * sim::degrees_per_radian, 360.0);
    r.turn_rate = k.heading_rate * sim::degrees_per_radian * turn_rate_units_per_degree;
    r.altitude = skids;
    r.radio_height = std::fmax(skids - elevation, 0.0);
    r.vertical_speed = -k.down_rate * 256.0;
    r.airspeed = std::fmax(k.air_u, 0.0) * std::sqrt(air.density / a.air_density) * knots_per_metre_per_second;
    r.on_ground = k.contact_force > 0.0 ? 1.0 : 0.0;
    return r;
}

control_inputs controls_from_axes(const axis_positions& axes)
{
    control_inputs c;
    c.lateral = -axes.aileron / full_axis;
    c.longitudinal = axes.elevator / full_axis;
    c.pedal = -axes.rudder / full_axis;
    c.collective = axes.collective / full_axis;
    return c;
}

axis_positions axes_from_controls(const control_inputs& controls)
{
    return {-controls.lateral * full_axis, controls.longitudinal * full_axis, -controls.pedal * full_axis,
            controls.collective * full_axis};
}
