#include "tools/flightsim/loops/transients.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/virtual_devices.h"
#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/flightsim/session/flight_session.h"
#include "tools/flightsim/loops/gain_set.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/host/linked_module.h"

namespace {

constexpr double hover_height = 30.0;                       // m above the ground
constexpr double cruise_kmh = 150.0, cruise_height = 150.0;  // level flight
constexpr double before_opening = 2.0;                      // s flown disengaged after the panel opens
constexpr double settling = 20.0;                           // s engaged before a change made engaged
constexpr double button_held = 1.0;                         // s a stick button is held down

// Where the pilot clicks: AP_Panel_1's buttons and trim areas, the speed switch, AP_YoySet's
// assignment steps (one row per channel: roll, pitch, collective, pedals).
struct spot {
    const char* gauge;
    int x, y;
};
constexpr spot heading_button{"AP_Panel_1", 40, 50}, master_button{"AP_Panel_1", 150, 50},
    height_button{"AP_Panel_1", 260, 50}, source_button{"AP_Panel_1", 370, 50},
    heading_trim_up{"AP_Panel_1", 20, 180}, roll_trim_up{"AP_Panel_1", 160, 180},
    roll_trim_down{"AP_Panel_1", 240, 180}, pitch_trim_up{"AP_Panel_1", 300, 180},
    speed_switch{"V_Contrl_key", 8, 17}, roll_channel_down{"AP_YoySet", 115, 85},
    collective_channel_up{"AP_YoySet", 145, 125}, pedal_channel_down{"AP_YoySet", 115, 145};

void click(transient_cockpit& cockpit, const spot& where, int times = 1)
{
    cockpit.click(where.gauge, where.x, where.y, times);
}

double wrapped_degrees(double difference)
{
    return std::remainder(difference, 360.0);
}

using cockpit_step = std::function<void(transient_cockpit&, double)>;

const cockpit_step nothing = [](transient_cockpit&, double) {};
const cockpit_step settled = [](transient_cockpit& cockpit, double) { cockpit.fly(settling); };

cockpit_step engaged_with(engaged_holds holds)
{
    return [holds](transient_cockpit& cockpit, double bank) {
        cockpit.engage(holds, bank);
        cockpit.fly(settling);
    };
}

cockpit_step clicked(spot where, int times = 1)
{
    return [where, times](transient_cockpit& cockpit, double) { click(cockpit, where, times); };
}

cockpit_step then(cockpit_step first, cockpit_step second)
{
    return [first, second](transient_cockpit& cockpit, double bank) {
        first(cockpit, bank);
        second(cockpit, bank);
    };
}

// A stick button pressed, held, and released; the watch goes on after the release.
cockpit_step button_pressed_and_released(unsigned buttons)
{
    return [buttons](transient_cockpit& cockpit, double) {
        cockpit.press_buttons(buttons);
        cockpit.fly(button_held);
        cockpit.press_buttons(0);
    };
}

std::string holds_name(const engaged_holds& h)
{
    std::string name;
    auto add = [&name](const char* part) { name += name.empty() ? part : std::string(", ") + part; };
    if (h.heading) add("heading");
    if (h.height) add(h.radio ? "height radio" : "height baro");
    if (h.speed) add("speed");
    return name.empty() ? "no holds" : name;
}

const char* const bare_helicopter =
    "the pilot's sticks fly, held still, and no control moved: the bare helicopter's own motion";

const std::vector<std::pair<std::string, std::string>> stick_button_options = {
    {"ap_trim_tang_on", "1"}, {"ap_trim_kurs_on", "1"}, {"ap_kurs_otkl_on", "1"}};

}  // namespace

const char* control_name(int control)
{
    static const char* const names[control_count] = {"aileron", "elevator", "rudder", "collective"};
    return names[control];
}

void transient_cockpit::click(const char* gauge, int x, int y, int times)
{
    for (int i = 0; i < times; ++i) host_.click(host_.find_gauge(gauge), x, y);
}

void transient_cockpit::fly(double seconds)
{
    std::ostream nowhere(nullptr);
    session_.fly(host_, seconds, false, nowhere);
}

void transient_cockpit::dial_roll_trim(double trimmed_bank)
{
    const long clicks = std::lround(trimmed_bank / 0.1);
    if (clicks > 0) ::click(*this, roll_trim_up, static_cast<int>(clicks));
    if (clicks < 0) ::click(*this, roll_trim_down, static_cast<int>(-clicks));
}

void transient_cockpit::engage(const engaged_holds& holds, double trimmed_bank)
{
    if (holds.radio) {
        ::click(*this, master_button);
        ::click(*this, source_button);
        ::click(*this, master_button);
    }
    dial_roll_trim(trimmed_bank);
    if (holds.heading) ::click(*this, heading_button);
    if (holds.height) ::click(*this, height_button);
    if (holds.speed) ::click(*this, speed_switch);
    ::click(*this, master_button);
}

void transient_cockpit::press_buttons(unsigned buttons)
{
    virtual_devices.joysticks[0].buttons = buttons;
}

void transient_cockpit::unplug_joystick()
{
    virtual_devices.joysticks[0].present = false;
}

void transient_cockpit::match_sticks()
{
    session_.sticks_follow();
}

void transient_cockpit::connect()
{
    host_.connect();
}

void transient_cockpit::open()
{
    host_.open();
}

namespace {

// A change of the table, added at its end.
transient_case& add_case(std::vector<transient_case>& cases, std::string name, cockpit_step before, cockpit_step change)
{
    cases.push_back({std::move(name), "", false, {}, joystick_at_connect::full, false, std::move(before), std::move(change)});
    return cases.back();
}

// The holds engaged in the changes made while engaged: every hold, the speed hold in cruise only.
engaged_holds all_holds(bool cruise)
{
    return {true, true, false, cruise};
}

void add_engage_cases(std::vector<transient_case>& cases)
{
    auto add = [&cases](std::string name, cockpit_step before, cockpit_step change) -> transient_case& {
        return add_case(cases, std::move(name), std::move(before), std::move(change));
    };
    // Engaging with every set of holds selected beforehand.
    for (int height = 0; height < 3; ++height)
        for (bool heading : {false, true})
            for (bool speed : {false, true}) {
                const engaged_holds holds{heading, height > 0, height == 2, speed};
                add("engage: " + holds_name(holds), nothing,
                    [holds](transient_cockpit& cockpit, double bank) { cockpit.engage(holds, bank); });
            }

}

void add_cases_with_the_master_off(std::vector<transient_case>& cases)
{
    auto add = [&cases](std::string name, cockpit_step before, cockpit_step change) -> transient_case& {
        return add_case(cases, std::move(name), std::move(before), std::move(change));
    };
    // The switches thrown with the master off: nothing but the lamps may change.
    const size_t first_off = cases.size();
    add("off: heading switch on", nothing, clicked(heading_button));
    add("off: height switch on", nothing, clicked(height_button));
    add("off: height switch off", clicked(height_button), clicked(height_button));
    add("off: height source (ignored)", nothing, clicked(source_button));
    add("off: speed hold on", nothing, clicked(speed_switch));
    add("off: trim button pressed, released", nothing, button_pressed_and_released(0b10)).options =
        stick_button_options;
    add("off: connect", nothing, [](transient_cockpit& cockpit, double) { cockpit.connect(); });
    add("off: roll channel 1 -> 0", nothing, clicked(roll_channel_down));
    add("off: joystick unplugged", nothing, [](transient_cockpit& cockpit, double) { cockpit.unplug_joystick(); });
    for (size_t i = first_off; i < cases.size(); ++i) {
        cases[i].by_design = bare_helicopter;
        cases[i].design_only_if_still = true;
    }

}

void add_cases_while_engaged(std::vector<transient_case>& cases, bool cruise)
{
    auto add = [&cases](std::string name, cockpit_step before, cockpit_step change) -> transient_case& {
        return add_case(cases, std::move(name), std::move(before), std::move(change));
    };
    // Engaged with every hold, settled; each switch thrown.
    const engaged_holds all = all_holds(cruise);
    engaged_holds without_heading = all, without_height = all, without_speed = all;
    without_heading.heading = false;
    without_height.height = false;
    without_speed.speed = false;
    add("hand back", engaged_with(all), clicked(master_button)).by_design =
        "the cyclic and pedals go back to the sticks, which stand where they were before engaging, not where "
        "the autopilot held them (the guide asks the pilot to match the deflection indicator first); then the "
        "bare helicopter's own motion";
    transient_case& matched = add("hand back, sticks matched", engaged_with(all), [](transient_cockpit& cockpit, double) {
        cockpit.match_sticks();
        click(cockpit, master_button);
    });
    matched.by_design = bare_helicopter;
    matched.design_only_if_still = true;
    add("heading hold off", engaged_with(all), clicked(heading_button));
    add("heading hold on", engaged_with(without_heading), clicked(heading_button));
    add("height hold off", engaged_with(all), clicked(height_button));
    add("height hold on", engaged_with(without_height), clicked(height_button));
    add("height source to radio", engaged_with(all), clicked(source_button));
    add("height source back to baro", then(engaged_with(all), then(clicked(source_button), settled)),
        clicked(source_button));
    if (cruise) add("speed hold off", engaged_with(all), clicked(speed_switch));
    else add("speed hold on", engaged_with(without_speed), clicked(speed_switch));

    // Trims and the stick's buttons, engaged.
    add("roll trim +0.1", engaged_with(all), clicked(roll_trim_up));
    add("pitch trim +0.1", engaged_with(all), clicked(pitch_trim_up));
    add("heading trim +0.1", engaged_with(all), clicked(heading_trim_up));
    add("trim button pressed, released", engaged_with(all), button_pressed_and_released(0b10)).options =
        stick_button_options;
    add("release button pressed, released", engaged_with(all), button_pressed_and_released(0b01)).options =
        stick_button_options;

    // The configuration read again, and the channels reassigned, in flight.
    add("connect, engaged", engaged_with(all), [](transient_cockpit& cockpit, double) { cockpit.connect(); });
    add("collective channel 3 -> 4", engaged_with(all), clicked(collective_channel_up));
    add("pedal channel 4 -> 3", engaged_with(all), clicked(pedal_channel_down));

}

void add_joystick_cases(std::vector<transient_case>& cases, bool cruise)
{
    auto add = [&cases](std::string name, cockpit_step before, cockpit_step change) -> transient_case& {
        return add_case(cases, std::move(name), std::move(before), std::move(change));
    };
    const engaged_holds all = all_holds(cruise);
    // No joystick from the start, one without a throttle and a twist grip, one found but never
    // read, and one unplugged in flight.
    const std::pair<const char*, joystick_at_connect> devices[] = {
        {"no joystick", joystick_at_connect::missing},
        {"two-axis joystick", joystick_at_connect::two_axes},
        {"joystick found, never read", joystick_at_connect::never_read},
    };
    for (const auto& [device, kind] : devices) {
        transient_case& opens = add(std::string(device) + ": panel opens", nothing, nothing);
        opens.joystick = kind;
        opens.open_at_change = true;
        if (kind == joystick_at_connect::never_read) continue;
        add(std::string(device) + ": engage, every hold", nothing,
            [all](transient_cockpit& cockpit, double bank) { cockpit.engage(all, bank); })
            .joystick = kind;
    }
    add("joystick unplugged, engaged", engaged_with(all),
        [](transient_cockpit& cockpit, double) { cockpit.unplug_joystick(); });

}

}  // namespace

std::vector<transient_case> transient_cases(flight_condition condition)
{
    const bool cruise = condition == flight_condition::cruise;
    std::vector<transient_case> cases;
    add_engage_cases(cases);
    add_cases_with_the_master_off(cases);
    add_cases_while_engaged(cases, cruise);
    add_joystick_cases(cases, cruise);

    // In a hover the airspeed sits near 0, where the speed hold's rate term works as a relay.
    if (!cruise)
        for (transient_case& c : cases)
            if (c.name.find("speed") != std::string::npos && c.by_design.empty())
                c.by_design = "the speed hold's rate term is a relay (0.6 degree of pitch reference either way) "
                              "that chatters the elevator about 2 Hz at hover's near-zero airspeed; the hold's "
                              "own limit cycle, not a jump at the change";
    return cases;
}

bool past_limit(const transient_result& r, const transient_limits& limits)
{
    for (int q = 0; q < held_count; ++q)
        if (r.excursion[q] > limits.excursion[q]) return true;
    for (int k = 0; k < control_count; ++k)
        if (r.step[k] > limits.step) return true;
    return false;
}

bool past_by_design(const transient_case& c, const transient_result& r)
{
    if (c.by_design.empty()) return false;
    if (!c.design_only_if_still) return true;
    for (double step : r.step)
        if (step != 0.0) return false;
    return true;
}

namespace {

// Follows the frames after the change.
struct transient_watch {
    bool watching = false, have_start = false;
    host_readings start{};
    axis_positions previous{};
    transient_result result;

    static double quantity(const host_readings& r, int q)
    {
        switch (q) {
        case held_bank: return r.bank;
        case held_pitch: return r.pitch;
        case held_heading: return r.heading;
        case held_height: return r.altitude;
        default: return r.airspeed * kmh_per_knot;
        }
    }

    void frame(const frame_record& record)
    {
        const double controls[control_count] = {record.axes.aileron, record.axes.elevator, record.axes.rudder,
                                                record.axes.collective};
        const double before[control_count] = {previous.aileron, previous.elevator, previous.rudder,
                                              previous.collective};
        previous = record.axes;
        if (!watching) {
            start = record.readings;
            have_start = true;
            return;
        }
        if (!have_start) {
            start = record.readings;
            have_start = true;
        }
        std::array<double, 1 + held_count + control_count> row{};
        row[0] = result.trace.size() * virtual_devices.step / static_cast<double>(virtual_devices.frequency);
        for (int q = 0; q < held_count; ++q) {
            double deviation = quantity(record.readings, q) - quantity(start, q);
            if (q == held_heading) deviation = wrapped_degrees(deviation);
            row[1 + q] = deviation;
            result.excursion[q] = std::fmax(result.excursion[q], std::fabs(deviation));
        }
        for (int c = 0; c < control_count; ++c) {
            row[1 + held_count + c] = controls[c];
            result.step[c] = std::fmax(result.step[c], std::fabs(controls[c] - before[c]));
        }
        result.trace.push_back(row);
    }
};

transient_result fly_one(const transient_flight& flight, const transient_case& c)
{
    flight_session session;
    session.set_aircraft(flight.aircraft);
    std::vector<std::pair<std::string, std::string>> options = flight.gain_options;
    options.insert(options.end(), c.options.begin(), c.options.end());
    session.set_options(options);
    for (int q = 0; q < held_count; ++q) session.want(static_cast<held_quantity>(q), {true, 0.0});
    if (flight.condition == flight_condition::cruise) session.start_level(cruise_kmh, cruise_height, 0.0);
    else session.start_hover(hover_height, 0.0);
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = c.joystick != joystick_at_connect::missing;
    stick.has_z = stick.has_r = c.joystick == joystick_at_connect::full || c.joystick == joystick_at_connect::never_read;
    stick.failing = c.joystick == joystick_at_connect::never_read;

    GaugeHost host(linked_module());
    transient_cockpit cockpit(host, session);
    transient_watch watch;
    watch.previous = session.axes();
    session.observe([&watch](const frame_record& record) { watch.frame(record); });

    double trimmed_bank = 0.0;
    if (!c.open_at_change) {
        cockpit.open();
        cockpit.fly(before_opening);
        trimmed_bank = session.last_readings().bank;
        c.before(cockpit, trimmed_bank);
    }
    watch.watching = true;
    if (c.open_at_change) cockpit.open();
    c.change(cockpit, trimmed_bank);
    const double watched = watch.result.trace.size() * virtual_devices.step / static_cast<double>(virtual_devices.frequency);
    cockpit.fly(flight.seconds - watched);
    watch.result.ok = true;
    return watch.result;
}

std::string result_text(const transient_result& r)
{
    std::ostringstream text;
    text.precision(17);
    text << "e";
    for (double e : r.excursion) text << " " << e;
    text << "\ns";
    for (double s : r.step) text << " " << s;
    text << "\n";
    for (const auto& row : r.trace) {
        text << "t";
        for (double v : row) text << " " << v;
        text << "\n";
    }
    return text.str();
}

transient_result read_result(bool ok, const std::string& text)
{
    transient_result r;
    r.ok = ok;
    if (!ok) {
        r.failure = text;
        return r;
    }
    for_each_tagged_line(text, [&r](const std::string& tag, std::istream& words) {
        if (tag == "e") {
            for (double& e : r.excursion) words >> e;
        } else if (tag == "s") {
            for (double& s : r.step) words >> s;
        } else if (tag == "t") {
            std::array<double, 1 + held_count + control_count> row{};
            for (double& v : row) words >> v;
            r.trace.push_back(row);
        }
    });
    return r;
}

}  // namespace

std::vector<transient_result> fly_transients(const transient_flight& flight, const std::vector<transient_case>& cases,
                                             int jobs)
{
    std::vector<std::function<std::string()>> tasks;
    for (const transient_case& c : cases)
        tasks.push_back([&flight, &c]() { return result_text(fly_one(flight, c)); });
    std::vector<transient_result> results;
    for (const flight_result& flown : run_flights(tasks, jobs)) results.push_back(read_result(flown.ok, flown.text));
    return results;
}
