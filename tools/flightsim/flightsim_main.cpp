// flightsim: the flight model on its own, for judging the plant.
//
//   flightsim derivatives [--aircraft FILE]     hover stability derivatives beside the published ones
//   flightsim trim [--aircraft FILE]            trimmed controls and attitudes from hover to 250 km/h
//   flightsim margins ...                       the autopilot's loops' stability margins (margins.h)
//   flightsim tune ...                          gains tuned for an aircraft (tuner.h)
//   flightsim transients ...                    what the pilot feels at each mode change (transients.h)
//   flightsim identify RECORDING.csv            a flight-test recording checked, its sweeps measured
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/model/sim_math.h"
#include "tools/flightsim/model/trim.h"
#ifdef FLIGHTSIM_LOOP_TOOLS
#include "tools/flightsim/identify/identify_command.h"
#include "tools/flightsim/loops/margins.h"
#include "tools/flightsim/loops/transients.h"
#include "tools/flightsim/loops/tuner.h"
#endif

namespace {

void print_derivatives(const rotorcraft_model& model)
{
    std::printf("Hover stability derivatives, per unit mass or inertia\n");
    std::printf("(model: central differences about the hover trim at sea level, disc tilt settled;\n");
    std::printf(" published: the aircraft file's published_ lines, with their source there)\n\n");
    std::printf("%-4s %-10s %10s %10s %7s\n", "", "unit", "model", "published", "ratio");
    for (const stability_derivative& d : hover_derivatives(model)) {
        if (std::isnan(d.reference))
            std::printf("%-4s %-10s %10.4f %10s %7s\n", d.name.c_str(), d.unit.c_str(), d.model, "-", "-");
        else
            std::printf("%-4s %-10s %10.4f %10.4f %7.2f\n", d.name.c_str(), d.unit.c_str(), d.model, d.reference,
                        d.model / d.reference);
    }
}

void print_trims(const rotorcraft_model& model)
{
    std::printf("Level-flight trim at sea level (controls as fractions of their travel: collective 0 down..1 up,\n");
    std::printf("longitudinal +forward, lateral +right, pedal +right; attitudes in degrees)\n\n");
    std::printf("%6s %10s %8s %8s %8s %8s %8s %8s %9s\n", "km/h", "collective", "long.", "lateral", "pedal",
                "pitch", "roll", "thrust N", "residual");
    for (int kmh = 0; kmh <= 250; kmh += 25) {
        air_state air;
        air.density = model.parameters().air_density;
        const trim_condition condition = level_flight(kmh / 3.6, 0.0, 0.0, air);
        const trim_result t = solve_trim(model, condition);
        if (!t.refusal.empty()) {
            std::printf("%6d   none: %s\n", kmh, t.refusal.c_str());
            continue;
        }
        model_outputs out;
        state_vector dx;
        model.derivatives(t.state, t.controls, condition.air, terrain(-1e6), dx, &out);
        std::printf("%6d %10.4f %8.4f %8.4f %8.4f %8.2f %8.2f %8.0f %9.1e\n", kmh, t.controls.collective,
                    t.controls.longitudinal, t.controls.lateral, t.controls.pedal,
                    t.state[s_theta] * sim::degrees_per_radian, t.state[s_phi] * sim::degrees_per_radian, out.thrust,
                    t.residual);
    }
}

// The model's own commands: derivatives and trims for an aircraft file.
tool_command model_command(const std::string& name, const std::string& summary, const std::string& description,
                           void (*print)(const rotorcraft_model&))
{
    tool_command c;
    c.name = name;
    c.summary = summary;
    c.description = description;
    c.options = {{"--aircraft", "FILE", "parameters from FILE instead of the built-in bo105.aircraft"}};
    c.exit_status = "Exit status: 0; 2 for an aircraft file that cannot be read or is not physical; 1 when the model fails.\n";
    c.run = [name, print](const command_args& args) {
        try {
            print(rotorcraft_model(read_aircraft_file(args.text("--aircraft")).parameters));
        } catch (const aircraft_file_error& error) {
            std::cerr << "flightsim " << name << ": " << error.what() << "\n";
            return 2;
        } catch (const std::exception& error) {
            std::cerr << "flightsim " << name << ": " << error.what() << "\n";
            return 1;
        }
        return 0;
    };
    return c;
}

std::vector<tool_command> flightsim_commands()
{
    std::vector<tool_command> commands = {
        model_command("derivatives", "the model's hover stability derivatives beside the published ones",
                      "The model's hover stability derivatives (numerical linearisation about the hover trim,\n"
                      "disc tilt settled) beside the published hover values of the aircraft file.\n",
                      print_derivatives),
        model_command("trim", "trimmed controls and attitudes in level flight from hover to 250 km/h",
                      "Trimmed controls and attitudes in level flight at sea level from hover to 250 km/h.\n", print_trims),
    };
#ifdef FLIGHTSIM_LOOP_TOOLS
    commands.push_back(identify_command());
    commands.push_back(margins_command());
    commands.push_back(tune_command());
    commands.push_back(transients_command());
#endif
    return commands;
}

}  // namespace

int main(int argc, char** argv)
{
    // The model's commands were switches once (flightsim --derivatives): the old spelling still works.
    std::vector<char*> arguments(argv, argv + argc);
    std::string word = argc > 1 ? argv[1] : "";
    if (word == "--derivatives" || word == "--trim") {
        word = word.substr(2);
        arguments[1] = word.data();
    }
    return run_tool("flightsim", "The helicopter flight model of the tests, on its own and flown by the autopilot.",
                    flightsim_commands(), argc, arguments.data());
}
