// Runs a checked script against the virtual host and prints what the module did.
#pragma once

#include <ostream>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/script/script.h"

// Prints the module's events recorded since the last call as JSON lines, and forgets them; every
// command's run is followed by it, and a command that runs frames calls it after each.
void print_events(GaugeHost& host, std::ostream& out);

// A command that cannot be carried out (an extension's failure) stops the script: script_error
// with its line and why.
void run_script(const std::vector<script_command>& commands, GaugeHost& host, std::ostream& out);
