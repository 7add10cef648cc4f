// The aircraft-file reader on arbitrary text: a file is accepted, or refused with a message that
// names the file first; an accepted one is trimmed in a hover, in bounded time, to a finite state
// or to none found. Nothing crashes.
#include <cmath>
#include <cstdint>
#include <string>

#include "tools/flightsim/aircraft/aircraft_file.h"
#include "tools/flightsim/model/rotorcraft.h"
#include "tools/flightsim/model/trim.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    aircraft_file file;
    try {
        file = read_aircraft_text(text, "fuzz.aircraft");
    } catch (const aircraft_file_error& error) {
        if (std::string(error.what()).rfind("fuzz.aircraft", 0) != 0) __builtin_trap();
        return 0;
    }
    const rotorcraft_model model(file.parameters);
    trim_condition hover;
    hover.altitude = 30.0 + file.parameters.skid_drop;
    hover.air = {0.0, 0.0, 0.0, model.density_at(hover.altitude)};
    const trim_result trim = solve_trim(model, hover);
    if (trim.converged)
        for (double value : trim.state)
            if (!std::isfinite(value)) __builtin_trap();
    return 0;
}
