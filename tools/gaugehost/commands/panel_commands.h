// gaugehost's commands on a pilot's panel.cfg: panel-check, panel-render, panel-install and
// panel-uninstall, each a record of the tools' command line (tools/common/command_line.h).
#pragma once

#include <vector>

#include "tools/common/command_line.h"

std::vector<tool_command> panel_commands();
