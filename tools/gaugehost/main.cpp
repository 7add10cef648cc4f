// gaugehost: loads a gauge module, plays the host's part as a script directs, and prints what
// the module did as JSON lines; or works on a pilot's panel.cfg (panel_commands.h).
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/gaugehost/commands/host_module.h"
#include "tools/gaugehost/commands/panel_commands.h"
#include "tools/gaugehost/commands/script_file_command.h"
#include "tools/gaugehost/script/script_commands.h"

namespace {

// The whole usage: the script's form, each panel command, the script language.
std::string usage(const std::vector<tool_command>& panel)
{
    const tool_command script = script_file_command();
    std::string text = command_usage("gaugehost", script);
    text = text.substr(0, text.find("\nExit status"));
    for (const tool_command& c : panel)
        text.append("  ").append(c.name).append(" ").append(c.words).append("\n                   ").append(c.summary).append("\n");
    text.append("\n").append(script_language_usage()).append("\n").append(script.exit_status);
    return text.append("'gaugehost COMMAND --help' says more of each panel command.\n");
}

// The first argument that is neither an option nor an option's value: a command's name, or the script.
size_t first_word(const std::vector<std::string>& arguments)
{
    const std::vector<command_option> options = module_options();
    for (size_t i = 0; i < arguments.size(); ++i) {
        const auto option = std::find_if(options.begin(), options.end(), [&](const command_option& o) { return o.name == arguments[i]; });
        if (option == options.end()) return arguments[i].rfind("--", 0) == 0 ? arguments.size() : i;
        i += option->value.empty() ? 0 : 1;
    }
    return arguments.size();
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const std::vector<tool_command> panel = panel_commands();
    const size_t word = first_word(arguments);
    if (word < arguments.size()) {
        const auto command = std::find_if(panel.begin(), panel.end(), [&](const tool_command& c) { return c.name == arguments[word]; });
        if (command != panel.end()) {
            arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(word));
            return run_tool_command("gaugehost", *command, arguments, std::cout, std::cerr);
        }
    }
    if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end() ||
        std::find(arguments.begin(), arguments.end(), "-h") != arguments.end()) {
        std::cout << usage(panel);
        return 0;
    }
    return run_tool_command("gaugehost", script_file_command(), arguments, std::cout, std::cerr);
}
