#include "gauges/autopilot_instance.h"
#include "tools/flightsim/loops/loop_rig.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "state/autopilot_state.h"
#include "platform/virtual_devices.h"
#include "tools/flightsim/session/host_link.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/model/trim.h"
#include "tools/flightsim/model/turbulence.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/host/linked_module.h"

namespace {

constexpr double centred = 32768.0;
constexpr double resting_collective_base = 163.0;
constexpr double largest_substep = 0.015;
constexpr double hover_height = 30.0, cruise_height = 150.0, cruise_kmh = 150.0;

double clamp(double value, double low, double high)
{
    return value < low ? low : value > high ? high : value;
}

// The model flown frame by frame by the module, one loop's output taken on its way to the plant.
class rig {
public:
    rig(const loop_test& test, GaugeHost& host) : test_(test), host_(host), model_(test.aircraft) {}

    void start()
    {
        const bool cruise = test_.condition == flight_condition::cruise;
        const double altitude = (cruise ? cruise_height : hover_height) + model_.parameters().skid_drop;
        const air_state air = {0.0, 0.0, 0.0, model_.density_at(altitude)};
        trim_condition condition;
        if (cruise) {
            const double true_speed = cruise_kmh / 3.6 / std::sqrt(air.density / model_.parameters().air_density);
            condition = level_flight(true_speed, 0.0, altitude, air);
        } else {
            condition.altitude = altitude;
            condition.air = air;
        }
        const trim_result trim = solve_trim(model_, condition);
        if (!trim.converged) throw std::runtime_error("no trimmed flight found for the " + std::string(flight_condition_name(test_.condition)));
        state_ = trim.state;
        axes_ = axes_from_controls(trim.controls);
        trim_ = axes_;
        virtual_joystick& stick = virtual_devices.joysticks[0];
        stick.present = stick.has_z = stick.has_r = true;
        stick.x = stick.y = stick.r = static_cast<uint32_t>(centred);
        stick.z = static_cast<uint32_t>(clamp((full_axis + resting_collective_base - axes_.collective) * 4.0, 0.0, 65535.0));
        trimmed_airspeed_ = read_instruments(model_, state_, air, ground_).airspeed * kmh_per_knot;
        // The outputs' k acts around where they stand trimmed: the sticks centred (the host's trim
        // holding the cyclic and pedals), the lever where the trim puts it, the pitch reference
        // on the pitch captured.
        reference_ = {0.0, 0.0, 0.0, axes_.collective, 0.0};
    }

    // One frame: the host's variables from the model, the module's cycle, its events on the axes
    // (the broken loop's through u = r + k (c - r) + d when d is given), the model stepped.
    void frame(const double* injection)
    {
        const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
        const double altitude = -state_[s_down];
        const air_state air = {0.0, 0.0, 0.0, model_.density_at(altitude)};
        const host_readings r = read_instruments(model_, state_, air, ground_);
        bank_ = r.bank;
        airspeed_ = r.airspeed * kmh_per_knot;
        set_host_variables(host_, r, std::floor((time_ + dt) * tick18_rate), clock_seconds(time_), axes_);
        host_.frame();

        double command = 0.0;
        for (const recorded_event& event : host_.events()) apply_axis_event(event, injection, command);
        host_.clear_events();
        if (the_autopilot.state.modes.speed_hold_active == 1) apply_speed_hold(injection, command);
        if (injection != nullptr) {
            record_.command.push_back(command);
            record_.applied.push_back(applied_);
            record_.largest_speed_change = std::fmax(record_.largest_speed_change, std::fabs(airspeed_ - trimmed_airspeed_));
        }

        const int substeps = static_cast<int>(std::ceil(dt / largest_substep));
        const control_inputs controls = controls_from_axes(axes_);
        for (int i = 0; i < substeps; ++i) model_.step(state_, controls, air, ground_, dt / substeps);
        time_ += dt;
    }

    // An axis event on its control, through the loop's gain k around its reference; the broken
    // loop's command taken and the injection added while measuring.
    void apply_axis_event(const recorded_event& event, const double* injection, double& command)
    {
        const int which = event.id == axis_event::roll         ? static_cast<int>(broken_loop::roll)
                          : event.id == axis_event::pitch      ? static_cast<int>(broken_loop::pitch)
                          : event.id == axis_event::heading    ? static_cast<int>(broken_loop::pedals)
                          : event.id == axis_event::collective ? static_cast<int>(broken_loop::collective)
                                                               : -1;
        if (which < 0) return;
        const double value = event.value;
        double applied = reference_[which] + test_.stabilising[which] * (value - reference_[which]);
        if (injection != nullptr) {
            if (which == static_cast<int>(test_.loop)) {
                command = value;
                applied += *injection;
                applied_ = applied;
            }
            const bool limited = which == static_cast<int>(broken_loop::collective) ? value <= 0.0 || value >= full_axis
                                                                                  : std::fabs(value) >= 16000.0;
            record_.limited_frames[which] += limited ? 1 : 0;
        }
        switch (event.id) {
        case axis_event::roll: axes_.aileron = clamp(applied + trim_.aileron, -full_axis, full_axis); break;
        case axis_event::pitch: axes_.elevator = clamp(applied + trim_.elevator, -full_axis, full_axis); break;
        case axis_event::heading: axes_.rudder = clamp(applied + trim_.rudder, -full_axis, full_axis); break;
        default: axes_.collective = clamp(applied, 0.0, full_axis); break;
        }
    }

    // The speed hold's output, the pitch reference around the pitch captured as it engaged, taken
    // before the next cycle's pitch channel reads it.
    void apply_speed_hold(const double* injection, double& command)
    {
        const int which = static_cast<int>(broken_loop::speed);
        pitch_channel_state& pitch = the_autopilot.state.pitch;
        const double value = pitch.pitch_reference - pitch.pitch_reference_base;
        double applied = reference_[which] + test_.stabilising[which] * (value - reference_[which]);
        if (injection != nullptr && test_.loop == broken_loop::speed) {
            command = value;
            applied += *injection;
            applied_ = applied;
        }
        pitch.pitch_reference = pitch.pitch_reference_base + applied;
    }

    void fly(double seconds)
    {
        const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
        for (long i = std::lround(seconds / dt); i > 0; --i) frame(nullptr);
    }

    void click(const char* gauge, int x, int y, int times = 1)
    {
        for (int i = 0; i < times; ++i) host_.click(host_.find_gauge(gauge), x, y);
    }

    // Engages with every hold on, the roll trim dialled to the trimmed bank.
    void engage()
    {
        click("AP_Panel_1", 150, 50);  // engage
        const long clicks = std::lround(bank_ / 0.1);
        if (clicks > 0) click("AP_Panel_1", 160, 180, static_cast<int>(clicks));   // roll trim +0.1 each
        if (clicks < 0) click("AP_Panel_1", 240, 180, static_cast<int>(-clicks));  // roll trim -0.1 each
        click("AP_Panel_1", 40, 50);   // heading hold
        click("AP_Panel_1", 260, 50);  // height hold, barometric
        if (test_.condition == flight_condition::cruise) click("V_Contrl_key", 8, 17);  // speed hold
    }

    // The injected signal.
    loop_record measure()
    {
        const long frames = static_cast<long>(test_.signal.period_frames) * test_.periods;
        for (long n = 0; n < frames; ++n) {
            const double d = test_.signal.value(n);
            frame(&d);
        }
        record_.frame_seconds = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
        return record_;
    }

private:
    const loop_test& test_;
    GaugeHost& host_;
    rotorcraft_model model_;
    terrain ground_{0.0};
    state_vector state_{};
    axis_positions axes_, trim_;
    double time_ = 0.0, bank_ = 0.0, airspeed_ = 0.0, trimmed_airspeed_ = 0.0;
    std::array<double, broken_loop_count> reference_{};  // each loop's output as the signal begins
    double applied_ = 0.0;
    loop_record record_;
};

}  // namespace

const char* broken_loop_name(broken_loop loop)
{
    switch (loop) {
    case broken_loop::roll: return "roll";
    case broken_loop::pitch: return "pitch";
    case broken_loop::pedals: return "pedals";
    case broken_loop::collective: return "collective";
    case broken_loop::speed: return "speed";
    }
    return "?";
}

const char* flight_condition_name(flight_condition condition)
{
    return condition == flight_condition::hover ? "hover" : "cruise 150 km/h";
}

loop_record fly_loop_test(const loop_test& test)
{
    // The module reads its gains from a gauges folder of this flight's own.
    const flight_folder folder("loop", test.gains);
    GaugeHost host(linked_module());
    rig flight(test, host);
    flight.start();
    host.open();
    flight.fly(3.0);
    flight.engage();
    flight.fly(12.0);
    return flight.measure();
}
