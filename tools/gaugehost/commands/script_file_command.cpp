#include "tools/gaugehost/commands/script_file_command.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <vector>

#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/commands/host_module.h"
#include "tools/gaugehost/script/script.h"
#include "tools/gaugehost/script/script_commands.h"
#include "tools/gaugehost/script/script_runner.h"

namespace {

bool read_script(const std::string& name, std::string& text)
{
    std::stringstream buffer;
    if (name == "-") {
        buffer << std::cin.rdbuf();
    } else {
        std::ifstream file(name, std::ios::binary);
        if (!file) return false;
        buffer << file.rdbuf();
    }
    text = buffer.str();
    return true;
}

// A script read whole and checked before anything runs (exit 2), then run (exit 3 for a line that
// cannot be carried out, 1 for a fault of the module's code).
int run_script_file(const command_args& args)
{
    const std::string script_name = args.words().empty() ? "-" : args.words()[0];
    std::string text;
    if (!read_script(script_name, text)) {
        std::cerr << "gaugehost: cannot read script '" << script_name << "'\n";
        return 2;
    }
    try {
        const host_module module(args);
        set_virtual_executable_path(own_executable_path());
        GaugeHost host(module.records(), module.beside());
        std::vector<script_command> commands;
        try {
            commands = parse_script(text, [&host](const std::string& name) { return host.find_gauge(name) != nullptr; });
        } catch (const script_error& error) {
            std::cerr << "gaugehost: " << error.line << ": " << error.what() << "\n";
            return 2;
        }
        std::ios::sync_with_stdio(false);
        try {
            run_script(commands, host, std::cout);
        } catch (const script_error& error) {
            std::cout.flush();
            std::cerr << "gaugehost: " << error.line << ": " << error.what() << "\n";
            return 3;
        } catch (const module_fault& fault) {
            // A fault of the module's code ends the script with the error that names it.
            std::cout.flush();
            std::cerr << "gaugehost: " << module.path() << ": " << fault.what() << "\n";
            return 1;
        }
    } catch (const module_load_error& error) {
        std::cerr << "gaugehost: " << error.what() << "\n";
        return 1;
    }
    std::cout.flush();
    return 0;
}

}  // namespace

tool_command script_file_command()
{
    tool_command c;
    c.summary = "plays the host's part as SCRIPT directs";
    c.words = "[SCRIPT | -]";
    c.most_words = 1;
    c.description = "Loads a gauge module, plays the host's part as SCRIPT directs (standard input when SCRIPT\n"
                    "is '-' or absent), and prints what the module did as JSON lines.\n";
    c.options = module_options();
    c.exit_status = "Exit status: 0 after a run, 1 when the module cannot be loaded or its code faults, 2 for a\n"
                    "bad script or command line (nothing run), 3 when a line cannot be carried out (what ran\n"
                    "before it has been printed).\n";
    c.run = run_script_file;
    return c;
}
