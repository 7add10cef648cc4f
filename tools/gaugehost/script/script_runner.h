// Runs a checked script against the virtual host and prints what the module did.
#pragma once

#include <ostream>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/script/script.h"

// A command that cannot be carried out (an extension's failure) stops the script: script_error
// with its line and why.
void run_script(const std::vector<script_command>& commands, GaugeHost& host, std::ostream& out);
