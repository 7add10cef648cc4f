// The fifteen gains of the configuration file's [a_pilot] section, as the tools that fly and tune
// them hold them: read from a configuration file exactly as the module reads them, and written
// as text the module reads back as the same numbers.
#pragma once

#include <array>
#include <filesystem>
#include <iterator>
#include <string>

#include "config/configuration_keys.h"

// In the configuration file's order (gain_keys, the module's table): heading, roll, pitch, height,
// speed; each kp, kd, ki.
constexpr int gain_count = static_cast<int>(std::size(gain_keys));

using gain_values = std::array<double, gain_count>;

// The gains a connect reads when the file has none of the keys.
gain_values default_gains();

// The gains the module reads from the configuration file at path (the platform's profile reader
// and the module's number conversion); a missing file or key gives its default.
gain_values read_gains(const std::string& path);

// A gain as the file's text: the shortest text that reads back as the same double, with ".0" on
// whole numbers, as the sample file writes them.
std::string gain_text(double value);

// The value rounded to four significant digits (what the tuner flies and writes).
double four_digits(double value);

// A configuration file for a flight: the gains and the four default channel assignments (the
// flights' sticks are joystick 1's axes X, Y, Z, R).
std::string flight_configuration(const gain_values& gains);

// A simulator folder of one flight's own, in the temporary folder: gauges/brask_torvik.cfg holds
// the flight's configuration, and the virtual executable lies beside gauges/. Removed with all it
// holds when the flight is over.
struct flight_folder {
    flight_folder(const std::string& kind, const gain_values& gains);
    ~flight_folder();
    flight_folder(const flight_folder&) = delete;
    flight_folder& operator=(const flight_folder&) = delete;

    std::filesystem::path path;
};
