#include "tools/flightsim/aircraft/aircraft_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

struct physical_rule {
    const char* name;
    double aircraft_parameters::*field;
    double least;      // the value must be above this (or at least this, when inclusive)
    bool inclusive;
    const char* reason;
};

#define FIELD(name) #name, &aircraft_parameters::name
const physical_rule rules[] = {
    {FIELD(mass), 0.0, false, "a mass must be positive"},
    {FIELD(inertia_roll), 0.0, false, "an inertia must be positive"},
    {FIELD(inertia_pitch), 0.0, false, "an inertia must be positive"},
    {FIELD(inertia_yaw), 0.0, false, "an inertia must be positive"},
    {FIELD(rotor_radius), 0.0, false, "the rotor's radius must be positive"},
    {FIELD(rotor_blades), 1.0, true, "a rotor has at least one blade"},
    {FIELD(rotor_chord), 0.0, false, "a blade's chord must be positive"},
    {FIELD(rotor_speed), 0.0, false, "the rotor must turn"},
    {FIELD(blade_lift_slope), 0.0, false, "a blade's lift slope must be positive"},
    {FIELD(blade_drag), 0.0, true, "a drag coefficient cannot be negative"},
    {FIELD(blade_flap_inertia), 0.0, false, "a blade's flap inertia must be positive"},
    {FIELD(flap_frequency), 0.0, false, "the flap frequency must be positive"},
    {FIELD(tail_rotor_radius), 0.0, false, "the tail rotor's radius must be positive"},
    {FIELD(tail_rotor_blades), 1.0, true, "a rotor has at least one blade"},
    {FIELD(tail_rotor_chord), 0.0, false, "a blade's chord must be positive"},
    {FIELD(tail_rotor_speed), 0.0, false, "the tail rotor must turn"},
    {FIELD(tail_rotor_lift_slope), 0.0, false, "a blade's lift slope must be positive"},
    {FIELD(tail_rotor_drag), 0.0, true, "a drag coefficient cannot be negative"},
    {FIELD(tail_rotor_arm), 0.0, false, "the tail rotor must sit behind the main rotor (arm positive)"},
    {FIELD(stabiliser_area), 0.0, true, "an area cannot be negative"},
    {FIELD(fin_area), 0.0, true, "an area cannot be negative"},
    {FIELD(drag_area_forward), 0.0, true, "a drag area cannot be negative"},
    {FIELD(drag_area_side), 0.0, true, "a drag area cannot be negative"},
    {FIELD(drag_area_vertical), 0.0, true, "a drag area cannot be negative"},
    {FIELD(skid_stiffness), 0.0, false, "the skids' stiffness must be positive"},
    {FIELD(skid_damping), 0.0, true, "a damping cannot be negative"},
    {FIELD(skid_friction), 0.0, true, "a friction coefficient cannot be negative"},
    {FIELD(air_density), 0.0, false, "the air's density must be positive"},
};
#undef FIELD

// The line (1-based) on which a parameter is given; 0 when none.
int line_of(const std::string& text, const std::string& name)
{
    std::istringstream stream(text);
    int number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::string first;
        if (words >> first && first == name) return number;
    }
    return 0;
}

std::string first_comment(const std::string& text)
{
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        const size_t hash = line.find('#');
        if (hash == std::string::npos) continue;
        std::string comment = line.substr(hash + 1);
        const size_t start = comment.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        comment = comment.substr(start);
        while (!comment.empty() && (comment.back() == '\r' || comment.back() == ' ')) comment.pop_back();
        return comment;
    }
    return {};
}

}  // namespace

namespace {

// A line that cannot be: "FILE:LINE: NAME VALUE: REASON".
[[noreturn]] void refuse(const std::string& text, const std::string& file_name, const std::string& name, double value,
                         const std::string& reason)
{
    std::ostringstream message;
    message << file_name << ":" << line_of(text, name) << ": " << name << " " << value << ": " << reason;
    throw aircraft_file_error(message.str());
}

// The numbers a derivative table is taken about, which must make sense whatever the table says.
void check_table(const std::string& text, const derivative_table& table, const std::string& file_name)
{
    auto refuse_line = [&](const std::string& name, double value, const char* reason) { refuse(text, file_name, name, value, reason); };
    if (!(table.length_unit > 0.0)) refuse_line("table_length_unit", table.length_unit, "a unit of length must be positive");
    if (!(table.control_unit > 0.0)) refuse_line("table_control_unit", table.control_unit, "a unit of control must be positive");
    if (!(table.reference_collective >= 0.0 && table.reference_collective <= 1.0))
        refuse_line("table_reference_collective", table.reference_collective, "the lever's position is a fraction from 0 to 1");
    for (int k = 0; k < table_controls; ++k)
        if (table.sense[k] != 1.0 && table.sense[k] != -1.0)
            refuse_line(std::string("table_sense_") + table_control_names[k], table.sense[k], "a sense is 1 or -1");
}

}  // namespace

void check_physical(const std::string& text, const aircraft_parameters& parameters, const std::string& file_name)
{
    if (parameters.table.given) check_table(text, parameters.table, file_name);
    if (!(parameters.speed_limit > 0.0))
        refuse(text, file_name, "speed_limit", parameters.speed_limit, "a speed limit must be positive");
    // A table's actuators must lag; a rotorcraft's may, or act at once (0).
    const double lag = parameters.actuator_lag_s;
    if (!(lag >= minimum_actuator_lag_s) && (parameters.table.given || lag != 0.0))
        refuse(text, file_name, "actuator_lag", lag,
               std::string("an actuator lag must be ") + (parameters.table.given ? "" : "0 (none) or ") +
                   "at least 0.02 s, which the simulation's steps resolve");
    for (const physical_rule& rule : rules) {
        if (parameters.table.given && rotor_parameter(rule.name)) continue;
        const double value = parameters.*rule.field;
        const bool fine = rule.inclusive ? value >= rule.least : value > rule.least;
        if (!fine) refuse(text, file_name, rule.name, value, rule.reason);
    }
    if (parameters.collective_high <= parameters.collective_low) {
        std::ostringstream low;
        low << parameters.collective_low;
        refuse(text, file_name, "collective_high", parameters.collective_high, "must be above collective_low (" + low.str() + ")");
    }
}

aircraft_file read_aircraft_file(const std::string& path)
{
    aircraft_file file;
    file.path = path;
    if (path.empty()) {
        file.name = "bo105";
        file.text = default_aircraft_text();
    } else {
        std::ifstream stream(path, std::ios::binary);
        if (!stream) throw aircraft_file_error(path + ": cannot be read");
        std::stringstream buffer;
        buffer << stream.rdbuf();
        file.text = buffer.str();
        file.name = std::filesystem::path(path).stem().string();
    }
    aircraft_file read = read_aircraft_text(file.text, path.empty() ? "bo105.aircraft (built in)" : path);
    read.path = file.path;
    read.name = file.name;
    return read;
}

aircraft_file read_aircraft_text(const std::string& text, const std::string& shown)
{
    aircraft_file file;
    file.text = text;
    try {
        file.parameters = parse_aircraft(file.text);
    } catch (const std::runtime_error& error) {
        // "aircraft data line N: ..." or "aircraft data: 'NAME' missing"
        std::string what = error.what();
        const std::string line_prefix = "aircraft data line ";
        if (what.rfind(line_prefix, 0) == 0) {
            const size_t colon = what.find(':', line_prefix.size());
            what = shown + ":" + what.substr(line_prefix.size(), colon - line_prefix.size()) + what.substr(colon);
        } else if (what.rfind("aircraft data: ", 0) == 0) {
            what = shown + ": " + what.substr(15);
        }
        throw aircraft_file_error(what);
    }
    check_physical(file.text, file.parameters, shown);
    file.title = first_comment(file.text);
    return file;
}
