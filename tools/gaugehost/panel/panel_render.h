// gaugehost panel-render: each window of a panel.cfg that holds our gauges drawn as the simulator
// places and scales them, our gauges by the renderer, every other gauge as a labelled box.
#pragma once

#include <iosfwd>
#include <string>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/panel/panel_file.h"

// Writes FOLDER/WINDOW.png for each window the simulator creates that holds a gauge of
// module_name, at one pixel per size_mm unit (a virtual cockpit: at its pixel_size), and prints
// one line a picture (path names the panel file), or why nothing was drawn. Pictures of an earlier
// run (WindowNN.png, VCockpitNN.png) are removed first; nothing else in the folder is touched.
// The host must be open. Returns 0, or 1 when a picture cannot be drawn or written.
int panel_render_command(GaugeHost& host, const panel_layout& panel, const std::string& path, const std::string& module_name,
                         const std::string& folder, std::ostream& out);
