// The script command "panel FILE": the host's gauge instances placed as an aircraft's panel.cfg
// places them. Every gauge line of a window the simulator creates that names one of the module's
// gauges (module and gauge letter for letter) becomes an instance of its own in that window; a
// window with visible=0 starts closed. What the panel checker finds is printed first, as the
// simulator would silently skip those lines.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/panel/panel_file.h"

// The most instances a panel may give the module's gauges.
constexpr size_t most_panel_instances = 160;

// The instances a panel gives the module's gauges, in the order the host lists them: the 2D
// windows by number, then the virtual cockpits, the gauges of each by number.
std::vector<instance_place> panel_places(const GaugeHost& host, const panel_layout& panel);

// Reads the file, prints each finding and then the instances placed as JSON lines, and places
// them. Throws std::runtime_error for a file that cannot be read or holds too many instances.
void place_panel(GaugeHost& host, const std::string& path, std::ostream& out);
