#include "tools/flightsim/session/pilot_expectation.h"

#include <optional>
#include <stdexcept>
#include <string>

#include "tools/flightsim/model/sim_math.h"
#include "tools/gaugehost/host/gauge_host.h"

// A lit lamp is the element's first image (value 0); the panel's places: 3 heading, 4 engage,
// 5 height, 6 radio source; the speed-hold lamp's place 2.
cockpit_gauges find_cockpit(const GaugeHost& host)
{
    cockpit_gauges found;
    if (GAUGEHDR* panel = host.find_gauge("AP_Panel_1")) {
        found.heading = GaugeHost::element_at(panel, 3);
        found.master = GaugeHost::element_at(panel, 4);
        found.height = GaugeHost::element_at(panel, 5);
        found.source_radio = GaugeHost::element_at(panel, 6);
    }
    if (GAUGEHDR* lamp = host.find_gauge("V_Lamp")) found.speed = GaugeHost::element_at(lamp, 2);
    return found;
}

cockpit_lamps read_cockpit(const cockpit_gauges& gauges)
{
    auto lit = [](ELEMENT_HEADER* element) {
        const std::optional<double> value = GaugeHost::element_value(element);
        return value && *value == 0.0;
    };
    cockpit_lamps lamps;
    lamps.heading_active = lit(gauges.heading);
    lamps.master = lit(gauges.master);
    lamps.height_on = lit(gauges.height);
    lamps.source_radio = lit(gauges.source_radio);
    lamps.speed_active = lit(gauges.speed);
    return lamps;
}

void pilot_expectation::want(held_quantity quantity, const wanted_value& wanted)
{
    wanted_[quantity] = wanted;
    stated_[quantity] = true;
}

void pilot_expectation::before_cycle(const cockpit_lamps& lamps, const host_readings& last)
{
    const double selected_height = lamps.source_radio ? last.radio_height : last.altitude;
    const bool height_held = lamps.master && lamps.height_on;
    if ((height_held && !(last_.master && last_.height_on)) || lamps.source_radio != last_.source_radio)
        captured_[held_height] = selected_height;
    if (lamps.master && !last_.master) captured_[held_pitch] = last.pitch;
    last_.master = lamps.master;
    last_.height_on = lamps.height_on;
    last_.source_radio = lamps.source_radio;
}

void pilot_expectation::after_cycle(const cockpit_lamps& lamps, const host_readings& readings, const host_readings& last)
{
    if (lamps.speed_active && !last_.speed_active) captured_[held_speed] = readings.airspeed * kmh_per_knot;
    if (lamps.master && !lamps.speed_active && last_.speed_active) captured_[held_pitch] = last.pitch;
    if (lamps.heading_active && !last_.heading_active) captured_[held_heading] = readings.heading;
    last_ = lamps;
}

expectation pilot_expectation::expected(const cockpit_lamps& lamps) const
{
    expectation e;
    e.held[held_bank] = lamps.master;
    e.held[held_pitch] = lamps.master && !lamps.speed_active;
    e.held[held_heading] = lamps.master && lamps.heading_active;
    e.held[held_height] = lamps.master && lamps.height_on;
    e.held[held_speed] = lamps.master && lamps.speed_active;
    for (int i = 0; i < held_count; ++i) {
        if (!e.held[i]) continue;
        const held_quantity q = static_cast<held_quantity>(i);
        if (!stated_[i])
            throw std::runtime_error(std::string("the autopilot holds the ") + held_name(q) +
                                     " but the scenario does not say what it wants held ('want " + held_name(q) +
                                     " VALUE' or 'want " + held_name(q) + " captured')");
        const wanted_value& w = wanted_[i];
        e.target[i] = w.captured ? captured_[i] + w.value : w.value;
        if (q == held_heading) e.target[i] = sim::wrap(e.target[i], 360.0);
    }
    return e;
}
