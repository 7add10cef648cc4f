// The host's side of the autopilot's interface: what the simulator shows the module as host
// variables, and how it takes the module's axis events as control positions.
//
// Host variables (state/host_variable_table.h names them), in the host's units and signs:
//   79  bank, degrees, positive left wing down
//   77  pitch, degrees, positive nose down
//   81  magnetic heading, degrees 0 to 360 (magnetic variation 0: magnetic = true)
//   70  turn rate: rate of change of heading, positive turning right, in 1/65536 of a full turn
//       per second (the host's binary angle per second; 1 degree per second = 182.04). The module
//       uses 0.1 of it.
//   74  barometric altitude of the skids, metres above sea level (standard pressure)
//   614 radio height of the skids above the ground, metres (0 when standing)
//   65  vertical speed, 1/256 m/s, positive up
//   61  indicated airspeed, knots: the forward component of the air's velocity along the body
//       axis, reduced by the square root of the density ratio; never negative
//   60  on ground: 1 while a skid touches, else 0
//   1   TICK18: ticks of an 18.2 Hz counter since the start, host time (runs during a pause)
//   557 clock seconds 0 to 59 of simulated time (frozen during a pause)
//   128 collective lever position, 0 (down) to 16384 (up)
//   313, 316, 317 aileron, rudder and elevator positions, host axis units, as the axes stand
//
// Axis events taken as control positions, host axis units (full deflection 16384):
//   65695 aileron, positive rolls left       65694 elevator, positive pitches nose down
//   65696 rudder, positive yaws left         65697 collective, 0 lever down to 16384 lever up
// The host adds its own aileron, elevator and rudder trim to the axes (as the simulator's trim
// controls do); the sum is limited to +-16384, the collective to 0..16384.
#pragma once

#include <cstdint>

#include "state/host_variable_table.h"
#include "tools/flightsim/model/rotorcraft.h"

class GaugeHost;

namespace axis_event {
constexpr uint32_t pitch = 65694, roll = 65695, heading = 65696, collective = 65697;
}

constexpr double full_axis = 16384.0;
constexpr double turn_rate_units_per_degree = 65536.0 / 360.0;
constexpr double knots_per_metre_per_second = 3600.0 / 1852.0;
constexpr double kmh_per_knot = 1.852;
constexpr double tick18_rate = 18.2065;

// Control positions in host axis units.
struct axis_positions {
    double aileron = 0.0, elevator = 0.0, rudder = 0.0, collective = 0.0;
};

struct host_readings {
    double bank, pitch, heading, turn_rate, altitude, radio_height, vertical_speed, airspeed, on_ground;
};

// The instruments' values for a state. ground_elevation is the ground under the aircraft.
host_readings read_instruments(const rotorcraft_model& model, const state_vector& x, const air_state& air,
                               const terrain& ground);

// The seconds of the clock, 0 to 59, at a time of day in seconds.
double clock_seconds(double t);

// The host variables of one frame: the instruments' readings, the host time as TICK18 ticks, the
// simulated time as the clock's seconds, and the controls as they stand.
void set_host_variables(GaugeHost& host, const host_readings& readings, double tick18, double clock_seconds,
                        const axis_positions& axes);

// Axis positions to the model's control fractions.
control_inputs controls_from_axes(const axis_positions& axes);
// The axis positions that give control fractions.
axis_positions axes_from_controls(const control_inputs& controls);
