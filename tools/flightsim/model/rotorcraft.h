// The helicopter as a rigid body in six degrees of freedom with a main rotor (thrust from
// collective with momentum-theory inflow, disc tilt from cyclic with a first-order flapping lag
// and a hub moment), a tail rotor against the main rotor's torque, tail surfaces, fuselage drag,
// gravity and skids on the ground; or, for an aircraft file with a derivative table, the table's
// linear accelerations, with the same kinematics and no skids. A table's controls act through
// actuators of first-order lag, and so do a rotorcraft's where its file gives a lag.
//
// Axes: earth axes north, east, down; body axes x forward, y right, z down. Euler angles roll
// (phi, right wing down positive), pitch (theta, nose up positive), yaw (psi, true heading).
#pragma once

#include <array>

#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/model/terrain.h"

enum state_index : int {
    s_north, s_east, s_down,      // m
    s_u, s_v, s_w,                // body velocity over the ground, m/s
    s_phi, s_theta, s_psi,        // rad
    s_p, s_q, s_r,                // body rates, rad/s
    s_flap_lon, s_flap_lat,       // disc tilt against the shaft, rad: forward, right
    // Where the actuators stand, as fractions of the controls' travel (control_inputs), for an
    // aircraft with an actuator lag; without one they are left where they are.
    s_actuator_collective, s_actuator_longitudinal, s_actuator_lateral, s_actuator_pedal,
    state_size
};
using state_vector = std::array<double, state_size>;

// The pilot's (or autopilot's) control positions, each as a fraction of its travel.
struct control_inputs {
    double collective = 0.5;    // 0 lever down, 1 lever up
    double longitudinal = 0.0;  // -1 full aft, +1 full forward (nose down)
    double lateral = 0.0;       // -1 full left, +1 full right (roll right)
    double pedal = 0.0;         // -1 full left, +1 full right (nose right)
};

// The air at the aircraft: wind over the ground (steady and gusts), earth axes, m/s.
struct air_state {
    double wind_north = 0.0, wind_east = 0.0, wind_down = 0.0;
    double density = 1.225;
};

struct model_outputs {
    double thrust = 0.0;            // N
    double inflow = 0.0;            // total inflow ratio through the disc
    double tail_thrust = 0.0;       // N, against the main rotor's torque
    double torque = 0.0;            // N m, main rotor
    double contact_force = 0.0;     // N, sum over the skids' contact points
    double flap_lon_steady = 0.0;   // disc tilt the flapping is heading for, rad
    double flap_lat_steady = 0.0;
    double air_u = 0.0, air_v = 0.0, air_w = 0.0;  // body velocity through the air, m/s
};

class rotorcraft_model {
public:
    explicit rotorcraft_model(const aircraft_parameters& parameters);

    void derivatives(const state_vector& x, const control_inputs& controls, const air_state& air,
                     const terrain& ground, state_vector& dx, model_outputs* outputs = nullptr) const;

    // What the instruments need of a state, the same numbers derivatives gives, without the
    // forces: the rate of change of heading and of the down position, the forward speed through
    // the air, the skids' normal force.
    struct kinematics {
        double heading_rate, down_rate, air_u, contact_force;
    };
    kinematics kinematics_of(const state_vector& x, const air_state& air, const terrain& ground) const;

    // Classical fourth-order Runge-Kutta over h seconds, controls and air held; heading kept in [0, 2 pi).
    void step(state_vector& x, const control_inputs& controls, const air_state& air, const terrain& ground,
              double h) const;
    // steps such steps one after the other; the same numbers as calling step that often.
    void advance(state_vector& x, const control_inputs& controls, const air_state& air, const terrain& ground,
                 double h, int steps) const;

    const aircraft_parameters& parameters() const { return p_; }
    double flap_time_constant(double density) const;

    // Standard-atmosphere density at an altitude above sea level (m).
    double density_at(double altitude) const;

private:
    struct attitude;  // the attitude's sines and cosines and the rotation they make
    static attitude attitude_of(double phi, double theta, double psi);
    void derivatives_at(const state_vector& x, const attitude& t, const control_inputs& controls, const air_state& air,
                        const terrain& ground, state_vector& dx, model_outputs* outputs) const;
    // A derivative-table aircraft's accelerations in place of the rotor's forces.
    void table_derivatives_at(const state_vector& x, const attitude& t, const control_inputs& controls,
                              const air_state& air, state_vector& dx, model_outputs* outputs) const;

    aircraft_parameters p_;
    double disc_area_, tip_speed_, solidity_, hub_stiffness_;
    double tail_area_, tail_tip_speed_, tail_solidity_;
    double shaft_sin_, shaft_cos_;
    double stall_tangent_;
    double skid_reach_;  // no skid point is farther than this from the centre of mass
};

// The actuators settled where the controls stand (a trimmed state's, or one to take a
// control's settled answer at).
void settle_actuators(state_vector& x, const control_inputs& controls);
// Where the actuators stand, and how fast each follows its control with a lag of lag_s seconds.
control_inputs actuators_of(const state_vector& x);
void actuator_rates(const state_vector& x, const control_inputs& commanded, double lag_s, state_vector& dx);

// Total inflow ratio (downwards through the disc) from momentum theory with uniform inflow,
// solving lambda = lambda_f + C_T / (2 sqrt(mu^2 + lambda^2)), C_T = k0 - slope * lambda.
double solve_inflow(double k0, double slope, double lambda_free, double mu_squared);
