#include "tools/flightsim/model/rotorcraft.h"

#include <cmath>

#include "tools/flightsim/model/sim_math.h"

namespace {

constexpr double gravity = 9.80665;

struct vec3 {
    double x, y, z;
};
vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
vec3 operator-(vec3 a, vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
vec3 operator*(double k, vec3 a) { return {k * a.x, k * a.y, k * a.z}; }
double dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
vec3 cross(vec3 a, vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Earth-to-body rotation from the Euler angles.
struct rotation {
    double m[3][3];
    vec3 to_body(vec3 v) const
    {
        return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z, m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
                m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
    }
    vec3 to_earth(vec3 v) const
    {
        return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z, m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
                m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
    }
};

double clamp(double value, double low, double high)
{
    return value < low ? low : value > high ? high : value;
}

// Lift of a small surface, per unit of 1/2 rho S a: along -normal, from the flow's normal
// component, limited at the stall angle. Speeds through the air at the surface.
double surface_force(double along, double normal, double stall_tangent)
{
    const double limit = stall_tangent * std::fabs(along);
    return -std::fabs(along) * clamp(normal, -limit, limit);
}

// Skids: four contact points with springs, dampers and sliding friction. Hands each point's
// force (body axes) to apply; returns the sum of the normal forces.
template <typename Apply>
double skid_contact(const aircraft_parameters& a, double reach, const state_vector& x, const rotation& c, vec3 velocity, vec3 omega,
                    const terrain& ground, Apply apply)
{
    double contact = 0.0;
    // Well above the highest ground no skid can touch (a metre to spare for the rounding).
    if (x[s_down] + reach + ground.highest() < -1.0) return contact;
    const vec3 points[4] = {{a.skid_forward, -a.skid_half_track, a.skid_drop},
                            {a.skid_forward, a.skid_half_track, a.skid_drop},
                            {-a.skid_aft, -a.skid_half_track, a.skid_drop},
                            {-a.skid_aft, a.skid_half_track, a.skid_drop}};
    for (const vec3& point : points) {
        const vec3 offset = c.to_earth(point);
        const double north = x[s_north] + offset.x, east = x[s_east] + offset.y, down = x[s_down] + offset.z;
        const double depth = down + ground.elevation(north, east);  // below the ground when positive
        if (depth <= 0.0) continue;
        const vec3 point_velocity = c.to_earth(velocity + cross(omega, point));
        double normal = a.skid_stiffness * depth + a.skid_damping * point_velocity.z;
        if (normal <= 0.0) continue;
        const double slide = std::sqrt(point_velocity.x * point_velocity.x + point_velocity.y * point_velocity.y + 0.01);
        const double friction = -a.skid_friction * normal / slide;
        apply(point, c.to_body({friction * point_velocity.x, friction * point_velocity.y, -normal}));
        contact += normal;
    }
    return contact;
}

// Newton's method on one rotor's inflow, one step at a time.
struct inflow_iteration {
    double k0, slope, lambda_free, mu_squared, lambda;
    bool done = false;

    inflow_iteration(double k0_, double slope_, double lambda_free_, double mu_squared_)
        : k0(k0_), slope(slope_), lambda_free(lambda_free_), mu_squared(mu_squared_),
          lambda(lambda_free_ + std::sqrt(std::fabs(k0_) * 0.5 + 1e-6))
    {
    }

    void step()
    {
        const double floor_squared = 1e-10;  // keeps the root finite where mu and lambda both vanish
        const double s = std::sqrt(mu_squared + lambda * lambda + floor_squared);
        const double ct = k0 - slope * lambda;
        const double f = lambda - lambda_free - ct / (2.0 * s);
        const double df = 1.0 + slope / (2.0 * s) + ct * lambda / (2.0 * s * s * s);
        const double change = f / df;
        lambda -= change;
        done = std::fabs(change) < 1e-14;
    }
};

constexpr int inflow_steps = 30;

// The main and the tail rotor's iterations side by side: each waits on its square root and
// divisions, and interleaved the processor works on both at once. Each takes the very steps it
// would take alone.
void solve_inflow_pair(inflow_iteration& main, inflow_iteration& tail)
{
    for (int i = 0; i < inflow_steps && !(main.done && tail.done); ++i) {
        if (!main.done) main.step();
        if (!tail.done) tail.step();
    }
}

// The model's constants the force terms need, taken from its record once per call.
struct rotor_constants {
    double tip_speed, solidity, shaft_sin, shaft_cos, tail_tip_speed, tail_solidity, stall_tangent;
};

// The main rotor up to its inflow. Shaft axes: i_s forward in the shaft plane, j_s right, k_s
// down the shaft; the thrust along the disc's normal, upwards.
struct main_rotor_before_inflow {
    vec3 i_s, j_s, k_s, hub, thrust_axis;
    double flap_lon, flap_lat, lambda_free, mu_squared, mu_x, mu_y, twist, theta_root, sigma_a, k0;
};

main_rotor_before_inflow main_rotor(const aircraft_parameters& a, const rotor_constants& k, const state_vector& x,
                                    const vec3& air_velocity, const vec3& omega, const control_inputs& controls)
{
    main_rotor_before_inflow m;
    m.i_s = {k.shaft_cos, 0.0, k.shaft_sin};
    m.j_s = {0.0, 1.0, 0.0};
    m.k_s = {-k.shaft_sin, 0.0, k.shaft_cos};
    m.hub = {a.hub_forward, 0.0, -a.hub_height};
    const vec3 hub_velocity = air_velocity + cross(omega, m.hub);
    m.flap_lon = x[s_flap_lon], m.flap_lat = x[s_flap_lat];
    const double tilt_norm = std::sqrt(1.0 + m.flap_lon * m.flap_lon + m.flap_lat * m.flap_lat);
    m.thrust_axis = (1.0 / tilt_norm) * (m.flap_lon * m.i_s + m.flap_lat * m.j_s - m.k_s);
    const double through = dot(hub_velocity, m.thrust_axis);  // flow down through the disc from motion
    m.lambda_free = through / k.tip_speed;
    m.mu_squared = (dot(hub_velocity, hub_velocity) - through * through) / (k.tip_speed * k.tip_speed);
    m.mu_x = dot(hub_velocity, m.i_s) / k.tip_speed;
    m.mu_y = hub_velocity.y / k.tip_speed;
    m.twist = a.blade_twist;
    m.theta_root = a.collective_low + controls.collective * (a.collective_high - a.collective_low) - 0.75 * m.twist;
    m.sigma_a = k.solidity * a.blade_lift_slope;
    m.k0 = 0.5 * m.sigma_a * (m.theta_root * (1.0 / 3.0 + 0.5 * m.mu_squared) + m.twist * (0.25 + 0.25 * m.mu_squared));
    return m;
}

// The tail rotor up to its inflow: thrust along s_rot * y against the main rotor's torque.
struct tail_rotor_before_inflow {
    vec3 tail, tail_axis;
    double tail_through, tail_mu_squared, tail_sigma_a, tail_k0;
};

tail_rotor_before_inflow tail_rotor(const aircraft_parameters& a, const rotor_constants& k, const vec3& air_velocity,
                                    const vec3& omega, const control_inputs& controls)
{
    const double s_rot = a.rotor_direction;
    tail_rotor_before_inflow t;
    t.tail = {-a.tail_rotor_arm, 0.0, -a.tail_rotor_height};
    t.tail_axis = {0.0, s_rot, 0.0};
    const vec3 tail_velocity = air_velocity + cross(omega, t.tail);
    t.tail_through = dot(tail_velocity, t.tail_axis);
    t.tail_mu_squared = (dot(tail_velocity, tail_velocity) - t.tail_through * t.tail_through) / (k.tail_tip_speed * k.tail_tip_speed);
    const double tail_pitch = a.tail_pitch_centre - s_rot * controls.pedal * a.tail_pitch_travel;
    t.tail_sigma_a = k.tail_solidity * a.tail_rotor_lift_slope;
    t.tail_k0 = 0.5 * t.tail_sigma_a * tail_pitch * (1.0 / 3.0 + 0.5 * t.tail_mu_squared);
    return t;
}

// The horizontal stabiliser and the fin: each a force at its place and its moment.
struct surface_loads {
    vec3 stabiliser_force, stabiliser_moment, fin_force, fin_moment;
};

surface_loads tail_surfaces(const aircraft_parameters& a, double rho, double stall_tangent, const vec3& air_velocity,
                            const vec3& omega)
{
    surface_loads l;
    const vec3 stabiliser = {-a.stabiliser_arm, 0.0, 0.0};
    const vec3 stabiliser_velocity = air_velocity + cross(omega, stabiliser);
    l.stabiliser_force = {0.0, 0.0,
                          0.5 * rho * a.stabiliser_area * a.stabiliser_lift_slope *
                              surface_force(stabiliser_velocity.x, stabiliser_velocity.z, stall_tangent)};
    l.stabiliser_moment = cross(stabiliser, l.stabiliser_force);
    const vec3 fin = {-a.fin_arm, 0.0, -a.fin_height};
    const vec3 fin_velocity = air_velocity + cross(omega, fin);
    l.fin_force = {0.0, 0.5 * rho * a.fin_area * a.fin_lift_slope * surface_force(fin_velocity.x, fin_velocity.y, stall_tangent),
                   0.0};
    l.fin_moment = cross(fin, l.fin_force);
    return l;
}

// The fuselage's drag, against the air's velocity on each body axis.
vec3 fuselage_drag(const aircraft_parameters& a, double rho, const vec3& air_velocity)
{
    const double airspeed = std::sqrt(dot(air_velocity, air_velocity));
    const double q_drag = -0.5 * rho * airspeed;
    return {q_drag * a.drag_area_forward * air_velocity.x, q_drag * a.drag_area_side * air_velocity.y,
            q_drag * a.drag_area_vertical * air_velocity.z};
}
// Both rotors' inflow ratios, solved together.
struct inflow_ratios {
    double main, tail;
};

inflow_ratios both_inflows(const main_rotor_before_inflow& m, const tail_rotor_before_inflow& tr, double tail_tip_speed)
{
    inflow_iteration main_inflow(m.k0, 0.25 * m.sigma_a, m.lambda_free, m.mu_squared);
    inflow_iteration tail_inflow(tr.tail_k0, 0.25 * tr.tail_sigma_a, tr.tail_through / tail_tip_speed, tr.tail_mu_squared);
    solve_inflow_pair(main_inflow, tail_inflow);
    return {main_inflow.lambda, tail_inflow.lambda};
}

struct main_rotor_loads {
    double thrust, torque;
};

// The main rotor's thrust at the hub, then its torque's reaction on the fuselage and the hub spring.
main_rotor_loads add_main_rotor_loads(const aircraft_parameters& a, const main_rotor_before_inflow& m, double lambda,
                                      double dynamic, double solidity, double hub_stiffness, vec3& force, vec3& moment)
{
    const double ct = m.k0 - 0.25 * m.sigma_a * lambda;
    const double thrust = ct * dynamic;
    const vec3 thrust_force = thrust * m.thrust_axis;
    force = force + thrust_force;
    moment = moment + cross(m.hub, thrust_force);
    const double torque =
        dynamic * a.rotor_radius * (ct * lambda + solidity * a.blade_drag / 8.0 * (1.0 + 4.65 * m.mu_squared));
    moment = moment + (a.rotor_direction * torque) * m.k_s;
    moment = moment + (hub_stiffness * m.flap_lat) * m.i_s - (hub_stiffness * m.flap_lon) * m.j_s;
    return {thrust, torque};
}


// The disc's quasi-steady tilt, which flapping heads for with the lag tau.
void steady_flapping(const aircraft_parameters& a, const main_rotor_before_inflow& m, double lambda, double lock, double tau,
                     double cyclic_lon, double cyclic_lat, const state_vector& x, double& steady_lon, double& steady_lat)
{
    const double s_rot = a.rotor_direction;
    const double coning = lock / 8.0 *
                          (m.theta_root * (1.0 + m.mu_squared) + m.twist * (0.8 + 2.0 / 3.0 * m.mu_squared) - 4.0 / 3.0 * lambda) /
                          (a.flap_frequency * a.flap_frequency);
    const double flapback = 2.0 * (4.0 / 3.0 * m.theta_root + m.twist - lambda) / (1.0 - 0.5 * m.mu_squared);
    const double sideways = 4.0 / 3.0 * coning / (1.0 + 0.5 * m.mu_squared);
    steady_lon = cyclic_lon - flapback * m.mu_x - s_rot * sideways * m.mu_y + tau * x[s_q];
    steady_lat = cyclic_lat - flapback * m.mu_y + s_rot * sideways * m.mu_x - tau * x[s_p];
}

// The skids' contact points pushing back: where, and how hard; and the sum of their forces.
struct skid_loads {
    int points = 0;
    vec3 at[4], push[4];
    double contact = 0.0;
};

skid_loads skid_loads_of(const aircraft_parameters& a, double reach, const state_vector& x, const rotation& c, vec3 velocity,
                         vec3 omega, const terrain& ground)
{
    skid_loads skids;
    skids.contact = skid_contact(a, reach, x, c, velocity, omega, ground, [&](vec3 at, vec3 f) {
        skids.at[skids.points] = at;
        skids.push[skids.points] = f;
        ++skids.points;
    });
    return skids;
}

// The blades' Lock number: their aerodynamic against their inertial flapping moments.
double lock_number(const aircraft_parameters& a, double rho)
{
    const double r2 = a.rotor_radius * a.rotor_radius;
    return rho * a.blade_lift_slope * a.rotor_chord * r2 * r2 / a.blade_flap_inertia;
}

// The tail surfaces', the fuselage's and gravity's loads added to the sums, in their order.
void add_airframe_loads(const surface_loads& surfaces, const vec3& drag, const vec3& weight, vec3& force, vec3& moment)
{
    force = force + surfaces.stabiliser_force;
    moment = moment + surfaces.stabiliser_moment;
    force = force + surfaces.fin_force;
    moment = moment + surfaces.fin_moment;
    force = force + drag;
    force = force + weight;
}

// North, east and down rates: the body velocity turned to the earth's axes.
void position_rates(const rotation& c, const vec3& velocity, state_vector& dx)
{
    const vec3 earth_velocity = c.to_earth(velocity);
    dx[s_north] = earth_velocity.x;
    dx[s_east] = earth_velocity.y;
    dx[s_down] = earth_velocity.z;
}

// The rigid body's equations of motion under the summed force and moment.
void rigid_body_rates(const aircraft_parameters& a, const state_vector& x, const vec3& force, const vec3& moment, state_vector& dx)
{
    const double m = a.mass;
    const double p = x[s_p], q = x[s_q], r = x[s_r];
    dx[s_u] = r * x[s_v] - q * x[s_w] + force.x / m;
    dx[s_v] = p * x[s_w] - r * x[s_u] + force.y / m;
    dx[s_w] = q * x[s_u] - p * x[s_v] + force.z / m;
    dx[s_p] = (moment.x + (a.inertia_pitch - a.inertia_yaw) * q * r) / a.inertia_roll;
    dx[s_q] = (moment.y + (a.inertia_yaw - a.inertia_roll) * p * r) / a.inertia_pitch;
    dx[s_r] = (moment.z + (a.inertia_roll - a.inertia_pitch) * p * q) / a.inertia_yaw;
}

}  // namespace

struct rotorcraft_model::attitude {
    double sphi, cphi, stheta, ctheta, spsi, cpsi;
    rotation c;  // earth to body

    // The rates of change of the Euler angles from the body rates of x.
    void angle_rates(const state_vector& x, double& phi, double& theta, double& psi) const
    {
        const double p = x[s_p], q = x[s_q], r = x[s_r];
        const double turn = q * sphi + r * cphi;
        phi = p + turn * stheta / ctheta;
        theta = q * cphi - r * sphi;
        psi = turn / ctheta;
    }
};

rotorcraft_model::attitude rotorcraft_model::attitude_of(double phi, double theta, double psi)
{
    attitude t;
    double sines[3], cosines[3];
    sim::sincos3({phi, theta, psi}, sines, cosines);
    t.sphi = sines[0];
    t.cphi = cosines[0];
    t.stheta = sines[1];
    t.ctheta = cosines[1];
    t.spsi = sines[2];
    t.cpsi = cosines[2];
    const double sphi = t.sphi, cphi = t.cphi, stheta = t.stheta, ctheta = t.ctheta, spsi = t.spsi, cpsi = t.cpsi;
    t.c = {{{ctheta * cpsi, ctheta * spsi, -stheta},
            {sphi * stheta * cpsi - cphi * spsi, sphi * stheta * spsi + cphi * cpsi, sphi * ctheta},
            {cphi * stheta * cpsi + sphi * spsi, cphi * stheta * spsi - sphi * cpsi, cphi * ctheta}}};
    return t;
}

double solve_inflow(double k0, double slope, double lambda_free, double mu_squared)
{
    inflow_iteration iteration(k0, slope, lambda_free, mu_squared);
    for (int i = 0; i < inflow_steps && !iteration.done; ++i) iteration.step();
    return iteration.lambda;
}

rotorcraft_model::rotorcraft_model(const aircraft_parameters& parameters) : p_(parameters)
{
    if (p_.table.given) {
        // No rotor, airframe or skids: their constants stay zero and nothing reads them.
        disc_area_ = tip_speed_ = solidity_ = hub_stiffness_ = 0.0;
        tail_area_ = tail_tip_speed_ = tail_solidity_ = 0.0;
        shaft_sin_ = 0.0, shaft_cos_ = 1.0;
        skid_reach_ = stall_tangent_ = 0.0;
        return;
    }
    disc_area_ = sim::pi * p_.rotor_radius * p_.rotor_radius;
    tip_speed_ = p_.rotor_speed * p_.rotor_radius;
    solidity_ = p_.rotor_blades * p_.rotor_chord / (sim::pi * p_.rotor_radius);
    hub_stiffness_ = 0.5 * p_.rotor_blades * p_.blade_flap_inertia * p_.rotor_speed * p_.rotor_speed *
                     (p_.flap_frequency * p_.flap_frequency - 1.0);
    tail_area_ = sim::pi * p_.tail_rotor_radius * p_.tail_rotor_radius;
    tail_tip_speed_ = p_.tail_rotor_speed * p_.tail_rotor_radius;
    tail_solidity_ = p_.tail_rotor_blades * p_.tail_rotor_chord / (sim::pi * p_.tail_rotor_radius);
    sim::sincos(p_.shaft_tilt, shaft_sin_, shaft_cos_);
    skid_reach_ = std::fabs(p_.skid_drop) + std::fabs(p_.skid_half_track) +
                  std::fmax(std::fabs(p_.skid_forward), std::fabs(p_.skid_aft));
    stall_tangent_ = sim::sin(p_.surface_stall_angle) / sim::cos(p_.surface_stall_angle);
}

double rotorcraft_model::flap_time_constant(double density) const
{
    const double r2 = p_.rotor_radius * p_.rotor_radius;
    const double lock = density * p_.blade_lift_slope * p_.rotor_chord * r2 * r2 / p_.blade_flap_inertia;
    return 16.0 / (lock * p_.rotor_speed);
}

double rotorcraft_model::density_at(double altitude) const
{
    const double ratio = 1.0 - 2.25577e-5 * altitude;
    return p_.air_density * (ratio > 0.1 ? sim::pow(ratio, 4.2559) : 0.0);
}

void rotorcraft_model::derivatives(const state_vector& x, const control_inputs& controls, const air_state& air,
                                   const terrain& ground, state_vector& dx, model_outputs* outputs) const
{
    derivatives_at(x, attitude_of(x[s_phi], x[s_theta], x[s_psi]), controls, air, ground, dx, outputs);
}

void rotorcraft_model::derivatives_at(const state_vector& x, const attitude& t, const control_inputs& controls,
                                      const air_state& air, const terrain& ground, state_vector& dx,
                                      model_outputs* outputs) const
{
    if (p_.table.given) {
        table_derivatives_at(x, t, controls, air, dx, outputs);
        return;
    }
    const aircraft_parameters& a = p_;
    // With an actuator lag the rotors see where the actuators stand, not where the pilot holds.
    const bool lagged = a.actuator_lag_s > 0.0;
    const control_inputs acting = lagged ? actuators_of(x) : controls;
    const double rho = air.density;
    const rotor_constants k = {tip_speed_, solidity_, shaft_sin_, shaft_cos_, tail_tip_speed_, tail_solidity_, stall_tangent_};

    const rotation& c = t.c;
    const double sphi = t.sphi, cphi = t.cphi, stheta = t.stheta, ctheta = t.ctheta;

    const vec3 velocity = {x[s_u], x[s_v], x[s_w]};
    const vec3 omega = {x[s_p], x[s_q], x[s_r]};
    const vec3 wind = c.to_body({air.wind_north, air.wind_east, air.wind_down});
    const vec3 air_velocity = velocity - wind;

    vec3 force = {0.0, 0.0, 0.0};
    vec3 moment = {0.0, 0.0, 0.0};
    auto apply = [&](vec3 at, vec3 f) {
        force = force + f;
        moment = moment + cross(at, f);
    };

    // What does not wait on the inflow comes first, so that the processor works it out while the
    // inflow iterations wait on their divisions; the forces are still summed in the same order.
    const main_rotor_before_inflow m = main_rotor(a, k, x, air_velocity, omega, acting);
    const tail_rotor_before_inflow tr = tail_rotor(a, k, air_velocity, omega, acting);
    const double lock = lock_number(a, rho);
    const double tau = 16.0 / (lock * a.rotor_speed);
    const double cyclic_lon = acting.longitudinal * a.cyclic_longitudinal;
    const double cyclic_lat = acting.lateral * a.cyclic_lateral;
    const double dynamic = rho * disc_area_ * tip_speed_ * tip_speed_;
    const surface_loads surfaces = tail_surfaces(a, rho, stall_tangent_, air_velocity, omega);
    const vec3 drag = fuselage_drag(a, rho, air_velocity);
    const vec3 weight = (a.mass * gravity) * vec3{-stheta, sphi * ctheta, cphi * ctheta};

    const skid_loads skids = skid_loads_of(a, skid_reach_, x, c, velocity, omega, ground);  // added last

    // The kinematics.
    t.angle_rates(x, dx[s_phi], dx[s_theta], dx[s_psi]);
    position_rates(c, velocity, dx);

    const inflow_ratios inflow = both_inflows(m, tr, tail_tip_speed_);
    const double lambda = inflow.main, tail_lambda = inflow.tail;
    const main_rotor_loads rotor = add_main_rotor_loads(a, m, lambda, dynamic, solidity_, hub_stiffness_, force, moment);

    double steady_lon = 0.0, steady_lat = 0.0;
    steady_flapping(a, m, lambda, lock, tau, cyclic_lon, cyclic_lat, x, steady_lon, steady_lat);

    // The tail rotor's thrust.
    const double tail_thrust =
        (tr.tail_k0 - 0.25 * tr.tail_sigma_a * tail_lambda) * rho * tail_area_ * tail_tip_speed_ * tail_tip_speed_;
    apply(tr.tail, tail_thrust * tr.tail_axis);

    add_airframe_loads(surfaces, drag, weight, force, moment);
    for (int i = 0; i < skids.points; ++i) apply(skids.at[i], skids.push[i]);

    rigid_body_rates(a, x, force, moment, dx);
    dx[s_flap_lon] = (steady_lon - m.flap_lon) / tau;
    dx[s_flap_lat] = (steady_lat - m.flap_lat) / tau;
    if (lagged) actuator_rates(x, controls, a.actuator_lag_s, dx);
    else
        for (int i = s_actuator_collective; i <= s_actuator_pedal; ++i) dx[i] = 0.0;

    if (outputs != nullptr)
        *outputs = {rotor.thrust, lambda, tail_thrust, rotor.torque, skids.contact, steady_lon, steady_lat, air_velocity.x, air_velocity.y, air_velocity.z};
}

rotorcraft_model::kinematics rotorcraft_model::kinematics_of(const state_vector& x, const air_state& air,
                                                              const terrain& ground) const
{
    const attitude t = attitude_of(x[s_phi], x[s_theta], x[s_psi]);
    const rotation& c = t.c;
    const vec3 velocity = {x[s_u], x[s_v], x[s_w]};
    const vec3 omega = {x[s_p], x[s_q], x[s_r]};
    const vec3 wind = c.to_body({air.wind_north, air.wind_east, air.wind_down});
    kinematics k;
    k.heading_rate = (x[s_q] * t.sphi + x[s_r] * t.cphi) / t.ctheta;
    k.down_rate = c.to_earth(velocity).z;
    k.air_u = (velocity - wind).x;
    k.contact_force = p_.table.given ? 0.0 : skid_contact(p_, skid_reach_, x, c, velocity, omega, ground, [](vec3, vec3) {});
    return k;
}

// The table's rows are accelerations in its own units; its columns the perturbations from the
// trim it was taken about, the velocities those through the air. Each control reaches the table
// through its actuator: the actuator's travel from the table's trim position, times the control's
// gearing, is the table's input.
void rotorcraft_model::table_derivatives_at(const state_vector& x, const attitude& t, const control_inputs& controls,
                                            const air_state& air, state_vector& dx, model_outputs* outputs) const
{
    const derivative_table& table = p_.table;
    const rotation& c = t.c;
    const vec3 velocity = {x[s_u], x[s_v], x[s_w]};
    const vec3 air_velocity = velocity - c.to_body({air.wind_north, air.wind_east, air.wind_down});

    const double per_length = 1.0 / table.length_unit;
    const double perturbation[table_states] = {air_velocity.x * per_length, air_velocity.y * per_length,
                                               air_velocity.z * per_length, x[s_p], x[s_q], x[s_r],
                                               x[s_phi] - table.trim_phi, x[s_theta] - table.trim_theta};
    const double gearing_rad[table_controls] = {p_.collective_high - p_.collective_low, p_.cyclic_longitudinal,
                                                p_.cyclic_lateral, p_.tail_pitch_travel};
    const double trim_position[table_controls] = {table.reference_collective, 0.0, 0.0, 0.0};
    const control_inputs acting = actuators_of(x);
    const double position[table_controls] = {acting.collective, acting.longitudinal, acting.lateral, acting.pedal};
    double input[table_controls];
    for (int k = 0; k < table_controls; ++k)
        input[k] = table.sense[k] * gearing_rad[k] * (position[k] - trim_position[k]) / table.control_unit;

    double acceleration[table_rows];
    for (int row = 0; row < table_rows; ++row) {
        double sum = 0.0;
        for (int j = 0; j < table_states; ++j) sum += table.by_state[row][j] * perturbation[j];
        for (int k = 0; k < table_controls; ++k) sum += table.by_control[row][k] * input[k];
        acceleration[row] = sum;
    }
    dx[s_u] = acceleration[0] * table.length_unit;
    dx[s_v] = acceleration[1] * table.length_unit;
    dx[s_w] = acceleration[2] * table.length_unit;
    dx[s_p] = acceleration[3];
    dx[s_q] = acceleration[4];
    dx[s_r] = acceleration[5];

    t.angle_rates(x, dx[s_phi], dx[s_theta], dx[s_psi]);
    position_rates(c, velocity, dx);
    // No disc: its tilt, were it ever moved, dies away, and a trim holds it at zero.
    dx[s_flap_lon] = -x[s_flap_lon];
    dx[s_flap_lat] = -x[s_flap_lat];
    actuator_rates(x, controls, p_.actuator_lag_s, dx);

    if (outputs != nullptr) {
        *outputs = {};
        outputs->air_u = air_velocity.x, outputs->air_v = air_velocity.y, outputs->air_w = air_velocity.z;
    }
}

control_inputs actuators_of(const state_vector& x)
{
    return {x[s_actuator_collective], x[s_actuator_longitudinal], x[s_actuator_lateral], x[s_actuator_pedal]};
}

void actuator_rates(const state_vector& x, const control_inputs& commanded, double lag_s, state_vector& dx)
{
    const control_inputs at = actuators_of(x);
    dx[s_actuator_collective] = (commanded.collective - at.collective) / lag_s;
    dx[s_actuator_longitudinal] = (commanded.longitudinal - at.longitudinal) / lag_s;
    dx[s_actuator_lateral] = (commanded.lateral - at.lateral) / lag_s;
    dx[s_actuator_pedal] = (commanded.pedal - at.pedal) / lag_s;
}

void settle_actuators(state_vector& x, const control_inputs& controls)
{
    x[s_actuator_collective] = controls.collective;
    x[s_actuator_longitudinal] = controls.longitudinal;
    x[s_actuator_lateral] = controls.lateral;
    x[s_actuator_pedal] = controls.pedal;
}

void rotorcraft_model::step(state_vector& x, const control_inputs& controls, const air_state& air,
                            const terrain& ground, double h) const
{
    advance(x, controls, air, ground, h, 1);
}

// Each stage's attitude is worked out while the stage before it is still being computed: the
// angles of a stage follow from the angle rates of the one before, which need only its body
// rates and attitude, not its forces. Placed ahead of the forces, the sines and cosines of the
// next stage wait on nothing, and the processor works them out while the forces wait on the
// rotors' inflow. The numbers are those of the plain scheme.
void rotorcraft_model::advance(state_vector& x, const control_inputs& controls, const air_state& air,
                               const terrain& ground, double h, int steps) const
{
    state_vector k1, k2, k3, k4, y;
    double rate_phi, rate_theta, rate_psi;
    attitude now = attitude_of(x[s_phi], x[s_theta], x[s_psi]);
    for (int n = 0; n < steps; ++n) {
        now.angle_rates(x, rate_phi, rate_theta, rate_psi);
        attitude next = attitude_of(x[s_phi] + 0.5 * h * rate_phi, x[s_theta] + 0.5 * h * rate_theta,
                                    x[s_psi] + 0.5 * h * rate_psi);
        derivatives_at(x, now, controls, air, ground, k1, nullptr);
        for (int i = 0; i < state_size; ++i) y[i] = x[i] + 0.5 * h * k1[i];

        now = next;
        now.angle_rates(y, rate_phi, rate_theta, rate_psi);
        next = attitude_of(x[s_phi] + 0.5 * h * rate_phi, x[s_theta] + 0.5 * h * rate_theta,
                           x[s_psi] + 0.5 * h * rate_psi);
        derivatives_at(y, now, controls, air, ground, k2, nullptr);
        for (int i = 0; i < state_size; ++i) y[i] = x[i] + 0.5 * h * k2[i];

        now = next;
        now.angle_rates(y, rate_phi, rate_theta, rate_psi);
        next = attitude_of(x[s_phi] + h * rate_phi, x[s_theta] + h * rate_theta, x[s_psi] + h * rate_psi);
        derivatives_at(y, now, controls, air, ground, k3, nullptr);
        for (int i = 0; i < state_size; ++i) y[i] = x[i] + h * k3[i];

        now = next;
        if (n + 1 < steps) {
            // The next step's first attitude: the angles this step ends at.
            now.angle_rates(y, rate_phi, rate_theta, rate_psi);
            auto end = [&](int i, double rate) { return x[i] + h / 6.0 * (k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + rate); };
            next = attitude_of(end(s_phi, rate_phi), end(s_theta, rate_theta),
                               sim::wrap(end(s_psi, rate_psi), 2.0 * sim::pi));
        }
        derivatives_at(y, now, controls, air, ground, k4, nullptr);
        for (int i = 0; i < state_size; ++i) x[i] += h / 6.0 * (k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + k4[i]);
        x[s_psi] = sim::wrap(x[s_psi], 2.0 * sim::pi);
        now = next;
    }
}
