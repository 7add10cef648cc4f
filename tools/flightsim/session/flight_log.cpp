#include "tools/flightsim/session/flight_log.h"

#include <iterator>
#include <stdexcept>

#include "tools/flightsim/session/flight_report.h"
#include "tools/flightsim/model/sim_math.h"

using flight_report::fixed;

void flight_log::open(const std::string& path)
{
    csv_.open(path, std::ios::binary);
    if (!csv_) throw std::runtime_error("cannot write " + path);
    csv_ << "time_s,host_time_s,paused,on_ground,engaged,heading_hold,height_hold,radio_source,speed_hold,"
            "bank_deg,bank_target,pitch_deg,pitch_target,heading_deg,heading_target,heading_unwrapped_deg,"
            "heading_target_unwrapped,altitude_m,radio_height_m,"
            "height_target,ground_m,airspeed_kmh,speed_target,vertical_speed_ms,turn_rate_dps,"
            "roll_cmd,pitch_cmd,pedal_cmd,collective_cmd,aileron,elevator,rudder,collective,"
            "north_m,east_m,wind_north_ms,wind_east_ms,wind_down_ms\n";
}

void flight_log::write(const frame_record& f)
{
    const host_readings& r = f.readings;
    if (first_) heading_unwrapped_ = r.heading;
    else heading_unwrapped_ += sim::wrap(r.heading - last_heading_ + 180.0, 360.0) - 180.0;
    first_ = false;
    last_heading_ = r.heading;
    if (!csv_.is_open()) return;
    const expectation& e = f.expected;
    const cockpit_lamps& lamps = f.lamps;
    auto target = [&](held_quantity q, int precision) { return e.held[q] ? fixed(e.target[q], precision) : std::string(); };
    std::string row;
    row.reserve(400);
    const std::string fields[] = {
        fixed(f.sim_time, 3), fixed(f.host_time, 3), f.paused ? "1" : "0", r.on_ground != 0.0 ? "1" : "0",
        lamps.master ? "1" : "0", lamps.master && lamps.heading_active ? "1" : "0",
        lamps.master && lamps.height_on ? "1" : "0", lamps.source_radio ? "1" : "0",
        lamps.master && lamps.speed_active ? "1" : "0",
        fixed(r.bank, 3), target(held_bank, 3), fixed(r.pitch, 3), target(held_pitch, 3),
        fixed(r.heading, 3), target(held_heading, 3), fixed(heading_unwrapped_, 3),
        e.held[held_heading]
            ? fixed(heading_unwrapped_ - (sim::wrap(r.heading - e.target[held_heading] + 180.0, 360.0) - 180.0), 3)
            : std::string(),
        fixed(r.altitude, 3), fixed(r.radio_height, 3),
        target(held_height, 3), fixed(f.ground, 3),
        fixed(r.airspeed * kmh_per_knot, 3), target(held_speed, 3), fixed(r.vertical_speed / 256.0, 3),
        fixed(r.turn_rate / turn_rate_units_per_degree, 3),
        fixed(f.commands[0], 0), fixed(f.commands[1], 0), fixed(f.commands[2], 0), fixed(f.commands[3], 0),
        fixed(f.axes.aileron, 0), fixed(f.axes.elevator, 0), fixed(f.axes.rudder, 0), fixed(f.axes.collective, 0),
        fixed(f.north, 2), fixed(f.east, 2), fixed(f.wind.north, 3), fixed(f.wind.east, 3), fixed(f.wind.down, 3)};
    for (size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) row += ',';
        row += fields[i];
    }
    row += '\n';
    csv_ << row;
}
