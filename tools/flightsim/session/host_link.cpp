#include "tools/flightsim/session/host_link.h"

#include <cmath>

#include "tools/flightsim/model/sim_math.h"

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
