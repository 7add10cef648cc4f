#include "tools/flightsim/model/aircraft.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

struct parameter_slot {
    const char* name;
    double aircraft_parameters::*field;
};

#define SLOT(name) {#name, &aircraft_parameters::name}
const parameter_slot slots[] = {
    SLOT(mass), SLOT(inertia_roll), SLOT(inertia_pitch), SLOT(inertia_yaw),
    SLOT(rotor_radius), SLOT(rotor_blades), SLOT(rotor_chord), SLOT(rotor_speed), SLOT(rotor_direction),
    SLOT(blade_lift_slope), SLOT(blade_twist), SLOT(blade_drag), SLOT(blade_flap_inertia), SLOT(flap_frequency),
    SLOT(hub_height), SLOT(hub_forward), SLOT(shaft_tilt),
    SLOT(collective_low), SLOT(collective_high), SLOT(cyclic_longitudinal), SLOT(cyclic_lateral),
    SLOT(tail_pitch_centre), SLOT(tail_pitch_travel),
    SLOT(tail_rotor_radius), SLOT(tail_rotor_blades), SLOT(tail_rotor_chord), SLOT(tail_rotor_speed),
    SLOT(tail_rotor_lift_slope), SLOT(tail_rotor_drag), SLOT(tail_rotor_arm), SLOT(tail_rotor_height),
    SLOT(stabiliser_area), SLOT(stabiliser_arm), SLOT(stabiliser_lift_slope),
    SLOT(fin_area), SLOT(fin_arm), SLOT(fin_height), SLOT(fin_lift_slope), SLOT(surface_stall_angle),
    SLOT(drag_area_forward), SLOT(drag_area_side), SLOT(drag_area_vertical),
    SLOT(skid_drop), SLOT(skid_forward), SLOT(skid_aft), SLOT(skid_half_track), SLOT(skid_stiffness),
    SLOT(skid_damping), SLOT(skid_friction),
    SLOT(air_density),
};
#undef SLOT

// What a derivative-table aircraft needs of the parameters above: the rest describe the rotor.
const char* const every_aircraft[] = {"mass", "collective_low", "collective_high", "cyclic_longitudinal",
                                      "cyclic_lateral", "tail_pitch_travel", "skid_drop", "air_density"};

struct table_slot {
    std::string name;
    double* field;
};

// The table's lines: its entries, the senses of its inputs, and the numbers it is taken about.
std::vector<table_slot> table_slots(derivative_table& t)
{
    std::vector<table_slot> lines;
    for (int row = 0; row < table_rows; ++row) {
        for (int j = 0; j < table_states; ++j) lines.push_back({table_entry_name(row, table_state_names[j]), &t.by_state[row][j]});
        for (int k = 0; k < table_controls; ++k)
            lines.push_back({table_entry_name(row, table_control_names[k]), &t.by_control[row][k]});
    }
    for (int k = 0; k < table_controls; ++k) lines.push_back({std::string("table_sense_") + table_control_names[k], &t.sense[k]});
    lines.push_back({"table_trim_phi", &t.trim_phi});
    lines.push_back({"table_trim_theta", &t.trim_theta});
    lines.push_back({"table_reference_collective", &t.reference_collective});
    lines.push_back({"table_length_unit", &t.length_unit});
    lines.push_back({"table_control_unit", &t.control_unit});
    return lines;
}

// A table aircraft's hover derivatives in SI units, for flightsim derivatives to show beside the
// flown model's, where the file publishes none of its own.
void publish_table(aircraft_parameters& parameters)
{
    const derivative_table& t = parameters.table;
    const double per_length = 1.0 / t.length_unit;
    const double from_table[8] = {t.by_state[0][0], t.by_state[1][1], t.by_state[2][2], t.by_state[3][3],
                                  t.by_state[4][4], t.by_state[5][5], t.by_state[5][1] * per_length,
                                  t.by_state[4][0] * per_length};
    for (int d = 0; d < 8; ++d)
        if (std::isnan(parameters.published[d])) parameters.published[d] = from_table[d];
}

}  // namespace

bool rotor_parameter(const std::string& name)
{
    for (const parameter_slot& slot : slots)
        if (name == slot.name) return std::find(std::begin(every_aircraft), std::end(every_aircraft), name) == std::end(every_aircraft);
    return false;
}

aircraft_parameters parse_aircraft(const std::string& text)
{
    aircraft_parameters parameters{};
    // Lines any file may give once, and a derivative table must.
    struct optional_line {
        const char* name;
        double aircraft_parameters::*field;
        const char* why_a_table_needs_it;
        bool seen = false;
    } optional[] = {{"speed_limit", &aircraft_parameters::speed_limit, "a derivative table holds up to a speed"},
                    {"actuator_lag", &aircraft_parameters::actuator_lag_s, "a derivative table's controls act through actuators"}};
    for (double& value : parameters.published) value = std::numeric_limits<double>::quiet_NaN();
    std::vector<bool> seen(std::size(slots), false);
    std::vector<table_slot> table = table_slots(parameters.table);
    std::vector<bool> table_seen(table.size(), false);
    std::istringstream stream(text);
    int line_number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++line_number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string name, value, extra;
        if (!(words >> name)) continue;
        const std::string where = "aircraft data line " + std::to_string(line_number) + ": ";
        if (!(words >> value) || (words >> extra)) throw std::runtime_error(where + "expected NAME VALUE");
        double number = 0.0;
        const auto result = std::from_chars(value.data(), value.data() + value.size(), number);
        if (result.ec != std::errc() || result.ptr != value.data() + value.size() || !std::isfinite(number))
            throw std::runtime_error(where + "bad number '" + value + "'");
        if (name.rfind("published_", 0) == 0) {
            size_t d = 0;
            while (d < std::size(published_derivative_names) && name.substr(10) != published_derivative_names[d]) ++d;
            if (d == std::size(published_derivative_names))
                throw std::runtime_error(where + "unknown derivative '" + name + "'");
            if (!std::isnan(parameters.published[d])) throw std::runtime_error(where + "'" + name + "' given twice");
            parameters.published[d] = number;
            continue;
        }
        optional_line* once_line = std::find_if(std::begin(optional), std::end(optional),
                                                   [&](const optional_line& o) { return name == o.name; });
        if (once_line != std::end(optional)) {
            if (once_line->seen) throw std::runtime_error(where + "'" + name + "' given twice");
            parameters.*once_line->field = number;
            once_line->seen = true;
            continue;
        }
        size_t entry = 0;
        while (entry < table.size() && name != table[entry].name) ++entry;
        if (entry < table.size()) {
            if (table_seen[entry]) throw std::runtime_error(where + "'" + name + "' given twice");
            *table[entry].field = number;
            table_seen[entry] = true;
            parameters.table.given = true;
            continue;
        }
        size_t index = 0;
        while (index < std::size(slots) && name != slots[index].name) ++index;
        if (index == std::size(slots)) throw std::runtime_error(where + "unknown parameter '" + name + "'");
        if (seen[index]) throw std::runtime_error(where + "'" + name + "' given twice");
        parameters.*slots[index].field = number;
        seen[index] = true;
    }
    if (parameters.table.given) {
        for (size_t i = 0; i < table.size(); ++i)
            if (!table_seen[i]) throw std::runtime_error("aircraft data: '" + table[i].name + "' missing");
        for (const optional_line& o : optional)
            if (!o.seen)
                throw std::runtime_error(std::string("aircraft data: '") + o.name + "' missing: " + o.why_a_table_needs_it);
        for (size_t i = 0; i < std::size(slots); ++i) {
            if (seen[i] && rotor_parameter(slots[i].name))
                throw std::runtime_error(std::string("aircraft data: '") + slots[i].name +
                                         "' describes a rotor, which a derivative-table aircraft has not");
            if (!seen[i] && !rotor_parameter(slots[i].name))
                throw std::runtime_error(std::string("aircraft data: '") + slots[i].name + "' missing");
            if (!seen[i]) parameters.*slots[i].field = std::numeric_limits<double>::quiet_NaN();
        }
        publish_table(parameters);
        return parameters;
    }
    for (size_t i = 0; i < std::size(slots); ++i)
        if (!seen[i]) throw std::runtime_error(std::string("aircraft data: '") + slots[i].name + "' missing");
    if (parameters.rotor_direction != 1.0 && parameters.rotor_direction != -1.0)
        throw std::runtime_error("aircraft data: rotor_direction must be 1 or -1");
    return parameters;
}

const aircraft_parameters& default_aircraft()
{
    static const aircraft_parameters parameters = parse_aircraft(default_aircraft_text());
    return parameters;
}
