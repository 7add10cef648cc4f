// What the pilot feels at a mode change: from a trimmed hover or level flight in calm air, the
// sticks still, one change is made (engaging with any set of holds, a switch thrown, a trim or
// stick button, a connect, a reassigned channel, a joystick missing or unplugged), and for the
// seconds after it the largest one-frame step of each of the host's controls and the largest
// excursion of bank, pitch, heading, height and airspeed from their values at the change.
//
// Each change is flown on a thread of its own (the module's state is the thread's), through the
// linked module, reached only as gaugehost reaches it.
#pragma once

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/flightsim/model/aircraft.h"
#include "tools/flightsim/session/held_quantity.h"
#include "tools/flightsim/loops/loop_rig.h"

class GaugeHost;
class flight_session;

constexpr int control_count = 4;  // aileron, elevator, rudder, collective
const char* control_name(int control);

// The bars: a change that moves the helicopter or a control more than this is a surprise.
struct transient_limits {
    double excursion[held_count] = {2.0, 2.0, 3.0, 2.0, 5.0};  // deg, deg, deg, m, km/h
    double step = 2000.0;                                      // axis units in one frame
};

// The switches set before engaging.
struct engaged_holds {
    bool heading = false, height = false, radio = false, speed = false;
};

// The cockpit as a change's steps work it.
class transient_cockpit {
public:
    transient_cockpit(GaugeHost& host, flight_session& session) : host_(host), session_(session) {}

    void click(const char* gauge, int x, int y, int times = 1);
    void fly(double seconds);
    // The roll trim dialled to the bank the helicopter is trimmed at, 0.1 degree a click.
    void dial_roll_trim(double trimmed_bank);
    // Engage with these holds selected beforehand (the radio source chosen by three quick clicks:
    // master on, source, master off, with no cycle between them).
    void engage(const engaged_holds& holds, double trimmed_bank);
    // Joystick 0's buttons (bit 0: button 1 ...).
    void press_buttons(unsigned buttons);
    void unplug_joystick();
    // The pilot's sticks moved to where the autopilot's commands stand, as the deflection
    // indicator shows them, ready to take over.
    void match_sticks();
    void connect();
    void open();

private:
    GaugeHost& host_;
    flight_session& session_;
};

// Joystick 0 as the connect finds it.
enum class joystick_at_connect {
    full,        // X, Y, Z and R
    missing,     // not found
    two_axes,    // found, X and Y only: no throttle, no twist grip
    never_read,  // found, with Z and R, but every poll fails
};

struct transient_case {
    std::string name;
    std::string by_design;  // empty, or why going past a limit here is the design and not a fault
    bool design_only_if_still = false;  // ... and only when no control moved at all
    std::vector<std::pair<std::string, std::string>> options;  // configuration lines beyond the gains
    joystick_at_connect joystick = joystick_at_connect::full;
    bool open_at_change = false;                               // the panel opens as the change
    // Before the change: the cockpit set up and the helicopter settled (gets the trimmed bank).
    std::function<void(transient_cockpit&, double)> before;
    std::function<void(transient_cockpit&, double)> change;
};

// Every change, in the order the table lists them, for a start condition.
std::vector<transient_case> transient_cases(flight_condition condition);

struct transient_result {
    bool ok = false;
    std::string failure;
    std::array<double, held_count> excursion{};   // largest |x - x at the change|
    std::array<double, control_count> step{};     // largest one-frame step of each control
    // Frame by frame after the change: seconds, the five quantities' deviations, the four controls.
    std::vector<std::array<double, 1 + held_count + control_count>> trace;
};

// Whether the result goes past a limit, and whether that is the design (the case's reason holds).
bool past_limit(const transient_result& result, const transient_limits& limits);
bool past_by_design(const transient_case& c, const transient_result& result);

struct transient_flight {
    aircraft_parameters aircraft;
    std::vector<std::pair<std::string, std::string>> gain_options;  // from --config; empty for the defaults
    flight_condition condition = flight_condition::hover;
    double seconds = 10.0;  // watched after the change
};

// Flies every case, each on a thread of its own, at most jobs at a time; results in the cases' order.
std::vector<transient_result> fly_transients(const transient_flight& flight, const std::vector<transient_case>& cases,
                                             int jobs);

// flightsim transients: 0; 3 when a change not marked as the design goes past a limit; 2 for bad input.
tool_command transients_command();
