// gaugehost: loads a gauge module, plays the host's part as a script directs, and prints what
// the module did as JSON lines.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/virtual_devices.h"
#include "tools/gaugehost/gauge_host.h"
#include "tools/gaugehost/panel_check.h"
#include "tools/gaugehost/panel_install.h"
#include "tools/gaugehost/panel_render.h"
#include "tools/gaugehost/script.h"
#include "tools/gaugehost/script_commands.h"
#include "tools/gaugehost/script_runner.h"

#ifdef _WIN32
#include <windows.h>

#include "tools/gaugehost/win32_module_loader.h"
#else
#include <unistd.h>

#include <memory>

#include "tools/gaugehost/emulated_module.h"
#include "tools/gaugehost/linked_module.h"
#endif

namespace {

const char* const usage_head =
    "usage: gaugehost [--module PATH [--host-precision 24|53] [--poison-stack BYTE]] [SCRIPT | -]\n"
    "       gaugehost [--module PATH] panel-check PANEL.CFG\n"
    "       gaugehost [--module PATH] panel-render PANEL.CFG FOLDER\n"
    "       gaugehost [--module PATH] panel-install PANEL.CFG | panel-uninstall PANEL.CFG\n"
    "\n"
    "Loads a gauge module, plays the host's part as SCRIPT directs (standard input when SCRIPT\n"
    "is '-' or absent), and prints what the module did as JSON lines.\n"
    "\n"
    "  --module PATH  the module file (.gau) to load: with LoadLibrary on the Windows build, into\n"
    "                 an emulated 32-bit machine on the native build; without it the native\n"
    "                 build runs the module linked into it\n"
    "  --host-precision BITS\n"
    "                 native build with --module: the x87 precision the host calls the module\n"
    "                 with, 53 (Windows' default, control word 0x027F) or 24 (0x007F, as a\n"
    "                 Direct3D device created without FPU preservation leaves it); default 53\n"
    "  --poison-stack BYTE\n"
    "                 native build with --module: fill the stack below every call into the module\n"
    "                 with BYTE (0 to 255), so that a read of a variable never set shows in the\n"
    "                 output when two runs with two patterns are compared\n"
    "  panel-check PANEL.CFG\n"
    "                 reads an aircraft's panel.cfg as the simulator does and prints, with line\n"
    "                 numbers, what keeps the module's gauges from working: a misspelt module or\n"
    "                 gauge name, a missing comma, A_Pilot missing or on a window that never\n"
    "                 opens or starts closed, a gauge number used twice in a window, a section\n"
    "                 given twice, a gauge stretched out of its picture's proportions, a window\n"
    "                 without a title, a UTF-8 mark; and, as notes, A_Pilot in one cockpit of\n"
    "                 two (one per cockpit is right) or twice in one, a gauge past its window's\n"
    "                 edge; exit 0 when nothing is wrong (notes aside), 1 with findings, 2 when\n"
    "                 the file cannot be read\n"
    "  panel-render PANEL.CFG FOLDER\n"
    "                 draws each window of the panel that holds the module's gauges into\n"
    "                 FOLDER/WINDOW.png, placed and scaled as the panel says (one pixel per\n"
    "                 size_mm unit; a virtual cockpit at its pixel_size), the module's gauges as\n"
    "                 the host draws them after an open and a frame, others as labelled boxes;\n"
    "                 pictures of an earlier run are removed first, nothing else in FOLDER\n"
    "  panel-install PANEL.CFG\n"
    "                 merges the module into the panel.cfg: two windows (Autopilot, Autopilot\n"
    "                 Joystick Channels) at the next free window numbers, A_Pilot on the main\n"
    "                 panel and in the first virtual cockpit; encoding, line ends, comments and\n"
    "                 order kept; the original kept once as PANEL.CFG.before_brask_torvik; the\n"
    "                 result checked by panel-check, then written whole or not at all. Exit 0\n"
    "                 when installed or installed already, 1 when refused (nothing written), 2\n"
    "                 when the file cannot be read\n"
    "  panel-uninstall PANEL.CFG\n"
    "                 takes out exactly what panel-install added; exit as panel-install\n"
    "  --help         this text\n"
    "\n"
    "Commands, one a line ('#' starts a comment):\n"
    "  exe PATH | var TOKEN VALUE ... | clock F STEP | clock at C\n"
    "  joystick ID absent | present [z] [r] | fail | KEY=VALUE ...   (x y z r buttons flags)\n"
    "  open | frame [N] | service GAUGE ID | click GAUGE X Y [N] | show GAUGE | stats | close\n"
    "  render GAUGE FILE.png [SCALE]   (the gauge as the host draws it, SCALE times enlarged)\n"
    "  panel FILE      before open: one instance of a gauge for every line of the aircraft's\n"
    "                  panel.cfg that names it, in its window (visible=0: the window starts closed);\n"
    "                  the checker's findings are printed first\n"
    "  serve listed|reversed|by-window [closed] [apart TICKS]\n"
    "                  the order of the instances within a frame (the simulator's is not\n"
    "                  documented): as the panel lists them, the reverse, or window by window each\n"
    "                  updated and drawn; closed: a closed window's instances still get updated;\n"
    "                  apart: the counter ticks that pass from one instance's update to the next\n"
    "  window NAME open|close   the pilot opens or closes a window (Window01, VCockpit01...)\n"
    "  reload          the panel is loaded again: every instance killed, then installed again\n";

const char* const usage_tail =
    "\nExit status: 0 after a run, 1 when the module cannot be loaded or its code faults, 2 for a\n"
    "bad script (nothing run), 3 when a line cannot be carried out (what ran before it has been\n"
    "printed).\n";

// The usage, with the commands that extensions linked into this program add.
std::string usage()
{
    std::string text = usage_head;
    const std::vector<std::string> added = script_command_usage();
    if (!added.empty()) text += "Added by extensions:\n";
    for (const std::string& line : added) text += "  " + line + "\n";
    return text + usage_tail;
}

std::string own_executable_path()
{
#ifdef _WIN32
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
#else
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
#endif
}

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

}  // namespace

int main(int argc, char** argv)
{
    std::string module_path;
    uint16_t host_control_word = 0x027F;
    int stack_poison = -1;
    std::string script_name = "-", panel_command, panel_path, render_folder;
    bool have_script = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::cout << usage();
            return 0;
        }
        if (argument == "--module") {
            if (i + 1 >= argc) {
                std::cerr << "gaugehost: --module needs a path\n" << usage();
                return 2;
            }
            module_path = argv[++i];
        } else if (argument == "--host-precision") {
            const std::string bits = i + 1 < argc ? argv[++i] : "";
            if (bits != "24" && bits != "53") {
                std::cerr << "gaugehost: --host-precision takes 24 or 53\n" << usage();
                return 2;
            }
            host_control_word = bits == "24" ? 0x007F : 0x027F;
        } else if (argument == "--poison-stack") {
            const std::string pattern = i + 1 < argc ? argv[++i] : "";
            char* end = nullptr;
            const long value = std::strtol(pattern.c_str(), &end, 0);
            if (pattern.empty() || *end != '\0' || value < 0 || value > 255) {
                std::cerr << "gaugehost: --poison-stack takes a byte, 0 to 255 (0xA5 say)\n" << usage();
                return 2;
            }
            stack_poison = static_cast<int>(value);
        } else if (argument == "panel-render" && !have_script && panel_path.empty()) {
            if (i + 2 >= argc) {
                std::cerr << "gaugehost: panel-render needs a panel.cfg and a folder\n" << usage();
                return 2;
            }
            panel_command = argument;
            panel_path = argv[++i];
            render_folder = argv[++i];
        } else if ((argument == "panel-check" || argument == "panel-install" || argument == "panel-uninstall") &&
                   !have_script && panel_path.empty()) {
            if (i + 1 >= argc) {
                std::cerr << "gaugehost: " << argument << " needs a panel.cfg\n" << usage();
                return 2;
            }
            panel_command = argument;
            panel_path = argv[++i];
        } else if (!have_script && panel_path.empty() && (argument == "-" || argument.rfind("-", 0) != 0)) {
            script_name = argument;
            have_script = true;
        } else {
            std::cerr << "gaugehost: unexpected argument '" << argument << "'\n" << usage();
            return 2;
        }
    }

#ifdef _WIN32
    (void)host_control_word;  // the real host's own word: Wine's
    (void)stack_poison;       // the real stack
    if (module_path.empty()) {
        std::cerr << "gaugehost: --module PATH names the module file to load\n";
        return 1;
    }
    loaded_module loaded{};
    std::string load_error;
    if (!load_gauge_module(module_path.c_str(), loaded, load_error)) {
        std::cerr << "gaugehost: " << load_error << "\n";
        return 1;
    }
    const module_records module = {loaded.linkage, loaded.import_table, loaded.handle, module_name_of(module_path), {}};
#else
    std::unique_ptr<emulated_module> emulated;
    if (!module_path.empty()) {
        try {
            emulated_options options;
            options.host_control_word = host_control_word;
            options.stack_poison = stack_poison;
            emulated = std::make_unique<emulated_module>(module_path, options);
        } catch (const std::exception& error) {
            std::cerr << "gaugehost: " << module_path << ": " << error.what() << "\n";
            return 1;
        }
    }
    const module_records module = emulated ? emulated->records() : linked_module();
#endif

    if (panel_command == "panel-install" || panel_command == "panel-uninstall") {
        GaugeHost host(module);
        return panel_command == "panel-install" ? panel_install_command(host, panel_path, std::cout)
                                                : panel_uninstall_command(host, panel_path, std::cout);
    }
    if (!panel_path.empty()) {
        GaugeHost host(module);
        const std::string& module_name = host.module_name();
        panel_layout panel;
        try {
            panel = read_panel_file(panel_path);
        } catch (const panel_file_error& error) {
            std::cerr << "gaugehost: " << error.what() << "\n";
            return 2;
        }
        if (render_folder.empty()) return panel_check_command(host, panel, panel_path, module_name, std::cout);
        virtual_devices.executable_path = own_executable_path();
        try {
            host.open();
            host.frame(1);
        } catch (const module_fault& fault) {
            std::cerr << "gaugehost: " << module_path << ": " << fault.what() << "\n";
            return 1;
        }
        return panel_render_command(host, panel, panel_path, module_name, render_folder, std::cout);
    }

    std::string text;
    if (!read_script(script_name, text)) {
        std::cerr << "gaugehost: cannot read script '" << script_name << "'\n";
        return 2;
    }

    virtual_devices.executable_path = own_executable_path();
    GaugeHost host(module);
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
        std::cerr << "gaugehost: " << module_path << ": " << fault.what() << "\n";
        return 1;
    }
    std::cout.flush();
    return 0;
}
