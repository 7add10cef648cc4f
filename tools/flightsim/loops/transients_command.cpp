// flightsim transients: every change flown from hover and from level flight, one table per
// aircraft, a plot for each change that goes past a limit.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/loops/flight_options.h"
#include "tools/flightsim/loops/flyable.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "tools/flightsim/loops/gain_set.h"
#include "tools/flightsim/loops/transients.h"
#include "tools/flightsim/session/flight_plot.h"

namespace {

const transient_limits limits;

std::string slug(const std::string& text)
{
    std::string s;
    for (char ch : text) {
        const bool word = std::isalnum(static_cast<unsigned char>(ch)) != 0;
        if (word) s += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        else if (!s.empty() && s.back() != '_') s += '_';
    }
    while (!s.empty() && s.back() == '_') s.pop_back();
    return s;
}

// Deviations and controls after the change, two panels; the picture's path, or its script's where
// gnuplot did not draw it.
std::string plot(const std::string& folder, const std::string& stem, const std::string& title,
                 const transient_result& r)
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    {
        std::ofstream data(fs::path(folder) / (stem + ".dat"));
        data << "# s, deviations of bank pitch heading (deg) height (m) speed (km/h), aileron elevator rudder collective\n";
        for (const auto& row : r.trace) {
            for (double v : row) data << v << " ";
            data << "\n";
        }
    }
    std::ofstream gp(fs::path(folder) / (stem + ".gp"));
    gp << "set terminal pngcairo size 1000,800 font \",10\" noenhanced\n"
       << "set output '" << stem << ".png'\nset grid\nset key outside right\n"
       << "set multiplot layout 2,1 title '" << title << "'\nset xlabel 's after the change'\n"
       << "set ylabel 'from the value at the change'\n"
       << "plot '" << stem << ".dat' using 1:2 with lines title 'bank, deg', '' using 1:3 with lines title 'pitch, deg', "
       << "'' using 1:4 with lines title 'heading, deg', '' using 1:5 with lines title 'height, m', "
       << "'' using 1:6 with lines title 'speed, km/h'\n"
       << "set ylabel 'axis units'\n"
       << "plot '" << stem << ".dat' using 1:7 with steps title 'aileron', '' using 1:8 with steps title 'elevator', "
       << "'' using 1:9 with steps title 'rudder', '' using 1:10 with steps title 'collective'\n"
       << "unset multiplot\n";
    gp.close();
    return draw_plot(folder, stem);
}

std::string cell(double value, double limit, int precision)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f%s", precision, value, value > limit ? "*" : " ");
    return text;
}

// What the table collects beside its rows: the reasons of rows past a limit by the design, the
// plots written, and whether any row failed or went past a limit not by the design.
struct transient_table {
    std::vector<std::string> reasons, pictures;
    bool any_fault = false, any_failure = false;
};

// One row: the change's excursions and steps, each past its limit marked, and its verdict; a plot
// of a change past a limit.
void print_row(const transient_case& c, const transient_result& r, flight_condition condition, const std::string& aircraft,
               const std::string& plots, transient_table& table)
{
    if (!r.ok) {
        std::printf("  %-40s not flown: %s\n", c.name.c_str(), r.failure.c_str());
        table.any_failure = true;
        return;
    }
    const bool past = past_limit(r, limits);
    const bool design = past && past_by_design(c, r);
    std::string verdict = past ? (design ? "design" : "PAST A LIMIT") : "";
    if (design) {
        auto known = std::find(table.reasons.begin(), table.reasons.end(), c.by_design);
        if (known == table.reasons.end()) known = table.reasons.insert(table.reasons.end(), c.by_design);
        verdict += " (" + std::to_string(known - table.reasons.begin() + 1) + ")";
    }
    table.any_fault = table.any_fault || (past && !design);
    std::printf("  %-40s", c.name.c_str());
    for (int q = 0; q < held_count; ++q) std::printf(" %7s", cell(r.excursion[q], limits.excursion[q], q == held_speed ? 1 : 2).c_str());
    std::printf(" |");
    for (int k = 0; k < control_count; ++k) std::printf(" %*s", k == 3 ? 10 : 8, cell(r.step[k], limits.step, 0).c_str());
    std::printf("  %s\n", verdict.c_str());
    if (!past) return;
    const std::string where = condition == flight_condition::hover ? "hover" : "cruise";
    const std::string picture =
        plot(plots, "transient_" + slug(aircraft) + "_" + where + "_" + slug(c.name), aircraft + ", from " + where + ": " + c.name, r);
    if (!picture.empty()) table.pictures.push_back(picture);
}

// Every chosen change flown from one start condition, and its table.
void fly_condition(transient_flight& flight, flight_condition condition, const std::string& only, int jobs,
                   const std::string& aircraft, const std::string& plots, transient_table& table)
{
    std::vector<transient_case> cases;
    for (transient_case& c : transient_cases(condition))
        if (only.empty() || c.name.find(only) != std::string::npos) cases.push_back(std::move(c));
    if (cases.empty()) return;
    flight.condition = condition;
    const std::vector<transient_result> results = fly_transients(flight, cases, jobs);
    std::printf("\nfrom %s\n", condition == flight_condition::hover ? "hover, 30 m" : "level flight, 150 km/h, 150 m");
    std::printf("  %-40s %7s %7s %7s %7s %7s | %8s %8s %8s %10s  %s\n", "change", "bank", "pitch", "heading", "height", "speed",
                "aileron", "elevator", "rudder", "collective", "");
    for (size_t i = 0; i < cases.size(); ++i) print_row(cases[i], results[i], condition, aircraft, plots, table);
}

int run_transients(const command_args& args)
{
    const std::string config_path = args.text("--config"), only = args.text("--only");
    std::string plots = args.text("--plots");
    const int jobs = static_cast<int>(args.whole("--jobs", 2));
    aircraft_file aircraft;
    if (!read_flyable_aircraft(args.text("--aircraft"), "transients", aircraft)) return 2;
    if (hover_only(aircraft.parameters)) {
        std::cerr << "flightsim transients: " << aircraft.path << ": " << aircraft.name
                  << " flies the hover only, and the mode changes are flown in cruise too\n";
        return 2;
    }
    if (!config_path.empty() && !std::filesystem::is_regular_file(config_path)) {
        std::cerr << "flightsim transients: " << config_path << ": cannot be read\n";
        return 2;
    }
    transient_flight flight;
    flight.aircraft = aircraft.parameters;
    if (!config_path.empty()) {
        const gain_values gains = read_gains(config_path);
        for (int i = 0; i < gain_count; ++i) flight.gain_options.push_back({gain_keys[i].key, gain_text(gains[i])});
    }
    if (plots.empty()) {
        const char* directory = std::getenv("GAUGEHOST_FLIGHT_DIR");
        plots = directory != nullptr && *directory != '\0' ? directory : ".";
    }

    std::cout << "Transients, " << aircraft.name << ", gains from "
              << (config_path.empty() ? std::string("the module's defaults") : config_path) << "\n"
              << "(calm air, sticks still; over the 10 s after each change, the largest excursion from the value at\n"
              << " the change, and the largest one-frame step of each of the host's controls in axis units;\n"
              << " * past a limit: bank and pitch 2 deg, heading 3 deg, height 2 m, speed 5 km/h, step 2000)\n";
    transient_table table;
    for (flight_condition condition : {flight_condition::hover, flight_condition::cruise})
        fly_condition(flight, condition, only, jobs, aircraft.name, plots, table);
    for (size_t i = 0; i < table.reasons.size(); ++i) std::printf("  (%zu) %s\n", i + 1, table.reasons[i].c_str());
    for (const std::string& picture : table.pictures)
        std::printf("%s: %s\n", picture.ends_with(".png") ? "plot" : "plot's gnuplot script (gnuplot did not draw it)",
                    picture.c_str());
    std::fflush(stdout);
    if (table.any_failure) return 1;
    return table.any_fault ? 3 : 0;
}

}  // namespace

tool_command transients_command()
{
    tool_command c;
    c.name = "transients";
    c.summary = "what the pilot feels at each mode change";
    c.description =
        "From a trimmed hover 30 m up and from level flight at 150 km/h, in calm air with the pilot's\n"
        "sticks still, makes each change a pilot can make (engaging with every set of holds, each\n"
        "switch, the trims and stick buttons, a connect, a reassigned channel, a joystick missing or\n"
        "unplugged) and watches the 10 s after it: the largest one-frame step of each of the host's\n"
        "controls, and the largest excursion of bank, pitch, heading, height and airspeed from their\n"
        "values at the change. Prints one table; writes a plot for each change past a limit.\n";
    c.options = {aircraft_option(), gains_config_option(),
                 {"--plots", "DIR", "where the plots go (default: $GAUGEHOST_FLIGHT_DIR, else the current folder)"},
                 jobs_option(), {"--only", "TEXT", "only the changes whose name contains TEXT"}};
    c.exit_status =
        "Limits: bank and pitch 2 deg, heading 3 deg, height 2 m, speed 5 km/h, a control's step 2000\n"
        "axis units in one frame. A row marked 'design' goes past a limit by the design, for the reason\n"
        "given under the table, and does not count.\n"
        "\n"
        "Exit status: 0; 3 when a change not marked 'design' goes past a limit; 2 for bad input (an\n"
        "aircraft file with a missing or non-physical parameter, or one that does not trim both in a\n"
        "hover and at 150 km/h, found before any flight); 1 when a flight could not be flown.\n";
    c.run = run_transients;
    return c;
}
