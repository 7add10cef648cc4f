// What the pilot expects the autopilot to hold.
//
// Which quantities are held the pilot reads from the cockpit: the engage lamp (bank, and pitch
// while the speed hold is off), the heading and height lamps, the speed-hold lamp. The value each
// is held at the scenario states (the script's `want` lines), never worked out here from the
// module's rules: a number, worked out by hand in the scenario (the bank a roll-stick position
// asks for, a trim dialled), or `captured`, the value the instruments showed as the hold began,
// with an offset the scenario states (a heading trim of +3 moves the heading held by -3).
//
// Captures: the pitch when the autopilot is engaged (or the speed-hold lamp goes out with it
// engaged), the height when its hold begins or its source changes, each as the instruments showed
// them before the cycle the pilot's click starts; the heading and the speed when their lamps light,
// as the instruments showed them in the cycle that lit them.
#pragma once

#include "tools/flightsim/session/held_quantity.h"
#include "tools/flightsim/session/host_link.h"

class GaugeHost;
struct ELEMENT_HEADER;

// The cockpit's lamps as the pilot sees them.
struct cockpit_lamps {
    bool master = false, heading_active = false, height_on = false, source_radio = false, speed_active = false;
};

// The lamps' elements, found once per flight (null where the module has none).
struct cockpit_gauges {
    ELEMENT_HEADER* heading = nullptr;       // AP_Panel_1, place 3
    ELEMENT_HEADER* master = nullptr;        // place 4
    ELEMENT_HEADER* height = nullptr;        // place 5
    ELEMENT_HEADER* source_radio = nullptr;  // place 6
    ELEMENT_HEADER* speed = nullptr;         // V_Lamp, place 2
};

cockpit_gauges find_cockpit(const GaugeHost& host);
cockpit_lamps read_cockpit(const cockpit_gauges& gauges);

// What a scenario wants held for one quantity.
struct wanted_value {
    bool captured = false;  // the captured value plus value; else value itself
    double value = 0.0;
};

struct expectation {
    bool held[held_count] = {};
    double target[held_count] = {};
};

class pilot_expectation {
public:
    void want(held_quantity quantity, const wanted_value& wanted);

    // Before the host's frame: the lamps as the clicks since the last frame left them, and the
    // instruments of the last frame.
    void before_cycle(const cockpit_lamps& lamps, const host_readings& last);
    // After it: the lamps the frame lit, the instruments it read.
    void after_cycle(const cockpit_lamps& lamps, const host_readings& readings, const host_readings& last);

    // What is held and at what; throws std::runtime_error when something is held that the
    // scenario has stated no value for.
    expectation expected(const cockpit_lamps& lamps) const;

private:
    wanted_value wanted_[held_count];
    bool stated_[held_count] = {};
    double captured_[held_count] = {};
    cockpit_lamps last_;
};
