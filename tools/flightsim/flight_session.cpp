#include "tools/flightsim/flight_session.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "platform/virtual_devices.h"
#include "tools/flightsim/flight_report.h"
#include "tools/flightsim/sim_math.h"
#include "tools/flightsim/trim.h"
#include "tools/gaugehost/gauge_host.h"

#ifdef _WIN32
#include <io.h>
#define flight_isatty _isatty
#else
#include <unistd.h>
#define flight_isatty isatty
#endif

using flight_report::fixed;
using flight_report::kmh_per_knot;
using flight_report::settled_for;
using flight_report::settling_period;

namespace {

constexpr double largest_substep = 0.015;     // s
constexpr double centred = 32768.0;
constexpr double resting_collective_base = 163.0;  // where the module's pass-through base rests
// Deviation bands for the settling time: the bar's limits.
constexpr double settling_band[held_count] = {2.0, 2.0, 3.0, 2.0, 5.0};
double clamp(double value, double low, double high)
{
    return value < low ? low : value > high ? high : value;
}

[[noreturn]] void fail(const std::string& what)
{
    std::cout.flush();
    std::cerr << "gaugehost: flight: " << what << "\n";
    std::exit(1);
}

}  // namespace

double hold_statistics::rms() const
{
    return held_seconds > 0.0 ? std::sqrt(sum_squares / held_seconds) : 0.0;
}

const char* held_name(held_quantity quantity)
{
    static const char* const names[held_count] = {"bank", "pitch", "heading", "height", "speed"};
    return names[quantity];
}

flight_session& current_flight()
{
    static flight_session session;
    return session;
}

flight_session::flight_session() : model_(std::make_unique<rotorcraft_model>(default_aircraft())) {}

flight_session::~flight_session()
{
    if (!options_directory_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(options_directory_, ignored);
    }
}

void flight_session::set_aircraft(const aircraft_parameters& parameters)
{
    model_ = std::make_unique<rotorcraft_model>(parameters);
}

// The module reads its options from brask_torvik.cfg in a gauges folder beside the host's
// executable: the options go into such a folder of the flight's own, and the host's executable
// path points there.
void flight_session::set_options(const std::vector<std::pair<std::string, std::string>>& options)
{
    namespace fs = std::filesystem;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const fs::path directory = fs::temp_directory_path() / ("gaugehost-flight-" + std::to_string(stamp));
    fs::create_directories(directory / "gauges");
    options_directory_ = directory.string();
    std::ostringstream pilot, channels;
    for (const auto& [key, value] : options) {
        const bool channel = key.rfind("ap_", 0) == 0 && key.size() > 6 && key.substr(key.size() - 6) == "_kanal";
        (channel ? channels : pilot) << key << "=" << value << "\r\n";
        if (key == "ap_trim_tang_on") trim_pitch_option_ = value == "1";
    }
    std::ofstream file(directory / "gauges" / "brask_torvik.cfg", std::ios::binary);
    file << "[a_pilot]\r\n" << pilot.str() << "[joy_kanal]\r\n" << channels.str();
    if (!file) fail("cannot write the options file in " + options_directory_);
    virtual_devices.executable_path = (directory / "fs.exe").string();
}

void flight_session::set_wind(double from_degrees, double speed_kmh)
{
    wind_from_ = from_degrees;
    wind_kmh_ = speed_kmh;
    wind_.set_steady(from_degrees, speed_kmh / 3.6);
}

void flight_session::set_turbulence(double w20_kmh, uint64_t seed, const std::string& name)
{
    wind_.set_turbulence(w20_kmh / 3.6, seed);
    turbulence_name_ = name;
}

void flight_session::add_gust(double after, double from_degrees, double speed_kmh, double duration)
{
    wind_.add_gust(sim_time_ + after, duration, from_degrees, speed_kmh / 3.6);
}

void flight_session::start_from_trim(const trim_result& trim)
{
    if (!trim.converged) fail("no trimmed flight found for this start (largest acceleration left " +
                              std::to_string(trim.residual) + ")");
    state_ = trim.state;
    axes_ = axes_from_controls(trim.controls);
    trim_ = {axes_.aileron, axes_.elevator, axes_.rudder, 0.0};
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.x = stick.y = stick.r = static_cast<uint32_t>(centred);
    stick.z = static_cast<uint32_t>(clamp((full_axis + resting_collective_base - axes_.collective) * 4.0, 0.0, 65535.0));
    started_ = true;
    std::cerr << "start: trimmed at bank " << fixed(-state_[s_phi] * sim::degrees_per_radian, 2) << " (+ left wing down), pitch "
              << fixed(-state_[s_theta] * sim::degrees_per_radian, 2) << " (+ nose down); host trim aileron "
              << fixed(trim_.aileron, 0) << ", elevator " << fixed(trim_.elevator, 0) << ", rudder " << fixed(trim_.rudder, 0)
              << "; collective " << fixed(axes_.collective, 0) << "\n";
}

void flight_session::start_hover(double height, double heading_degrees)
{
    trim_condition condition;
    const double altitude = ground_.elevation(0.0, 0.0) + height + model_->parameters().skid_drop;
    condition.heading = heading_degrees / sim::degrees_per_radian;
    condition.altitude = altitude;
    condition.air = {wind_.steady().north, wind_.steady().east, 0.0, model_->density_at(altitude)};
    start_from_trim(solve_trim(*model_, condition));
}

void flight_session::start_level(double speed_kmh, double height, double heading_degrees)
{
    const double altitude = ground_.elevation(0.0, 0.0) + height + model_->parameters().skid_drop;
    const air_state air = {wind_.steady().north, wind_.steady().east, 0.0, model_->density_at(altitude)};
    // The speed asked for is indicated: through the air, reduced by the density ratio.
    const double true_speed = speed_kmh / 3.6 / std::sqrt(air.density / model_->parameters().air_density);
    start_from_trim(solve_trim(*model_, level_flight(true_speed, heading_degrees / sim::degrees_per_radian, altitude, air)));
}

void flight_session::start_ground(double heading_degrees)
{
    const aircraft_parameters& a = model_->parameters();
    state_.fill(0.0);
    const double static_deflection = a.mass * 9.80665 / (4.0 * a.skid_stiffness);
    state_[s_down] = -(ground_.elevation(0.0, 0.0) + a.skid_drop - static_deflection);
    state_[s_psi] = sim::wrap(heading_degrees / sim::degrees_per_radian, 2.0 * sim::pi);
    axes_ = {0.0, 0.0, 0.0, resting_collective_base};
    trim_ = {};
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.x = stick.y = stick.r = static_cast<uint32_t>(centred);
    stick.z = 65535;  // lever down
    started_ = true;
}

void flight_session::record(const std::string& name)
{
    name_ = name;
    std::error_code ignored;  // a folder that cannot be made shows as a file that cannot be written
    std::filesystem::create_directories(std::filesystem::path(output_path(".csv")).parent_path(), ignored);
    csv_.open(output_path(".csv"), std::ios::binary);
    if (!csv_) fail("cannot write " + output_path(".csv"));
    csv_ << "time_s,host_time_s,paused,on_ground,engaged,heading_hold,height_hold,radio_source,speed_hold,"
            "bank_deg,bank_target,pitch_deg,pitch_target,heading_deg,heading_target,heading_unwrapped_deg,"
            "heading_target_unwrapped,altitude_m,radio_height_m,"
            "height_target,ground_m,airspeed_kmh,speed_target,vertical_speed_ms,turn_rate_dps,"
            "roll_cmd,pitch_cmd,pedal_cmd,collective_cmd,aileron,elevator,rudder,collective,"
            "north_m,east_m,wind_north_ms,wind_east_ms,wind_down_ms\n";
}

void flight_session::expect(held_quantity quantity, double rms_limit)
{
    stats_[quantity].bar = rms_limit;
}

std::string flight_session::output_path(const std::string& suffix) const
{
    const char* directory = std::getenv("GAUGEHOST_FLIGHT_DIR");
    const std::filesystem::path base = directory != nullptr && *directory != '\0' ? directory : ".";
    return (base / (name_ + suffix)).string();
}

flight_session::panel_state flight_session::read_panel(GaugeHost& host) const
{
    panel_state panel;
    if (GAUGEHDR* gauge = host.find_gauge("AP_Panel_1")) {
        for (const element_values& element : host.show(gauge)) {
            const bool lit = element.value && *element.value == 0.0;
            switch (element.place) {
            case 3: panel.heading_active = lit; break;
            case 4: panel.master = lit; break;
            case 5: panel.height_on = lit; break;
            case 6: panel.source_radio = lit; break;
            case 7: panel.heading_trim = element.rotation.value_or(0.0) / 15.0; break;
            case 8: panel.roll_trim = element.rotation.value_or(0.0) / 15.0; break;
            case 9: panel.pitch_trim = element.rotation.value_or(0.0) / 15.0; break;
            default: break;
            }
        }
    }
    if (GAUGEHDR* lamp = host.find_gauge("V_Lamp"))
        for (const element_values& element : host.show(lamp))
            if (element.place == 2 && element.value) panel.speed_active = *element.value == 0.0;
    return panel;
}

// What the pilot's clicks between the frames did, and the engage and disengage of this cycle.
void flight_session::before_cycle(const panel_state& pre)
{
    const host_readings& last = last_readings_;
    const double last_selected = last_panel_.source_radio ? last.radio_height : last.altitude;
    if (pre.height_on && !last_panel_.height_on) height_reference_ = last_selected;
    if (pre.source_radio != last_panel_.source_radio)
        height_reference_ = pre.source_radio ? last.radio_height : last.altitude;
    if (pre.master && !latch_) {
        latch_ = true;
        pitch_base_ = last.pitch;
        heading_reference_ = last.heading;
        height_reference_ = last_selected;
    }
    if (!pre.master && latch_) {
        latch_ = false;
        pitch_base_ = 0.0;
    }
    // The pitch stick as the module takes it, with the stick-trim button.
    const virtual_joystick& stick = virtual_devices.joysticks[0];
    if (!pitch_trim_mode_) pitch_joy_reference_ = pitch_stick_trim_ - stick.y * 0.5 + full_axis;
    else pitch_stick_trim_ = stick.y * 0.5 + pitch_joy_reference_ - full_axis;
    pitch_trim_mode_ = trim_pitch_option_ && (stick.buttons & 2u) != 0;
    const double roll_joy_reference = full_axis - stick.x * 0.5;
    bank_reference_ = roll_joy_reference * std::fabs(std::trunc(roll_joy_reference)) * 1.220703125e-7;
}

void flight_session::after_cycle(const panel_state& post, const host_readings& readings)
{
    if (post.speed_active && !last_panel_.speed_active) {
        speed_reference_ = readings.airspeed * kmh_per_knot;
        pitch_base_ = last_readings_.pitch;
    }
    if (post.heading_active && !last_panel_.heading_active) heading_reference_ = readings.heading;
    last_panel_ = post;
    last_readings_ = readings;
}

flight_session::expectation flight_session::expected(const panel_state& panel) const
{
    expectation e;
    e.held[held_bank] = panel.master;
    e.target[held_bank] = bank_reference_ + panel.roll_trim;
    e.held[held_pitch] = panel.master && !panel.speed_active;
    e.target[held_pitch] = pitch_joy_reference_ * 0.001 + pitch_base_ - panel.pitch_trim;
    e.held[held_heading] = panel.master && panel.heading_active;
    e.target[held_heading] = sim::wrap(heading_reference_ - panel.heading_trim, 360.0);
    e.held[held_height] = panel.master && panel.height_on;
    e.target[held_height] = height_reference_;
    e.held[held_speed] = panel.master && panel.speed_active;
    e.target[held_speed] = speed_reference_;
    return e;
}

void flight_session::account(const expectation& e, const host_readings& readings, const std::array<double, 4>& commands,
                             const std::array<bool, 4>& sent)
{
    const double t = sim_time_;
    const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    for (int i = 0; i < held_count; ++i) {
        hold_statistics& s = stats_[i];
        auto close_segment = [&] {
            if (was_held_[i] && !settled_[i] && t - change_time_[i] >= settling_period + settled_for) s.unsettled = true;
        };
        if (!e.held[i]) {
            close_segment();
            was_held_[i] = false;
            continue;
        }
        // Channels: roll for bank, pitch for pitch and speed, pedals for heading, collective for height.
        const int channel = i == held_bank ? 0 : i == held_heading ? 2 : i == held_height ? 3 : 1;
        if (!was_held_[i] || std::fabs(e.target[i] - last_target_[i]) > 1e-9) {
            close_segment();
            change_time_[i] = t;
            in_band_[i] = false;
            settled_[i] = false;
            segment_start_command_[i] = commands[channel];
        }
        was_held_[i] = true;
        last_target_[i] = e.target[i];

        double measured = 0.0;
        switch (i) {
        case held_bank: measured = readings.bank; break;
        case held_pitch: measured = readings.pitch; break;
        case held_heading: measured = readings.heading; break;
        case held_height: measured = last_panel_.source_radio ? readings.radio_height : readings.altitude; break;
        default: measured = readings.airspeed * kmh_per_knot; break;
        }
        double deviation = measured - e.target[i];
        if (i == held_heading) deviation = sim::wrap(deviation + 180.0, 360.0) - 180.0;

        if (std::fabs(deviation) <= settling_band[i]) {
            if (!in_band_[i]) {
                in_band_[i] = true;
                in_band_since_[i] = t;
            }
            if (!settled_[i] && t - in_band_since_[i] >= settled_for) {
                settled_[i] = true;
                s.settling = std::fmax(s.settling, in_band_since_[i] - change_time_[i]);
            }
        } else {
            in_band_[i] = false;
        }
        if (t - change_time_[i] >= settling_period) {
            s.held_seconds += dt;
            s.sum_squares += deviation * deviation * dt;
            s.largest_deviation = std::fmax(s.largest_deviation, std::fabs(deviation));
        }
        if (sent[channel]) {
            const double command = i == held_height ? commands[channel] - segment_start_command_[i] : commands[channel];
            s.largest_command = std::fmax(s.largest_command, std::fabs(command));
        }
    }
}

void flight_session::frame(GaugeHost& host, bool paused, std::ostream& out)
{
    const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    const double altitude = -state_[s_down];
    const wind_vector w = wind_.at(sim_time_);
    const air_state air = {w.north, w.east, w.down, model_->density_at(altitude)};
    const host_readings readings = read_instruments(*model_, state_, air, ground_);

    host.set_var(host_token::bank, readings.bank);
    host.set_var(host_token::pitch, readings.pitch);
    host.set_var(host_token::heading, readings.heading);
    host.set_var(host_token::turn_rate, paused ? 0.0 : readings.turn_rate);
    host.set_var(host_token::altitude, readings.altitude);
    host.set_var(host_token::radio_height, readings.radio_height);
    host.set_var(host_token::vertical_speed, paused ? 0.0 : readings.vertical_speed);
    host.set_var(host_token::airspeed, readings.airspeed);
    host.set_var(host_token::on_ground, readings.on_ground);
    // The clock advances at the start of the frame: the module sees the host time of this frame.
    host.set_var(host_token::tick18, std::floor((host_time_ + dt) * tick18_rate));
    host.set_var(host_token::clock_seconds, std::fmod(std::floor(sim_time_), 60.0));
    host.set_var(host_token::collective, axes_.collective);
    host.set_var(host_token::aileron, axes_.aileron);
    host.set_var(host_token::rudder, axes_.rudder);
    host.set_var(host_token::elevator, axes_.elevator);

    const panel_state pre = read_panel(host);
    const bool handing_back = !pre.master && latch_;
    const axis_positions before = axes_;
    before_cycle(pre);
    host.frame();
    std::array<double, 4> commands = {axes_.aileron - trim_.aileron, axes_.elevator - trim_.elevator,
                                      axes_.rudder - trim_.rudder, axes_.collective};
    std::array<bool, 4> sent = {};
    for (const recorded_event& event : host.events()) {
        out << "{\"frame\":" << event.frame << ",\"event\":" << event.id << ",\"value\":" << event.value << "}\n";
        const double value = event.value;
        switch (event.id) {
        case axis_event::roll:
            commands[0] = value;
            sent[0] = true;
            axes_.aileron = clamp(value + trim_.aileron, -full_axis, full_axis);
            break;
        case axis_event::pitch:
            commands[1] = value;
            sent[1] = true;
            axes_.elevator = clamp(value + trim_.elevator, -full_axis, full_axis);
            break;
        case axis_event::heading:
            commands[2] = value;
            sent[2] = true;
            axes_.rudder = clamp(value + trim_.rudder, -full_axis, full_axis);
            break;
        case axis_event::collective:
            commands[3] = value;
            sent[3] = true;
            axes_.collective = clamp(value, 0.0, full_axis);
            break;
        default: break;
        }
    }
    host.clear_events();
    last_commands_ = commands;
    if (handing_back)
        handbacks_.push_back({sim_time_, {axes_.aileron - before.aileron, axes_.elevator - before.elevator,
                                          axes_.rudder - before.rudder, axes_.collective - before.collective}});
    const panel_state post = read_panel(host);
    after_cycle(post, readings);

    if (post.master && !engaged_open_) {
        engaged_periods_.push_back({sim_time_, sim_time_});
        engaged_open_ = true;
    }
    if (!post.master) engaged_open_ = false;
    if (engaged_open_) engaged_periods_.back().second = sim_time_;

    expectation e = expected(post);
    e.held[held_bank] = e.held[held_bank] && pre.master;
    if (!paused) account(e, readings, commands, sent);
    write_row(e, readings, post, commands, paused);

    if (!paused) {
        const double airspeed = std::sqrt((state_[s_u] * state_[s_u]) + (state_[s_v] * state_[s_v]) + (state_[s_w] * state_[s_w]));
        const double relative = std::fmax(airspeed, std::sqrt(wind_.steady().north * wind_.steady().north +
                                                              wind_.steady().east * wind_.steady().east));
        wind_.advance(dt, readings.radio_height, relative, state_[s_psi]);
        const int substeps = static_cast<int>(std::ceil(dt / largest_substep));
        const control_inputs controls = controls_from_axes(axes_);
        for (int i = 0; i < substeps; ++i) model_->step(state_, controls, air, ground_, dt / substeps);
        sim_time_ += dt;
        flown_seconds_ += dt;
    }
    host_time_ += dt;
    ++frames_;
}

void flight_session::sticks_follow()
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    auto position = [](double value) { return static_cast<uint32_t>(clamp(std::round(value), 0.0, 65535.0)); };
    stick.x = position((full_axis - last_commands_[0]) * 2.0);
    stick.y = position((pitch_stick_trim_ + full_axis - last_commands_[1]) * 2.0);
    stick.r = position((full_axis - last_commands_[2]) * 2.0);
}

void flight_session::fly(GaugeHost& host, double seconds, bool paused, std::ostream& out)
{
    if (!started_) fail("'fly' and 'pause' need a 'start' first");
    if (virtual_devices.frequency <= 0 || virtual_devices.step <= 0) fail("the clock must advance to fly");
    const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    const long frames = std::lround(seconds / dt);
    const bool progress = flight_isatty(2) != 0;
    for (long i = 0; i < frames; ++i) {
        frame(host, paused, out);
        if (progress && host_time_ >= next_progress_) {
            next_progress_ = host_time_ + 0.5;
            const host_readings& r = last_readings_;
            std::fprintf(stderr, "\r%s t %7.1f s%s  bank %6.1f  pitch %6.1f  heading %5.1f  height %6.1f m  %5.1f km/h ",
                         name_.empty() ? "flight" : name_.c_str(), sim_time_, paused ? " (paused)" : "", r.bank,
                         r.pitch, r.heading, r.radio_height, r.airspeed * kmh_per_knot);
            std::fflush(stderr);
        }
    }
    if (progress) std::fprintf(stderr, "\r%*s\r", 100, "");
}
