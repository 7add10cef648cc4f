// gaugehost panel-check: what in a pilot's panel.cfg keeps our gauges from working, in plain
// words with line numbers. Names are compared letter for letter, as the module's gauges must be
// named; a module or gauge name close to one of ours (letter case, a few letters) is taken for a
// misspelling of it.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/panel/panel_file.h"

// A gauge of the module: its name and the size of its own picture in pixels (0 when unknown).
struct module_gauge {
    std::string name;
    int width = 0, height = 0;
};

struct panel_finding {
    int line;  // 0: the file as a whole
    std::string text;
    bool note = false;  // advice only: the module's gauges work as the file stands
};

// Whether any finding keeps the module's gauges from working (a finding that is not a note).
bool panel_has_problems(const std::vector<panel_finding>& findings);

// "1 gauge", "4 gauges".
std::string count_of(size_t count, const std::string& thing);

// module_name: the module file's name without ".gau"; engine: the gauge that runs the
// autopilot, which must be on a window the simulator creates and opens.
std::vector<panel_finding> check_panel(const panel_layout& panel, const std::string& module_name,
                                       const std::vector<module_gauge>& gauges, const std::string& engine);

// The module's gauges as the host has them, each with its root bitmap's size.
std::vector<module_gauge> module_gauges(GaugeHost& host);
// Those of one module the host serves (the recorder's, beside the first).
std::vector<module_gauge> module_gauges(GaugeHost& host, const std::string& module_name);

// Each finding as FILE:LINE: TEXT (a note as FILE:LINE: note: TEXT).
void print_findings(const std::vector<panel_finding>& findings, const std::string& path, std::ostream& out);

// gaugehost panel-check FILE, the file read (path names it): prints each finding, and a line
// saying nothing is wrong when no finding is more than a note; returns 0 then, 1 otherwise.
int panel_check_command(GaugeHost& host, const panel_layout& panel, const std::string& path, const std::string& module_name,
                        std::ostream& out);
