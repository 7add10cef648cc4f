// The gnuplot script that draws a flight's CSV log.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools/flightsim/session/held_quantity.h"

// Writes PATH (NAME.gp) for NAME.csv: attitude, heading, height, speed and the four commands
// against time, the periods engaged shaded, dashed lines for what was ever held.
// Runs gnuplot on the script NAME.gp in folder, which draws NAME.png there. Returns the picture's
// path, or the script's when gnuplot is missing or fails (often so on Windows: the script and its
// data stay for a pilot who installs gnuplot).
std::string draw_plot(const std::string& folder, const std::string& name);

void write_plot_script(const std::string& path, const std::string& name,
                       const std::vector<std::pair<double, double>>& engaged_periods,
                       const bool (&ever_held)[held_count]);
