#include "tools/gaugehost/commands/panel_commands.h"

#include <iostream>

#include "platform/virtual_devices.h"
#include "tools/gaugehost/commands/host_module.h"
#include "tools/gaugehost/panel/panel_check.h"
#include "tools/gaugehost/panel/panel_install.h"
#include "tools/gaugehost/panel/panel_render.h"

namespace {

// The module loaded and a host made of it; what the command does with them; exit 1 when the
// module cannot be loaded or faults.
int with_host(const command_args& args, const std::function<int(GaugeHost&, const std::string& module_path)>& work)
{
    try {
        const host_module module(args);
        GaugeHost host(module.records(), module.beside());
        return work(host, module.path());
    } catch (const module_load_error& error) {
        std::cerr << "gaugehost: " << error.what() << "\n";
        return 1;
    } catch (const module_fault& fault) {
        std::cerr << "gaugehost: " << args.text("--module") << ": " << fault.what() << "\n";
        return 1;
    }
}

// The panel file read as the simulator reads it; exit 2 when it cannot be.
int with_panel(const std::string& path, const std::function<int(const panel_layout&)>& work)
{
    panel_layout panel;
    try {
        panel = read_panel_file(path);
    } catch (const panel_file_error& error) {
        std::cerr << "gaugehost: " << error.what() << "\n";
        return 2;
    }
    return work(panel);
}

tool_command panel_command(const std::string& name, const std::string& words, size_t word_count, const std::string& summary,
                           const std::string& description, const std::string& exit_status,
                           std::function<int(const command_args&)> run)
{
    tool_command c;
    c.name = name;
    c.summary = summary;
    c.words = words;
    c.least_words = c.most_words = word_count;
    c.description = description;
    c.options = module_options();
    c.exit_status = exit_status;
    c.run = std::move(run);
    return c;
}

int check(const command_args& args)
{
    const std::string path = args.words()[0];
    return with_panel(path, [&](const panel_layout& panel) {
        return with_host(args, [&](GaugeHost& host, const std::string&) {
            return panel_check_command(host, panel, path, host.module_name(), std::cout);
        });
    });
}

int render(const command_args& args)
{
    const std::string path = args.words()[0], folder = args.words()[1];
    return with_panel(path, [&](const panel_layout& panel) {
        return with_host(args, [&](GaugeHost& host, const std::string&) {
            set_virtual_executable_path(own_executable_path());
            host.open();
            host.frame(1);
            return panel_render_command(host, panel, path, host.module_name(), folder, std::cout);
        });
    });
}

}  // namespace

std::vector<tool_command> panel_commands()
{
    return {
        panel_command("panel-check", "PANEL.CFG", 1, "what in an aircraft's panel.cfg keeps the module's gauges from working",
                      "Reads an aircraft's panel.cfg as the simulator does and prints, with line numbers, what\n"
                      "keeps the module's gauges from working: a misspelt module or gauge name, a missing comma,\n"
                      "A_Pilot missing or on a window that never opens or starts closed, a gauge number used\n"
                      "twice in a window, a section given twice, a gauge stretched out of its picture's\n"
                      "proportions, a window without a title, a UTF-8 mark; and, as notes, A_Pilot in one\n"
                      "cockpit of two (one per cockpit is right) or twice in one, a gauge past its window's edge.\n",
                      "Exit status: 0 when nothing is wrong (notes aside), 1 with findings, 2 when the file cannot\n"
                      "be read or the command line is bad.\n",
                      check),
        panel_command("panel-render", "PANEL.CFG FOLDER", 2, "each window of the panel that holds the module's gauges, drawn",
                      "Draws each window of the panel that holds the module's gauges into FOLDER/WINDOW.png,\n"
                      "placed and scaled as the panel says (one pixel per size_mm unit; a virtual cockpit at its\n"
                      "pixel_size), the module's gauges as the host draws them after an open and a frame, others\n"
                      "as labelled boxes. Pictures of an earlier run are removed first, nothing else in FOLDER.\n",
                      "Exit status: 0; 1 when a picture cannot be drawn or written, or the module cannot be\n"
                      "loaded; 2 when the panel cannot be read or the command line is bad.\n",
                      render),
        panel_command("panel-install", "PANEL.CFG", 1, "the module merged into an aircraft's panel.cfg",
                      "Merges the module into the panel.cfg: two windows (Autopilot, Autopilot Joystick\n"
                      "Channels) at the next free window numbers, A_Pilot on the main panel and in the first\n"
                      "virtual cockpit; encoding, line ends, comments and order kept; the original kept once as\n"
                      "PANEL.CFG.before_brask_torvik; the result checked by panel-check, then written whole or\n"
                      "not at all.\n",
                      "Exit status: 0 when installed or installed already, 1 when refused (nothing written), 2\n"
                      "when the file cannot be read or the command line is bad.\n",
                      [](const command_args& args) {
                          return with_host(args, [&](GaugeHost& host, const std::string&) {
                              return panel_install_command(host, args.words()[0], std::cout);
                          });
                      }),
        panel_command("panel-uninstall", "PANEL.CFG", 1, "what panel-install added, taken out",
                      "Takes out of the panel.cfg exactly what panel-install added.\n",
                      "Exit status: as panel-install.\n",
                      [](const command_args& args) {
                          return with_host(args, [&](GaugeHost& host, const std::string&) {
                              return panel_uninstall_command(host, args.words()[0], std::cout);
                          });
                      }),
    };
}
