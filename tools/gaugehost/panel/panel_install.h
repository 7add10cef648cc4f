// gaugehost panel-install and panel-uninstall: the module's gauges merged into a pilot's panel.cfg
// as the simulator reads it, and taken out again.
//
// Install appends the module's two windows to [Window Titles] at the next free window numbers,
// with their sections at the end of the file behind a marking comment; puts the engine gauge
// (A_Pilot) on the main panel, [Window00], at its next free gauge number, and into the first
// virtual cockpit when there is one. Every other byte stays as it was: the encoding, the line
// ends, comments, order and letter case. Uninstall removes exactly those lines.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/panel/panel_check.h"

// What an install or uninstall makes of a file's bytes.
struct panel_edit {
    enum class outcome { changed, unchanged, refused } result = outcome::unchanged;
    std::string bytes;              // the new file when changed
    std::vector<std::string> said;  // what was done, or why nothing was, one sentence each
};

// The module's name without ".gau", and its engine gauge.
panel_edit install_into_panel(const std::string& bytes, const std::string& module_name, const std::string& engine);
panel_edit uninstall_from_panel(const std::string& bytes, const std::string& module_name, const std::string& engine);

// The file a first install keeps the original in, beside the panel.cfg.
std::string panel_backup_path(const std::string& path);

// gaugehost panel-install PANEL.CFG / panel-uninstall PANEL.CFG: reads the file, edits it, checks
// the result with panel-check (install), keeps the original (install, once), and replaces the file
// atomically. Returns 0 when done or nothing needed doing, 1 when refused (nothing written), 2 when
// the file cannot be read.
int panel_install_command(GaugeHost& host, const std::string& path, std::ostream& out);
int panel_uninstall_command(GaugeHost& host, const std::string& path, std::ostream& out);
