// Bad command lines, as people type them, to the commands of both tools: one message style (the
// tool and command, what is wrong, the usage line), exit 2, and nothing run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/flightsim/loops/margins.h"
#include "tools/flightsim/loops/transients.h"
#include "tools/flightsim/loops/tuner.h"
#include "tools/gaugehost/commands/panel_commands.h"
#include "tools/gaugehost/commands/script_file_command.h"

namespace {

struct bad_line {
    tool_command (*command)();
    std::vector<std::string> arguments;
    const char* says;
    const char* tool = "flightsim";
};

tool_command panel_command(const std::string& name)
{
    for (tool_command& c : panel_commands())
        if (c.name == name) return c;
    ADD_FAILURE() << "no gaugehost command " << name;
    return {};
}
tool_command panel_install() { return panel_command("panel-install"); }
tool_command panel_render() { return panel_command("panel-render"); }

const bad_line bad_lines[] = {
    {tune_command, {"--jobs", "0"}, "flightsim tune: --jobs takes a whole number from 1 to 64, not '0'"},
    {tune_command, {"--rounds", "10"}, "flightsim tune: --rounds takes a whole number from 1 to 9, not '10'"},
    {tune_command, {"--seed", "x"}, "flightsim tune: --seed takes a whole number from 0 to 4294967295, not 'x'"},
    {tune_command, {"--seed", "1", "--seed", "2"}, "flightsim tune: --seed given twice"},
    {tune_command, {"--out"}, "flightsim tune: --out needs a value (CFG)"},
    {tune_command, {"bo105.aircraft"}, "flightsim tune: unexpected argument 'bo105.aircraft'"},
    {margins_command, {"--plot", "x"}, "flightsim margins: unknown option '--plot'"},
    {margins_command, {"--period", "10"}, "flightsim margins: --period takes a whole number from 18 to 3600, not '10'"},
    {transients_command, {"--only"}, "flightsim transients: --only needs a value (TEXT)"},
    {transients_command, {"--jobs", "2", "--jobs", "3"}, "flightsim transients: --jobs given twice"},
    {script_file_command, {"--host-precision", "32"}, "gaugehost: --host-precision takes 24 or 53, not '32'", "gaugehost"},
    {script_file_command, {"--poison-stack", "0x100"}, "gaugehost: --poison-stack takes a whole number from 0 to 255, not '0x100'", "gaugehost"},
    {script_file_command, {"one.gh", "two.gh"}, "gaugehost: unexpected argument 'two.gh'", "gaugehost"},
    {script_file_command, {"--modul", "x.gau"}, "gaugehost: unknown option '--modul'", "gaugehost"},
    {panel_install, {}, "gaugehost panel-install: needs PANEL.CFG", "gaugehost"},
    {panel_install, {"--module"}, "gaugehost panel-install: --module needs a value (PATH)", "gaugehost"},
    {panel_render, {"panel.cfg"}, "gaugehost panel-render: needs PANEL.CFG FOLDER", "gaugehost"},
};

TEST(CommandLine, ABadLineSaysWhatInOneStyleExits2AndRunsNothing)
{
    for (const bad_line& b : bad_lines) {
        tool_command command = b.command();
        bool ran = false;
        command.run = [&ran](const command_args&) {
            ran = true;
            return 0;
        };
        std::ostringstream out, err;
        EXPECT_EQ(run_tool_command(b.tool, command, b.arguments, out, err), 2) << b.says;
        EXPECT_FALSE(ran) << b.says;
        const std::string usage = std::string("usage: ") + b.tool + (command.name.empty() ? "" : " " + command.name) + " [";
        EXPECT_EQ(err.str().rfind(std::string(b.says) + "\n" + usage, 0), 0u) << err.str();
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(CommandLine, HelpPrintsTheUsageFromTheCommandsOwnRecord)
{
    std::ostringstream out, err;
    EXPECT_EQ(run_tool_command("flightsim", tune_command(), {"--jobs", "3", "--help"}, out, err), 0);
    EXPECT_EQ(out.str().rfind("usage: flightsim tune [--aircraft FILE] [--config CFG] [--out CFG] [--seed N] [--judge] [--rounds N] [--jobs N]\n", 0), 0u);
    EXPECT_NE(out.str().find("\n  --rounds N       searches one after another"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\n                   1, at most 9)"), std::string::npos) << out.str();
    EXPECT_TRUE(err.str().empty());
}

}  // namespace
