#include "tools/flightsim/session/flight_session.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "platform/virtual_devices.h"
#include "tools/flightsim/session/flight_plot.h"
#include "tools/flightsim/session/per_flight_thread.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/model/trim.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/script/script_commands.h"

#ifdef _WIN32
#include <io.h>
#define flight_isatty _isatty
#else
#include <unistd.h>
#define flight_isatty isatty
#endif

using flight_report::fixed;

namespace {

thread_local bool flights_quiet = false;

std::ostream& messages()
{
    if (!flights_quiet) return std::cerr;
    struct nowhere : std::ostream {
        nowhere() : std::ostream(nullptr) {}
    };
    return per_flight_thread_object<nowhere>();
}

constexpr double largest_substep = 0.015;     // s
constexpr double centred = 32768.0;
constexpr double resting_collective_base = 163.0;  // where the module's pass-through base rests

double clamp(double value, double low, double high)
{
    return value < low ? low : value > high ? high : value;
}

// The frame's events as gaugehost's frame command prints them, {"frame":F,"event":ID,"value":V}
// a line, formatted without the stream's locale machinery and written at once.
void write_events(const std::vector<recorded_event>& events, std::ostream& out)
{
    constexpr size_t longest_line = 80;  // three numbers of at most 11 characters and 33 of text
    char buffer[16 * longest_line];
    char* at = buffer;
    auto text = [&](std::string_view part) { at = std::copy(part.begin(), part.end(), at); };
    auto number = [&](auto value) { at = std::to_chars(at, at + 24, value).ptr; };
    for (const recorded_event& event : events) {
        if (at + longest_line > buffer + sizeof buffer) {
            out.write(buffer, at - buffer);
            at = buffer;
        }
        text("{\"frame\":");
        number(event.frame);
        text(",\"event\":");
        number(event.id);
        text(",\"value\":");
        number(event.value);
        text("}\n");
    }
    if (at != buffer) out.write(buffer, at - buffer);
}

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

}  // namespace

void quieten_flights_on_this_thread()
{
    flights_quiet = true;
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
    }
    std::ofstream file(directory / "gauges" / "brask_torvik.cfg", std::ios::binary);
    file << "[a_pilot]\r\n" << pilot.str() << "[joy_kanal]\r\n" << channels.str();
    if (!file) fail("cannot write the options file in " + options_directory_);
    set_virtual_executable_path((directory / "fs.exe").string());
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
    if (!trim.refusal.empty()) fail("this aircraft cannot start so: " + trim.refusal);
    if (!trim.converged) fail("no trimmed flight found for this start (largest acceleration left " +
                              std::to_string(trim.residual) + ")");
    state_ = trim.state;
    axes_ = axes_from_controls(trim.controls);
    trim_ = {axes_.aileron, axes_.elevator, axes_.rudder, 0.0};
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.x = stick.y = stick.r = static_cast<uint32_t>(centred);
    stick.z = static_cast<uint32_t>(clamp((full_axis + resting_collective_base - axes_.collective) * 4.0, 0.0, 65535.0));
    started_ = true;
    messages() << "start: trimmed at bank " << fixed(-state_[s_phi] * sim::degrees_per_radian, 2) << " (+ left wing down), pitch "
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
    condition.air = steady_air(altitude);
    start_from_trim(solve_trim(*model_, condition));
}

void flight_session::start_level(double speed_kmh, double height, double heading_degrees)
{
    const double altitude = ground_.elevation(0.0, 0.0) + height + model_->parameters().skid_drop;
    const air_state air = steady_air(altitude);
    // The speed asked for is indicated: through the air, reduced by the density ratio.
    const double true_speed = speed_kmh / 3.6 / std::sqrt(air.density / model_->parameters().air_density);
    start_from_trim(solve_trim(*model_, level_flight(true_speed, heading_degrees / sim::degrees_per_radian, altitude, air)));
}

void flight_session::start_ground(double heading_degrees)
{
    const aircraft_parameters& a = model_->parameters();
    if (a.table.given) fail("a derivative-table aircraft has no skids: it starts in a hover or in flight");
    state_.fill(0.0);
    const double static_deflection = a.mass * 9.80665 / (4.0 * a.skid_stiffness);
    state_[s_down] = -(ground_.elevation(0.0, 0.0) + a.skid_drop - static_deflection);
    state_[s_psi] = sim::wrap(heading_degrees / sim::degrees_per_radian, 2.0 * sim::pi);
    axes_ = {0.0, 0.0, 0.0, resting_collective_base};
    settle_actuators(state_, controls_from_axes(axes_));
    trim_ = {};
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.x = stick.y = stick.r = static_cast<uint32_t>(centred);
    stick.z = 65535;  // lever down
    started_ = true;
}

void flight_session::record(const std::string& name)
{
    if (!name_.empty()) fail("this flight is already recorded as " + quoted_word(name_) + ": one 'record' a flight");
    name_ = name;
    std::error_code ignored;  // a folder that cannot be made shows as a file that cannot be written
    std::filesystem::create_directories(std::filesystem::path(output_path(".csv")).parent_path(), ignored);
    log_.open(output_path(".csv"));
}

std::string flight_session::output_path(const std::string& suffix) const
{
    const char* directory = std::getenv("GAUGEHOST_FLIGHT_DIR");
    const std::filesystem::path base = directory != nullptr && *directory != '\0' ? directory : ".";
    return (base / (name_ + suffix)).string();
}

void flight_session::set_sensors(double noise_level, uint64_t seed, bool quantised)
{
    sensors_.noise_level = noise_level;
    sensors_.quantised = quantised;
    sensors_.random.seed(seed);
}

void flight_session::set_host_variables(GaugeHost& host, const host_readings& readings, bool paused, double dt)
{
    host_readings shown = sensors_.on() ? sensors_.shown(readings) : readings;
    if (paused) shown.turn_rate = shown.vertical_speed = 0.0;
    // The clock advances at the start of the frame: the module sees the host time of this frame.
    ::set_host_variables(host, shown, std::floor((host_time_ + dt) * tick18_rate), clock_seconds(sim_time_), axes_);
}

// The module's axis events of the frame, printed and put on the controls (each channel's command
// as sent, the trims added back, the axes' limits kept); a channel that sent none keeps its
// control, less its trim, as its command.
channel_commands flight_session::apply_events(GaugeHost& host, std::ostream& out, std::array<bool, 4>& sent)
{
    channel_commands commands = {axes_.aileron - trim_.aileron, axes_.elevator - trim_.elevator,
                                 axes_.rudder - trim_.rudder, axes_.collective};
    write_events(host.events(), out);
    for (const recorded_event& event : host.events()) {
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
    return commands;
}

void flight_session::note_engaged(const cockpit_lamps& post)
{
    if (post.master && !engaged_open_) {
        engaged_periods_.push_back({sim_time_, sim_time_});
        engaged_open_ = true;
    }
    if (!post.master) engaged_open_ = false;
    if (engaged_open_) engaged_periods_.back().second = sim_time_;
}

void flight_session::record_frame(bool paused, const host_readings& readings, const cockpit_lamps& post, const expectation& e,
                                  const channel_commands& commands, const wind_vector& w)
{
    frame_record record;
    record.sim_time = sim_time_;
    record.host_time = host_time_;
    record.paused = paused;
    record.readings = readings;
    record.lamps = post;
    record.expected = e;
    record.commands = commands;
    record.axes = axes_;
    record.north = state_[s_north];
    record.east = state_[s_east];
    if (log_.is_open()) {
        record.ground = ground_.elevation(state_[s_north], state_[s_east]);
        record.wind = w;
    }
    log_.write(record);
    if (observer_) observer_(record);
}

// An aircraft flown faster through the air than its file holds (a derivative table's, or a fit's
// of the hover alone): said once a flight, since what follows is its numbers carried beyond where
// they were measured.
void flight_session::note_envelope(const air_state& air)
{
    const double speed_limit = model_->parameters().speed_limit;
    if (speed_limit == std::numeric_limits<double>::infinity() || left_envelope_) return;
    state_vector dx;
    model_outputs out;
    model_->derivatives(state_, controls_from_axes(axes_), air, ground_, dx, &out);
    const double airspeed = std::sqrt(out.air_u * out.air_u + out.air_v * out.air_v + out.air_w * out.air_w);
    if (airspeed <= speed_limit) return;
    left_envelope_ = true;
    messages() << "warning: at " << fixed(sim_time_, 1) << " s the aircraft flies " << fixed(airspeed * 3.6, 1)
               << " km/h through the air, beyond the " << fixed(speed_limit * 3.6, 1)
               << " km/h its file holds to (speed_limit): from here on its numbers are carried beyond where they hold\n";
}

void flight_session::advance_model(double dt, const host_readings& readings, const air_state& air)
{
    const double airspeed = std::sqrt((state_[s_u] * state_[s_u]) + (state_[s_v] * state_[s_v]) + (state_[s_w] * state_[s_w]));
    const double relative = std::fmax(airspeed, std::sqrt(wind_.steady().north * wind_.steady().north +
                                                          wind_.steady().east * wind_.steady().east));
    wind_.advance(dt, readings.radio_height, relative, state_[s_psi]);
    const int substeps = static_cast<int>(std::ceil(dt / largest_substep));
    const control_inputs controls = controls_from_axes(axes_);
    model_->advance(state_, controls, air, ground_, dt / substeps, substeps);
    note_envelope(air);
    sim_time_ += dt;
    flown_seconds_ += dt;
}

void flight_session::frame(GaugeHost& host, const cockpit_gauges& cockpit, bool paused, std::ostream& out)
{
    const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    const double altitude = -state_[s_down];
    const wind_vector w = wind_.at(sim_time_);
    const air_state air = {w.north, w.east, w.down, model_->density_at(altitude)};
    const host_readings readings = read_instruments(*model_, state_, air, ground_);
    set_host_variables(host, readings, paused, dt);

    const cockpit_lamps pre = read_cockpit(cockpit);
    const bool handing_back = !pre.master && engaged_;
    engaged_ = pre.master;
    const axis_positions before = axes_;
    pilot_.before_cycle(pre, last_readings_);
    if (test_pilot_ && !paused) test_pilot_->fly(host, view_of(state_), dt);
    host.frame();
    std::array<bool, 4> sent = {};
    const channel_commands commands = apply_events(host, out, sent);
    last_commands_ = commands;
    if (handing_back)
        handbacks_.push_back({sim_time_, {axes_.aileron - before.aileron, axes_.elevator - before.elevator,
                                          axes_.rudder - before.rudder, axes_.collective - before.collective}});
    const cockpit_lamps post = read_cockpit(cockpit);
    pilot_.after_cycle(post, readings, last_readings_);
    last_readings_ = readings;
    note_engaged(post);

    expectation e = pilot_.expected(post);
    e.held[held_bank] = e.held[held_bank] && pre.master;
    for (int i = 0; i < held_count; ++i) ever_held_[i] = ever_held_[i] || e.held[i];
    if (!paused) {
        const double measured[held_count] = {readings.bank, readings.pitch, readings.heading,
                                             post.source_radio ? readings.radio_height : readings.altitude,
                                             readings.airspeed * kmh_per_knot};
        holding_.account(sim_time_, dt, e, measured, commands, sent);
    }
    record_frame(paused, readings, post, e, commands, w);
    if (!paused) advance_model(dt, readings, air);
    host_time_ += dt;
}

void flight_session::summary(std::ostream& out)
{
    holding_.close(sim_time_);
    const flight_report::flight_conditions conditions = {name_.empty() ? "flight" : name_, flown_seconds_, wind_from_,
                                                         wind_kmh_, turbulence_name_};
    const std::string table = flight_report::summary(conditions, holding_, handbacks_, out);
    messages() << table;
    if (!name_.empty()) {
        log_.flush();
        std::ofstream(output_path(".summary.txt"), std::ios::binary) << table;
        write_plot_script(output_path(".gp"), name_, engaged_periods_, ever_held_);
    }
}

void flight_session::sticks_follow()
{
    virtual_joystick& stick = virtual_devices.joysticks[0];
    auto position = [](double value) { return static_cast<uint32_t>(clamp(std::round(value), 0.0, 65535.0)); };
    stick.x = position((full_axis - last_commands_[0]) * 2.0);
    stick.y = position((full_axis - last_commands_[1]) * 2.0);
    stick.r = position((full_axis - last_commands_[2]) * 2.0);
}

air_state flight_session::steady_air(double altitude) const
{
    return {wind_.steady().north, wind_.steady().east, 0.0, model_->density_at(altitude)};
}

void flight_session::fly_card(GaugeHost& host)
{
    if (!started_) fail("'pilot card' needs a 'start' first");
    test_pilot_ = std::make_unique<test_pilot>();
    const air_state air = steady_air(-state_[s_down]);
    test_pilot_->begin(host, view_of(state_), axes_.collective, model_->parameters().cyclic_lateral,
                       model_->parameters().cyclic_longitudinal,
                       control_answer_of(*model_, state_, controls_from_axes(axes_), air, ground_));
}

void flight_session::fly(GaugeHost& host, double seconds, bool paused, std::ostream& out)
{
    if (!started_) fail("'fly' and 'pause' need a 'start' first");
    if (virtual_devices.frequency <= 0 || virtual_devices.step <= 0) fail("the clock must advance to fly");
    const double dt = virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    // Frames and the model's steps in each are counted in int: more cannot be flown.
    constexpr double most = std::numeric_limits<int>::max();
    const double frame_count = std::round(seconds / dt);
    if (frame_count > most || dt / largest_substep > most) {
        char what[200];
        std::snprintf(what, sizeof what, "%g s in frames of %g s (clock %lld %lld) is %.3g frames: at most %d frames of at most %.3g s can be flown",
                      seconds, dt, static_cast<long long>(virtual_devices.frequency), static_cast<long long>(virtual_devices.step),
                      frame_count, std::numeric_limits<int>::max(), most * largest_substep);
        fail(what);
    }
    const int frames = static_cast<int>(frame_count);
    const bool progress = !flights_quiet && flight_isatty(2) != 0;
    const cockpit_gauges cockpit = find_cockpit(host);
    for (int i = 0; i < frames; ++i) {
        frame(host, cockpit, paused, out);
        if (progress && host_time_ >= next_progress_) {
            next_progress_ = host_time_ + 0.5;
            const host_readings& r = last_readings_;  // this frame's
            std::fprintf(stderr, "\r%s t %7.1f s%s  bank %6.1f  pitch %6.1f  heading %5.1f  height %6.1f m  %5.1f km/h ",
                         name_.empty() ? "flight" : name_.c_str(), sim_time_, paused ? " (paused)" : "", r.bank,
                         r.pitch, r.heading, r.radio_height, r.airspeed * kmh_per_knot);
            std::fflush(stderr);
        }
    }
    if (progress) std::fprintf(stderr, "\r%*s\r", 100, "");
}
