// One simulated flight inside gaugehost: the helicopter model flown by whatever the module
// sends, the module fed with the helicopter's instruments, frame by frame. It reaches the module
// only as the host does (host variables, axis events, the gauges' element callbacks), so the same
// flight runs against the module linked in and against the module file under Wine.
//
// The session holds the flight and its controls; what the pilot expects (pilot_expectation), how
// well it was held (holding_record) and the logs (flight_log, flight_plot, flight_report) are
// parts of their own that it feeds each frame.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/flightsim/session/flight_log.h"
#include "tools/flightsim/session/flight_report.h"
#include "tools/flightsim/session/hold_statistics.h"
#include "tools/flightsim/session/host_link.h"
#include "tools/flightsim/session/pilot_expectation.h"
#include "tools/flightsim/session/sensor_errors.h"
#include "tools/flightsim/session/test_pilot.h"
#include "tools/flightsim/model/rotorcraft.h"
#include "tools/flightsim/model/turbulence.h"

class GaugeHost;
struct trim_result;

// A flight's messages to the person at the terminal (its start, its summary's table, its progress
// line) go to standard error, unless this thread's flights were quietened: a flight flown beside
// others on threads of its own keeps them to itself.
void quieten_flights_on_this_thread();

class flight_session {
public:
    flight_session();
    ~flight_session();
    flight_session(const flight_session&) = delete;
    flight_session& operator=(const flight_session&) = delete;

    void set_aircraft(const aircraft_parameters& parameters);
    void set_options(const std::vector<std::pair<std::string, std::string>>& options);
    void set_ground(const terrain& ground) { ground_ = ground; }
    void set_wind(double from_degrees, double speed_kmh);
    void set_turbulence(double w20_kmh, uint64_t seed, const std::string& name);
    void add_gust(double after, double from_degrees, double speed_kmh, double duration);
    // Noise (level 0: none) and quantisation on what the host's instruments show.
    void set_sensors(double noise_level, uint64_t seed, bool quantised);
    void start_hover(double height, double heading_degrees);
    void start_level(double speed_kmh, double height, double heading_degrees);
    void start_ground(double heading_degrees);
    void record(const std::string& name);
    void expect(held_quantity quantity, double rms_limit) { holding_.set_bar(quantity, rms_limit); }
    void want(held_quantity quantity, const wanted_value& wanted) { pilot_.want(quantity, wanted); }

    // Flies (or, paused, holds the simulation still while the host's frames go on) for a time;
    // prints the module's events as gaugehost's frame command does.
    void fly(GaugeHost& host, double seconds, bool paused, std::ostream& out);
    void summary(std::ostream& out);
    // The pilot moves the sticks to where the autopilot's last roll, pitch and pedal commands
    // stand (as the deflection indicator shows them), ready to take over without a jump.
    void sticks_follow();
    // A test pilot takes the controls and flies the recorder's flight-test card (test_pilot.h).
    void fly_card(GaugeHost& host);

    bool started() const { return started_; }
    // Where the host's controls stand, and the instruments as the last frame read them.
    const axis_positions& axes() const { return axes_; }
    const host_readings& last_readings() const { return last_readings_; }

    // Called with every frame as it is logged, after the module's cycle and before the model steps.
    void observe(std::function<void(const frame_record&)> observer) { observer_ = std::move(observer); }

private:
    // The steady wind at an altitude (m above sea level), without its gusts.
    air_state steady_air(double altitude) const;
    void start_from_trim(const trim_result& trim);
    void frame(GaugeHost& host, const cockpit_gauges& cockpit, bool paused, std::ostream& out);
    // The frame's steps: the host's variables from the model, the module's events onto the
    // controls, what the pilot expects held and what is recorded, then the model flown on.
    void set_host_variables(GaugeHost& host, const host_readings& readings, bool paused, double dt);
    channel_commands apply_events(GaugeHost& host, std::ostream& out, std::array<bool, 4>& sent);
    void note_engaged(const cockpit_lamps& post);
    void record_frame(bool paused, const host_readings& readings, const cockpit_lamps& post, const expectation& e,
                      const channel_commands& commands, const wind_vector& w);
    void advance_model(double dt, const host_readings& readings, const air_state& air);
    void note_envelope(const air_state& air);
    std::string output_path(const std::string& suffix) const;

    // The flight.
    std::unique_ptr<rotorcraft_model> model_;
    terrain ground_;
    wind_model wind_;
    std::string turbulence_name_ = "off";
    double wind_from_ = 0.0, wind_kmh_ = 0.0;
    state_vector state_{};
    axis_positions axes_;                 // what the host's axes stand at, trim included
    axis_positions trim_;                 // the host's own trim of aileron, elevator, rudder
    bool started_ = false;
    double sim_time_ = 0.0, host_time_ = 0.0, flown_seconds_ = 0.0;
    std::string options_directory_;       // the module's configuration folder of this flight
    channel_commands last_commands_{};
    host_readings last_readings_{};
    bool engaged_ = false;                // the engage lamp before the last frame's cycle
    bool left_envelope_ = false;          // the aircraft has flown faster than its file holds

    // Its parts.
    pilot_expectation pilot_;
    holding_record holding_;
    flight_log log_;
    std::string name_;
    std::vector<std::pair<double, double>> engaged_periods_;
    bool engaged_open_ = false;
    bool ever_held_[held_count] = {};
    std::vector<flight_report::handback> handbacks_;
    double next_progress_ = 0.0;
    std::function<void(const frame_record&)> observer_;
    std::unique_ptr<test_pilot> test_pilot_;
    sensor_errors sensors_;
};
