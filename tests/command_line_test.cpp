// Bad command lines, as people type them, to every command of the tools: one message style (the
// tool and command, what is wrong, the usage line), exit 2, and nothing run.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/flightsim/margins.h"
#include "tools/flightsim/transients.h"
#include "tools/flightsim/tuner.h"

namespace {

struct bad_line {
    tool_command (*command)();
    std::vector<std::string> arguments;
    const char* says;
};

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
        EXPECT_EQ(run_tool_command("flightsim", command, b.arguments, out, err), 2) << b.says;
        EXPECT_FALSE(ran) << b.says;
        EXPECT_EQ(err.str().rfind(std::string(b.says) + "\nusage: flightsim " + command.name + " [", 0), 0u) << err.str();
        EXPECT_TRUE(out.str().empty());
    }
}

TEST(CommandLine, HelpPrintsTheUsageFromTheCommandsOwnRecord)
{
    std::ostringstream out, err;
    EXPECT_EQ(run_tool_command("flightsim", tune_command(), {"--jobs", "3", "--help"}, out, err), 0);
    EXPECT_EQ(out.str().rfind("usage: flightsim tune [--aircraft FILE] [--config CFG] [--out CFG] [--seed N] [--rounds N] [--jobs N]\n", 0), 0u);
    EXPECT_NE(out.str().find("\n  --rounds N       searches one after another"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\n                   1, at most 9)"), std::string::npos) << out.str();
    EXPECT_TRUE(err.str().empty());
}

}  // namespace
