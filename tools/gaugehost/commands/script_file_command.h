// gaugehost's first command: a script read whole and checked, then the host's part played as
// it directs, what the module did printed as JSON lines.
#pragma once

#include <string>

#include "tools/common/command_line.h"

tool_command script_file_command();
