// flightsim: the flight model on its own, for judging the plant.
//
//   flightsim --derivatives [--aircraft FILE]   hover stability derivatives beside the published ones
//   flightsim --trim [--aircraft FILE]          trimmed controls and attitudes from hover to 250 km/h
//   flightsim margins ...                       the autopilot's loops' stability margins (margins.h)
//   flightsim tune ...                          gains tuned for an aircraft (tuner.h)
//   flightsim transients ...                    what the pilot feels at each mode change (transients.h)
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "tools/flightsim/aircraft_file.h"
#include "tools/flightsim/sim_math.h"
#include "tools/flightsim/trim.h"
#ifdef FLIGHTSIM_LOOP_TOOLS
#include "tools/flightsim/margins.h"
#include "tools/flightsim/transients.h"
#include "tools/flightsim/tuner.h"
#endif

namespace {

const char* const usage =
    "usage: flightsim --derivatives | --trim [--aircraft FILE]\n"
    "       flightsim margins | tune | transients ...   (native build; --help after the word for more)\n"
    "\n"
    "  --derivatives    the model's hover stability derivatives (numerical linearisation about the\n"
    "                   hover trim, disc tilt settled) beside the published hover values\n"
    "  --trim           trimmed controls and attitudes in level flight from hover to 250 km/h\n"
    "  --aircraft FILE  parameters from FILE instead of the built-in bo105.aircraft\n";

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
        model_outputs out;
        state_vector dx;
        model.derivatives(t.state, t.controls, condition.air, terrain(-1e6), dx, &out);
        std::printf("%6d %10.4f %8.4f %8.4f %8.4f %8.2f %8.2f %8.0f %9.1e\n", kmh, t.controls.collective,
                    t.controls.longitudinal, t.controls.lateral, t.controls.pedal,
                    t.state[s_theta] * sim::degrees_per_radian, t.state[s_phi] * sim::degrees_per_radian, out.thrust,
                    t.residual);
    }
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef FLIGHTSIM_LOOP_TOOLS
    if (argc > 1 && std::string(argv[1]) == "margins") return margins_command(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "tune") return tune_command(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "transients") return transients_command(argc, argv);
#endif
    std::string what, aircraft_file;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << usage;
            return 0;
        }
        if (argument == "--derivatives" || argument == "--trim") {
            what = argument;
        } else if (argument == "--aircraft" && i + 1 < argc) {
            aircraft_file = argv[++i];
        } else {
            std::cerr << "flightsim: unexpected argument '" << argument << "'\n" << usage;
            return 2;
        }
    }
    if (what.empty()) {
        std::cerr << usage;
        return 2;
    }
    try {
        const rotorcraft_model model(read_aircraft_file(aircraft_file).parameters);
        if (what == "--derivatives") print_derivatives(model);
        else print_trims(model);
    } catch (const aircraft_file_error& error) {
        std::cerr << "flightsim: " << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "flightsim: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
