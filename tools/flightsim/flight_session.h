// One simulated flight inside gaugehost: the helicopter model flown by whatever the module
// sends, the module fed with the helicopter's instruments, frame by frame. It reaches the module
// only as the host does (host variables, axis events, the gauges' element callbacks), so the same
// flight runs against the module linked in and against the module file under Wine.
//
// While it flies it keeps what the pilot expects the autopilot to hold, from what the cockpit
// shows (the panel's lamps and trim dials, the speed-hold lamp) and the pilot's sticks: the bank
// set by the roll stick plus the roll trim, the pitch captured at engage moved by the pitch
// stick less the pitch trim, the heading captured when the heading lamp lights less the heading
// trim, the height captured at engage or when the height lamp lights or the source changes, the
// speed captured when the speed-hold lamp lights.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/flightsim/host_link.h"
#include "tools/flightsim/rotorcraft.h"
#include "tools/flightsim/turbulence.h"

class GaugeHost;

// The quantities the autopilot holds.
enum held_quantity : int { held_bank, held_pitch, held_heading, held_height, held_speed, held_count };

struct hold_statistics {
    double held_seconds = 0.0;       // time held, after the settling period
    double sum_squares = 0.0;
    double largest_deviation = 0.0;
    double settling = 0.0;           // longest settling after a change of what is held, s
    bool unsettled = false;          // some change never settled
    double largest_command = 0.0;    // largest |axis command| of the channel while held
    std::optional<double> bar;       // the scenario's bar on the RMS deviation
    double rms() const;
};

class flight_session {
public:
    flight_session();
    ~flight_session();

    void set_aircraft(const aircraft_parameters& parameters);
    void set_options(const std::vector<std::pair<std::string, std::string>>& options);
    void set_ground(const terrain& ground) { ground_ = ground; }
    void set_wind(double from_degrees, double speed_kmh);
    void set_turbulence(double w20_kmh, uint64_t seed, const std::string& name);
    void add_gust(double after, double from_degrees, double speed_kmh, double duration);
    void start_hover(double height, double heading_degrees);
    void start_level(double speed_kmh, double height, double heading_degrees);
    void start_ground(double heading_degrees);
    void record(const std::string& name);
    void expect(held_quantity quantity, double rms_limit);

    // Flies (or, paused, holds the simulation still while the host's frames go on) for a time;
    // prints the module's events as gaugehost's frame command does.
    void fly(GaugeHost& host, double seconds, bool paused, std::ostream& out);
    void summary(std::ostream& out);
    // The pilot moves the sticks to where the autopilot's last roll, pitch and pedal commands
    // stand (as the deflection indicator shows them), ready to take over without a jump.
    void sticks_follow();

    bool started() const { return started_; }

private:
    struct panel_state {
        bool master = false, heading_active = false, height_on = false, source_radio = false, speed_active = false;
        double heading_trim = 0.0, roll_trim = 0.0, pitch_trim = 0.0;
    };
    struct expectation {
        bool held[held_count] = {};
        double target[held_count] = {};
    };

    void start_from_trim(const struct trim_result& trim);
    void frame(GaugeHost& host, bool paused, std::ostream& out);
    panel_state read_panel(GaugeHost& host) const;
    void before_cycle(const panel_state& pre);
    void after_cycle(const panel_state& post, const host_readings& readings);
    expectation expected(const panel_state& panel) const;
    void account(const expectation& e, const host_readings& readings, const std::array<double, 4>& commands,
                 const std::array<bool, 4>& sent);
    void write_row(const expectation& e, const host_readings& readings, const panel_state& panel,
                   const std::array<double, 4>& commands, bool paused);
    void write_plot_script() const;
    std::string output_path(const std::string& suffix) const;

    std::unique_ptr<rotorcraft_model> model_;
    terrain ground_;
    wind_model wind_;
    std::string turbulence_name_ = "off";
    double wind_from_ = 0.0, wind_kmh_ = 0.0;
    state_vector state_{};
    axis_positions axes_;                 // what the host's axes stand at, trim included
    axis_positions trim_;                 // the host's own trim of aileron, elevator, rudder
    bool started_ = false;
    double sim_time_ = 0.0, host_time_ = 0.0;
    int frames_ = 0;

    // Options the module was given (through its configuration file).
    bool trim_pitch_option_ = false;
    std::string options_directory_;

    // The pilot's expectation, built as the module builds its references.
    bool latch_ = false;
    panel_state last_panel_;
    host_readings last_readings_{};
    bool have_last_readings_ = false;
    double pitch_base_ = 0.0, heading_reference_ = 0.0, height_reference_ = 0.0, speed_reference_ = 0.0;
    double pitch_joy_reference_ = 0.0, pitch_stick_trim_ = 0.0;
    bool pitch_trim_mode_ = false;
    double bank_reference_ = 0.0;

    // Accounting.
    hold_statistics stats_[held_count];
    double change_time_[held_count] = {};
    double last_target_[held_count] = {};
    bool was_held_[held_count] = {};
    double in_band_since_[held_count] = {};
    bool in_band_[held_count] = {};
    bool settled_[held_count] = {};
    double segment_start_command_[held_count] = {};
    std::vector<std::pair<double, double>> engaged_periods_;
    // Each disengage: the change of the four axes' positions (aileron, elevator, rudder,
    // collective) from the frame before to the frame of the hand-back.
    std::vector<std::pair<double, std::array<double, 4>>> handbacks_;
    bool engaged_open_ = false;
    double flown_seconds_ = 0.0;

    std::array<double, 4> last_commands_ = {};
    double heading_unwrapped_ = 0.0, last_heading_ = 0.0;
    bool ever_held_[held_count] = {};

    std::string name_;
    std::ofstream csv_;
    double next_progress_ = 0.0;
};

// The one session of this process (gaugehost runs one host at a time).
flight_session& current_flight();

const char* held_name(held_quantity quantity);
