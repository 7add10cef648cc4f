// The flight simulator's helicopter model and its host side: elementary functions, the aircraft
// data, trim, stability derivatives, controls' senses, turbulence, instruments and flight commands.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/flightsim/session/host_link.h"
#include "tools/flightsim/session/test_pilot.h"
#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/model/trim.h"
#include "tools/flightsim/model/turbulence.h"
#include "tools/gaugehost/script/script.h"

namespace {

const rotorcraft_model& model()
{
    static const rotorcraft_model instance(default_aircraft());
    return instance;
}

const terrain& flat()
{
    static const terrain ground(0.0);
    return ground;
}

air_state sea_level()
{
    air_state air;
    air.density = default_aircraft().air_density;
    return air;
}

std::string lynx_text()
{
    std::ifstream in(std::string(BRASK_SOURCE_DIR) + "/tools/flightsim/derivative_tables/lynx_hover.aircraft");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const rotorcraft_model& lynx()
{
    static const rotorcraft_model instance(parse_aircraft(lynx_text()));
    return instance;
}

trim_result hover_at(double altitude)
{
    trim_condition condition;
    condition.altitude = altitude;
    condition.air = sea_level();
    return solve_trim(model(), condition);
}

// ---------------------------------------------------------------------------------------------
// Elementary functions: the model's own, against the C library's, over the ranges it uses.

struct function_case {
    const char* name;
    double (*own)(double);
    double (*library)(double);
    double from, to, tolerance;  // absolute tolerance, or relative where the values grow
    bool relative;
};

double std_sin(double x) { return std::sin(x); }
double std_cos(double x) { return std::cos(x); }
double std_atan(double x) { return std::atan(x); }
double std_exp(double x) { return std::exp(x); }
double std_log(double x) { return std::log(x); }
double std_asin(double x) { return std::asin(x); }

TEST(FlightMath, AgreesWithTheLibraryWithinAFewUlps)
{
    const function_case cases[] = {
        {"sin", sim::sin, std_sin, -50.0, 50.0, 4e-16, false},
        {"cos", sim::cos, std_cos, -50.0, 50.0, 4e-16, false},
        {"atan", sim::atan, std_atan, -100.0, 100.0, 8e-16, false},
        {"asin", sim::asin, std_asin, -0.999, 0.999, 1e-15, false},
        {"exp", sim::exp, std_exp, -30.0, 30.0, 8e-16, true},
        {"log", sim::log, std_log, 1e-3, 1e4, 2e-15, false},
    };
    for (const function_case& c : cases) {
        for (int i = 0; i <= 4000; ++i) {
            const double x = c.from + (c.to - c.from) * i / 4000.0;
            const double expected = c.library(x);
            const double error = std::fabs(c.own(x) - expected);
            ASSERT_LE(error, c.relative ? c.tolerance * std::fabs(expected) : c.tolerance) << c.name << "(" << x << ")";
        }
    }
}

// The forms that work out several values at once give each the very bits of the plain form.
TEST(FlightMath, PairedFormsGiveThePlainFormsBits)
{
    for (int i = 0; i <= 2000; ++i) {
        const double x = -40.0 + 80.0 * i / 2000.0, y = 3.0 - 0.7 * x;
        double sines[3], cosines[3], e0, e1;
        sim::sincos3({x, y, -x}, sines, cosines);
        sim::exp_pair(x, 0.5 * y, e0, e1);
        const double inputs[3] = {x, y, -x};
        for (int k = 0; k < 3; ++k) {
            double s, c;
            sim::sincos(inputs[k], s, c);
            ASSERT_EQ(sines[k], s) << inputs[k];
            ASSERT_EQ(cosines[k], c) << inputs[k];
        }
        ASSERT_EQ(e0, sim::exp(x)) << x;
        ASSERT_EQ(e1, sim::exp(0.5 * y)) << y;
    }
}

TEST(FlightMath, Atan2CoversEveryQuadrant)
{
    const double points[][2] = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}, {0, 1}, {0, -1}, {1, 0}, {-1, 0}, {3, -0.2}, {-0.2, 3}};
    for (const auto& p : points) EXPECT_NEAR(sim::atan2(p[0], p[1]), std::atan2(p[0], p[1]), 1e-15) << p[0] << "," << p[1];
}

// ---------------------------------------------------------------------------------------------
// Aircraft data.

TEST(AircraftData, DefaultIsTheBo105OfThePublishedData)
{
    const aircraft_parameters& a = default_aircraft();
    EXPECT_EQ(a.mass, 2096.0);
    EXPECT_EQ(a.inertia_roll, 1803.0);
    EXPECT_EQ(a.inertia_pitch, 4892.0);
    EXPECT_EQ(a.inertia_yaw, 4428.0);
    EXPECT_EQ(a.rotor_radius, 4.91);
    EXPECT_EQ(a.rotor_blades, 4.0);
    EXPECT_EQ(a.rotor_chord, 0.27);
    EXPECT_EQ(a.rotor_speed, 44.4);
    EXPECT_EQ(a.tail_rotor_radius, 0.95);
    EXPECT_EQ(a.published[3], -9.24);  // Lp, as the report gives it
}

TEST(AircraftData, RejectsBadFiles)
{
    const std::string text = default_aircraft_text();
    std::string table_without_an_entry = lynx_text();
    table_without_an_entry.replace(table_without_an_entry.find("M_u "), 2, "#");
    const struct {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"a rotor in a table aircraft", lynx_text() + "\nrotor_radius 6.4\n", "describes a rotor"},
        {"a table entry missing", table_without_an_entry, "'M_u' missing"},
        {"unknown name", text + "\nwing_span 10\n", "unknown parameter"},
        {"repeated", text + "\nmass 2000\n", "given twice"},
        {"unknown derivative", text + "\npublished_Xw -0.3\n", "unknown derivative"},
        {"repeated derivative", text + "\npublished_Lp -9\n", "given twice"},
        {"bad number", "mass 20x0\n", "bad number"},
        {"missing", "mass 2000\n", "missing"},
        {"no value", "mass\n", "expected NAME VALUE"},
    };
    for (const auto& c : cases) {
        try {
            parse_aircraft(c.text);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.what << ": " << error.what();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Trim: equilibrium, with the controls inside their travel.

void trims_in_equilibrium(const rotorcraft_model& aircraft);

// Every shipped aircraft: the file reads, and it trims with its controls inside their travel.
TEST(Trim, SolutionsAreInEquilibrium)
{
    for (const char* file : {"bo105", "uh60a", "ab206"}) {
        SCOPED_TRACE(file);
        std::ifstream in(std::string(BRASK_SOURCE_DIR) + "/tools/flightsim/" + file + ".aircraft");
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(text.empty());
        const rotorcraft_model aircraft(parse_aircraft(text));
        trims_in_equilibrium(aircraft);
    }
}

// A rotor of 4e116 m (positive, so the file passes its checks; the aircraft fuzzer's find) makes
// the forces non-finite: the trim says it found none rather than a converged state of NaNs.
TEST(Trim, NonFiniteForcesAreNeverAConvergedTrim)
{
    aircraft_parameters huge = default_aircraft();
    huge.rotor_radius = 4.1e116;
    const rotorcraft_model aircraft(huge);
    trim_condition condition;
    condition.altitude = 30.0;
    condition.air = sea_level();
    const trim_result trim = solve_trim(aircraft, condition);
    EXPECT_FALSE(trim.converged);
}

// Classical Runge-Kutta written out from the model's derivatives: the model's own integrator,
// which works each stage's attitude out ahead, must give the same bits, step after step.
TEST(Integration, StepsAreClassicalRungeKuttaToTheBit)
{
    air_state air = sea_level();
    air.wind_north = 4.0;
    air.wind_east = -2.5;
    air.wind_down = 0.3;
    const trim_result trim = solve_trim(model(), level_flight(120.0 / 3.6, 0.4, 100.0, air));
    ASSERT_TRUE(trim.converged);
    control_inputs controls = trim.controls;
    controls.lateral += 0.3;  // a roll, to turn the attitude and the heading
    controls.pedal -= 0.2;
    state_vector own = trim.state, written_out = trim.state;
    const double h = 0.0125;
    for (int frame = 0; frame < 200; ++frame) {
        model().advance(own, controls, air, flat(), h, 4);
        for (int n = 0; n < 4; ++n) {
            state_vector k1, k2, k3, k4, y;
            model().derivatives(written_out, controls, air, flat(), k1);
            for (int i = 0; i < state_size; ++i) y[i] = written_out[i] + 0.5 * h * k1[i];
            model().derivatives(y, controls, air, flat(), k2);
            for (int i = 0; i < state_size; ++i) y[i] = written_out[i] + 0.5 * h * k2[i];
            model().derivatives(y, controls, air, flat(), k3);
            for (int i = 0; i < state_size; ++i) y[i] = written_out[i] + h * k3[i];
            model().derivatives(y, controls, air, flat(), k4);
            for (int i = 0; i < state_size; ++i)
                written_out[i] += h / 6.0 * (k1[i] + 2.0 * k2[i] + 2.0 * k3[i] + k4[i]);
            written_out[s_psi] = sim::wrap(written_out[s_psi], 2.0 * sim::pi);
        }
        for (int i = 0; i < state_size; ++i) ASSERT_EQ(own[i], written_out[i]) << "frame " << frame << " state " << i;
    }
}

void trims_in_equilibrium(const rotorcraft_model& aircraft)
{
    struct condition_case {
        const char* name;
        double kmh, heading, wind_north, wind_east;
    };
    const condition_case cases[] = {
        {"hover", 0, 0, 0, 0},          {"hover in a 30 km/h wind", -1, 1.0, 5.0, -6.0},
        {"60 km/h", 60, 0, 0, 0},       {"150 km/h", 150, 2.0, 0, 0},
        {"150 km/h crosswind", 150, 0.0, 0.0, 8.0},
    };
    for (const condition_case& c : cases) {
        air_state air = sea_level();
        air.wind_north = c.wind_north;
        air.wind_east = c.wind_east;
        trim_condition condition;
        if (c.kmh < 0) {
            condition.heading = c.heading;
            condition.altitude = 100.0;
            condition.air = air;
        } else {
            condition = level_flight(c.kmh / 3.6, c.heading, 100.0, air);
        }
        const trim_result trim = solve_trim(aircraft, condition);
        ASSERT_TRUE(trim.converged) << c.name;
        state_vector dx;
        aircraft.derivatives(trim.state, trim.controls, condition.air, flat(), dx);
        for (int i : {s_u, s_v, s_w, s_p, s_q, s_r, s_flap_lon, s_flap_lat}) EXPECT_NEAR(dx[i], 0.0, 1e-8) << c.name << " state " << i;
        EXPECT_NEAR(dx[s_down], 0.0, 1e-9) << c.name;
        for (double control : {trim.controls.longitudinal, trim.controls.lateral, trim.controls.pedal})
            EXPECT_LT(std::fabs(control), 1.0) << c.name;
        EXPECT_GT(trim.controls.collective, 0.0) << c.name;
        EXPECT_LT(trim.controls.collective, 1.0) << c.name;
    }
}

TEST(Trim, HoverHoldsTheWeightWithTheMomentumTheoryInflow)
{
    const trim_result trim = hover_at(0.0);
    model_outputs out;
    state_vector dx;
    model().derivatives(trim.state, trim.controls, sea_level(), flat(), dx, &out);
    const double weight = 2096.0 * 9.80665;
    EXPECT_NEAR(out.thrust, weight, 0.02 * weight);  // the tail surfaces and the tilt take a little
    // Ideal hover inflow: lambda = sqrt(C_T / 2).
    const double area = sim::pi * 4.91 * 4.91, tip = 44.4 * 4.91;
    const double ct = out.thrust / (1.225 * area * tip * tip);
    EXPECT_NEAR(out.inflow, std::sqrt(ct / 2.0), 1e-3);
    // The tail rotor balances the main rotor's torque.
    EXPECT_NEAR(out.tail_thrust * 6.0, out.torque, 0.1 * out.torque);
}

// ---------------------------------------------------------------------------------------------
// Stability derivatives: the published hover values' signs, within a factor of two.

TEST(StabilityDerivatives, MatchThePublishedHoverValuesInSignAndSize)
{
    const std::vector<stability_derivative> derivatives = hover_derivatives(model());
    ASSERT_EQ(derivatives.size(), 8u);
    for (const stability_derivative& d : derivatives) {
        EXPECT_GT(d.model / d.reference, 0.5) << d.name << " " << d.model;
        EXPECT_LT(d.model / d.reference, 2.0) << d.name << " " << d.model;
    }
}

// ---------------------------------------------------------------------------------------------
// The derivative-table aircraft: flown, it answers as its published table says, behind its
// actuators' lag, and only as far as the table holds.

TEST(DerivativeTable, TheFlownAircraftAnswersAsItsPublishedTableSays)
{
    trim_condition condition;
    condition.air = sea_level();
    const trim_result trim = solve_trim(lynx(), condition);
    ASSERT_TRUE(trim.converged);
    EXPECT_NEAR(trim.state[s_theta], 0.05954, 1e-9);  // the attitude the table was taken about
    EXPECT_NEAR(trim.controls.collective, 0.5, 1e-9);
    // The published numbers in SI units (feet to metres by hand), against central differences.
    const struct {
        const char* what;
        int of, by;
        double expected;
    } cases[] = {
        {"L_p", s_p, s_p, -11.5704956},       {"M_q", s_q, s_q, -1.99818229},
        {"N_r", s_r, s_r, -0.73502779},       {"Z_w", s_w, s_w, -0.29051352},
        {"M_u", s_q, s_u, 0.05463216},        {"N_v", s_r, s_v, -0.01507750},
        {"X_theta", s_u, s_theta, -9.78517947}, {"L_q", s_p, s_q, -2.54463768},
        {"Z per full lever", s_w, s_actuator_collective, -25.2559037},
        {"N per full lever", s_r, s_actuator_collective, 5.23382370},
    };
    for (const auto& c : cases) {
        state_vector up = trim.state, down = trim.state, dx_up, dx_down;
        up[c.by] += 1e-3;
        down[c.by] -= 1e-3;
        lynx().derivatives(up, trim.controls, condition.air, flat(), dx_up);
        lynx().derivatives(down, trim.controls, condition.air, flat(), dx_down);
        EXPECT_NEAR((dx_up[c.of] - dx_down[c.of]) / 2e-3, c.expected, 1e-6 * std::fabs(c.expected)) << c.what;
    }
}

TEST(DerivativeTable, ControlsActThroughAFirstOrderLagAndOnlyWithinTheTablesSpeed)
{
    trim_condition condition;
    condition.air = sea_level();
    // The table's aircraft, and a rotorcraft whose file gives the same lag.
    aircraft_parameters lagged_bo105 = default_aircraft();
    lagged_bo105.actuator_lag_s = 0.08;
    const rotorcraft_model bo105_behind_actuators(lagged_bo105);
    for (const rotorcraft_model* model : {&lynx(), &bo105_behind_actuators}) {
        const trim_result trim = solve_trim(*model, condition);
        control_inputs raised = trim.controls;
        raised.collective += 0.1;
        state_vector x = trim.state, before, after;
        model->derivatives(x, trim.controls, condition.air, flat(), before);
        model->derivatives(x, raised, condition.air, flat(), after);
        EXPECT_NEAR(after[s_w], before[s_w], 1e-12) << "the heave waits for the actuator";
        for (int i = 0; i < 80; ++i) model->step(x, raised, condition.air, flat(), 0.001);  // one lag, 0.08 s
        EXPECT_NEAR((x[s_actuator_collective] - trim.controls.collective) / 0.1, 0.6321206, 1e-6);  // 1 - 1/e of the step
    }

    const trim_result fast = solve_trim(lynx(), level_flight(12.0, 0.0, 0.0, condition.air));
    EXPECT_FALSE(fast.converged);
    EXPECT_NE(fast.refusal.find("holds up to 36 km/h through the air (speed_limit)"), std::string::npos) << fast.refusal;

    // Numbers a table is taken about that cannot be.
    const struct {
        const char* line;
        const char* message;
    } bad[] = {
        {"actuator_lag 0.001", "actuator_lag 0.001: an actuator lag must be at least 0.02 s"},
        {"table_sense_pedal 0", "table_sense_pedal 0: a sense is 1 or -1"},
        {"table_length_unit -1", "table_length_unit -1: a unit of length must be positive"},
        {"speed_limit 0", "speed_limit 0: a speed limit must be positive"},
    };
    for (const auto& b : bad) {
        std::string text = lynx_text();
        const std::string name = std::string(b.line).substr(0, std::string(b.line).find(' '));
        const size_t at = text.find("\n" + name + " ") + 1;
        text.replace(at, text.find('\n', at) - at, b.line);
        try {
            check_physical(text, parse_aircraft(text), "lynx");
            ADD_FAILURE() << "accepted: " << b.line;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(b.message), std::string::npos) << error.what();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The controls' senses as the host's axes give them: from the hover trim, a deflection of each
// axis must turn the helicopter the way the module's control laws assume.

TEST(ControlSense, AxisDeflectionsMoveTheHelicopterTheWayTheModuleAssumes)
{
    const struct {
        const char* what;
        axis_positions change;
        int state;
        double sign;
    } cases[] = {
        {"aileron + rolls left", {4000, 0, 0, 0}, s_p, -1.0},
        {"aileron - rolls right", {-4000, 0, 0, 0}, s_p, 1.0},
        {"elevator + pitches nose down", {0, 4000, 0, 0}, s_q, -1.0},
        {"elevator - pitches nose up", {0, -4000, 0, 0}, s_q, 1.0},
        {"rudder + yaws left", {0, 0, 4000, 0}, s_r, -1.0},
        {"rudder - yaws right", {0, 0, -4000, 0}, s_r, 1.0},
        {"collective up climbs", {0, 0, 0, 2000}, s_w, -1.0},
    };
    for (const rotorcraft_model* aircraft : {&model(), &lynx()}) {
    trim_condition hover;
    hover.air = sea_level();
    const trim_result trim = solve_trim(*aircraft, hover);
    const axis_positions trimmed = axes_from_controls(trim.controls);
    for (const auto& c : cases) {
        axis_positions axes = trimmed;
        axes.aileron += c.change.aileron;
        axes.elevator += c.change.elevator;
        axes.rudder += c.change.rudder;
        axes.collective += c.change.collective;
        state_vector x = trim.state;
        const control_inputs controls = controls_from_axes(axes);
        for (int i = 0; i < 20; ++i) aircraft->step(x, controls, sea_level(), terrain(-1000.0), 0.01);
        EXPECT_GT(c.sign * x[c.state], 0.0) << c.what << (aircraft == &lynx() ? " (the derivative table's Lynx)" : "");
    }
    }
}

// How hard the helicopter answers a full control, which the test pilot fits his loops to: an
// angular acceleration, so twice the inertia halves it and twice the cyclic's gearing doubles it.
TEST(ControlSense, TheAnswerToAFullControlFollowsInertiaAndGearingNotTheActuatorsLag)
{
    const struct {
        double aircraft_parameters::*parameter;
        double control_answer::*answer;
        double expected_ratio;
    } cases[] = {
        {&aircraft_parameters::inertia_roll, &control_answer::roll, 0.5},
        {&aircraft_parameters::inertia_yaw, &control_answer::yaw, 0.5},
        {&aircraft_parameters::cyclic_longitudinal, &control_answer::pitch, 2.0},
        {&aircraft_parameters::cyclic_lateral, &control_answer::roll, 2.0},
    };
    const trim_result trim = hover_at(0.0);
    const control_answer base = control_answer_of(model(), trim.state, trim.controls, sea_level(), flat());
    for (const auto& c : cases) {
        aircraft_parameters doubled = default_aircraft();
        doubled.*c.parameter *= 2.0;
        const control_answer a = control_answer_of(rotorcraft_model(doubled), trim.state, trim.controls, sea_level(), flat());
        EXPECT_NEAR(a.*c.answer / (base.*c.answer), c.expected_ratio, 0.02 * c.expected_ratio);
    }
    // The answer with the actuators settled: a lag does not change it.
    aircraft_parameters lagged = default_aircraft();
    lagged.actuator_lag_s = 0.08;
    const control_answer a = control_answer_of(rotorcraft_model(lagged), trim.state, trim.controls, sea_level(), flat());
    EXPECT_NEAR(a.roll / base.roll, 1.0, 0.02);
    EXPECT_NEAR(a.pitch / base.pitch, 1.0, 0.02);
}

TEST(ControlSense, AxisConversionRoundTrips)
{
    const control_inputs c = {0.3, -0.2, 0.4, -0.6};
    const control_inputs back = controls_from_axes(axes_from_controls(c));
    EXPECT_DOUBLE_EQ(back.collective, c.collective);
    EXPECT_DOUBLE_EQ(back.longitudinal, c.longitudinal);
    EXPECT_DOUBLE_EQ(back.lateral, c.lateral);
    EXPECT_DOUBLE_EQ(back.pedal, c.pedal);
}

// ---------------------------------------------------------------------------------------------
// Instruments: the host variables' units and signs.

TEST(Instruments, TokensHaveTheHostsUnitsAndSigns)
{
    state_vector x{};
    x[s_down] = -(100.0 + default_aircraft().skid_drop);
    x[s_phi] = -0.1;    // left wing down
    x[s_theta] = 0.05;  // nose up
    x[s_psi] = -0.2;    // 348.5 degrees
    x[s_u] = 30.0;      // forward over the ground, calm air
    x[s_w] = -2.0;      // climbing (body axes, almost level)
    x[s_r] = 0.1;       // yawing right
    const air_state air = sea_level();
    const host_readings r = read_instruments(model(), x, air, terrain(40.0));
    EXPECT_NEAR(r.bank, 0.1 * sim::degrees_per_radian, 1e-12);     // + left wing down
    EXPECT_NEAR(r.pitch, -0.05 * sim::degrees_per_radian, 1e-12);  // + nose down
    EXPECT_NEAR(r.heading, 360.0 - 0.2 * sim::degrees_per_radian, 1e-9);
    EXPECT_GT(r.turn_rate, 0.0);                                    // turning right
    EXPECT_NEAR(r.altitude, 100.0, 1e-9);
    EXPECT_NEAR(r.radio_height, 60.0, 1e-9);
    EXPECT_GT(r.vertical_speed, 256.0 * 1.5);                       // 1/256 m/s, + up
    EXPECT_NEAR(r.airspeed, 30.0 * 3600.0 / 1852.0, 0.5);           // knots
    EXPECT_EQ(r.on_ground, 0.0);

    // Yaw rate 1 degree per second, level: 65536/360 units.
    state_vector turning{};
    turning[s_down] = -50.0;
    turning[s_r] = 1.0 / sim::degrees_per_radian;
    EXPECT_NEAR(read_instruments(model(), turning, air, flat()).turn_rate, 65536.0 / 360.0, 1e-9);
}

TEST(Instruments, StandingOnTheSkids)
{
    state_vector x{};
    const aircraft_parameters& a = default_aircraft();
    x[s_down] = -(a.skid_drop - a.mass * 9.80665 / (4.0 * a.skid_stiffness));
    const host_readings r = read_instruments(model(), x, sea_level(), flat());
    EXPECT_EQ(r.on_ground, 1.0);
    EXPECT_EQ(r.radio_height, 0.0);
    EXPECT_EQ(r.airspeed, 0.0);
    // And it stays there, lever down (the rotor pushing a little downwards): the skids carry it.
    for (int i = 0; i < 500; ++i) model().step(x, control_inputs{0.0, 0.0, 0.0, 0.0}, sea_level(), flat(), 0.01);
    EXPECT_NEAR(x[s_down], -(a.skid_drop - a.mass * 9.80665 / (4.0 * a.skid_stiffness)), 0.1);
    for (int i : {s_u, s_v, s_w, s_p, s_q, s_r}) EXPECT_NEAR(x[i], 0.0, 0.02) << "state " << i;
}

// ---------------------------------------------------------------------------------------------
// Turbulence: seeded, reproducible, of the stated intensity.

TEST(Turbulence, ASeedGivesTheSameGustsEveryTime)
{
    auto sequence = [](uint64_t seed) {
        wind_model wind;
        wind.set_turbulence(15.4, seed);
        std::vector<double> values;
        for (int i = 0; i < 200; ++i) {
            wind.advance(0.0556, 30.0, 20.0, 1.0);
            const wind_vector w = wind.at(0.0);
            values.insert(values.end(), {w.north, w.east, w.down});
        }
        return values;
    };
    EXPECT_EQ(sequence(7), sequence(7));
    EXPECT_NE(sequence(7), sequence(8));
}

TEST(Turbulence, VerticalIntensityIsATenthOfTheWindAt20Feet)
{
    wind_model wind;
    const double w20 = 15.4;
    wind.set_turbulence(w20, 3);
    double sum = 0.0, squares = 0.0;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        wind.advance(0.0556, 30.0, 40.0, 0.0);
        const double w = wind.at(0.0).down;
        sum += w;
        squares += w * w;
    }
    const double mean = sum / n;
    EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 0.1 * w20, 0.1 * 0.1 * w20);
}

TEST(Turbulence, SteadyWindAndGustComeFromTheirDirection)
{
    wind_model wind;
    wind.set_steady(270.0, 10.0);  // from the west: blowing east
    EXPECT_NEAR(wind.at(0.0).east, 10.0, 1e-12);
    EXPECT_NEAR(wind.at(0.0).north, 0.0, 1e-12);
    wind.add_gust(5.0, 4.0, 0.0, 6.0);  // from the north, peaking at 7 s
    EXPECT_NEAR(wind.at(7.0).north, -6.0, 1e-12);
    EXPECT_NEAR(wind.at(4.0).north, 0.0, 1e-12);
    EXPECT_NEAR(wind.at(9.5).north, 0.0, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// Terrain profiles.

TEST(Terrain, ProfileIsLinearBetweenItsPointsAndLevelBeyond)
{
    const terrain ground(90.0, {{1000.0, 0.0}, {2000.0, 50.0}});  // along east
    EXPECT_NEAR(ground.elevation(0.0, 500.0), 0.0, 1e-12);
    EXPECT_NEAR(ground.elevation(300.0, 1500.0), 25.0, 1e-9);
    EXPECT_NEAR(ground.elevation(-300.0, 5000.0), 50.0, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// Flight commands, as registered with gaugehost's script language: what the checker accepts and
// refuses.

// gaugehost's own commands and the flight simulator's, through the one registry.
TEST(ScriptLanguage, CheckerAcceptsGoodLinesAndNamesTheProblemOfBadOnes)
{
    const struct {
        std::vector<std::string> words;
        const char* problem;  // empty: accepted
    } cases[] = {
        {{"exe"}, "'exe' takes a path"},
        {{"var", "61", "1.5", "79"}, "pairs of TOKEN VALUE"},
        {{"var", "4294967296", "1"}, "bad token '4294967296'"},
        {{"clock", "at", "soon"}, "bad counter value 'soon'"},
        {{"clock", "18", "-1"}, "bad step '-1'"},
        {{"joystick", "2", "absent"}, "joystick id must be 0 or 1"},
        {{"joystick", "0", "present", "q"}, "takes only z and r, not 'q'"},
        {{"joystick", "0", "w=5"}, "bad joystick setting 'w=5'"},
        {{"joystick", "1", "x=-1"}, "bad joystick value 'x=-1'"},
        {{"joystick", "1", "x=0", "buttons=3"}, ""},
        {{"open", "now"}, "'open' takes 0 arguments"},
        {{"frame", "-1"}, "bad frame count '-1'"},
        {{"frame", "3"}, ""},
        {{"click", "IN_4", "1", "2"}, "no gauge named 'IN_4'"},
        {{"serve", "listed", "closed", "closed"}, "not 'closed'"},
        {{"serve", "by-window", "apart", "3", "closed"}, ""},
        {{"window", "Window01", "shut"}, "open or close"},
        {{"land", "now"}, "unknown command 'land'"},
        {{"start", "hover", "30"}, ""},
        {{"start", "level", "150", "150", "heading", "90"}, ""},
        {{"start", "ground"}, ""},
        {{"start", "cruise", "150"}, "hover, level or ground"},
        {{"start", "hover", "-3"}, "must not be negative"},
        {{"start", "hover", "30", "course", "90"}, "heading DEG"},
        {{"fly", "10"}, ""},
        {{"fly"}, "takes 1 arguments"},
        {{"pause", "x"}, "bad seconds"},
        {{"wind", "270", "20"}, ""},
        {{"turbulence", "moderate", "seed", "4"}, ""},
        {{"turbulence", "stormy"}, "light, moderate, severe"},
        {{"gust", "5", "270", "30", "0"}, "longer than 0"},
        {{"ground", "profile", "0", "0", "0", "1000", "50"}, ""},
        {{"ground", "profile", "0", "1000", "0", "500", "50"}, "must increase"},
        {{"expect", "bank", "2", "speed", "5"}, ""},
        {{"expect", "yaw", "2"}, "knows bank"},
        {{"want", "bank", "8.192", "pitch", "captured", "heading", "captured-3", "speed", "captured+5"}, ""},
        {{"want", "height", "150"}, ""},
        {{"want", "bank", "captured"}, "never captured"},
        {{"want", "heading", "captured3"}, "signed offset"},
        {{"want", "pitch", "level"}, "bad value 'level'"},
        {{"want", "yaw", "0"}, "knows bank"},
        {{"want", "bank"}, "pairs of QUANTITY VALUE"},
        {{"options", "ap_trim_tang_on=1"}, ""},
        {{"options", "=1"}, "bad option"},
        {{"record", "a/b"}, "not a path"},
        {{"sticks", "follow"}, ""},
        {{"pilot", "card"}, ""},
        {{"pilot", "hard"}, "'pilot' takes 'card'"},
        {{"sensors", "noise", "2", "seed", "3", "quantised"}, ""},
        {{"sensors", "noise", "-1"}, "must not be negative"},
        {{"sensors", "loud"}, "not 'loud'"},
        {{"summary", "now"}, "takes 0 arguments"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& word : c.words) line += word + " ";
        std::string problem;
        try {
            parse_script(line, [](const std::string&) { return false; });
        } catch (const script_error& error) {
            problem = error.what();
        }
        if (*c.problem == '\0') EXPECT_EQ(problem, "") << c.words[0];
        else EXPECT_NE(problem.find(c.problem), std::string::npos) << c.words[0] << ": " << problem;
    }
}

}  // namespace
