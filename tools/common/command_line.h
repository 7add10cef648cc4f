// The tools' commands and their command lines: each command one record with its usage, its
// options and its run; one parser for every command of every tool, with one message style for a
// bad command line (exit 2) and the usage texts generated from the records.
#pragma once

#include <functional>
#include <iosfwd>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

// A bad command line; its text says what, without the tool's name.
struct command_line_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct command_option {
    std::string name;   // "--aircraft"
    std::string value;  // what its value is, "FILE"; empty for a switch that takes none
    std::string help;   // one or more lines, without indentation
    // A value that must be a whole number from low to high (decimal, or hexadecimal after 0x);
    // low > high: any text.
    long long low = 1, high = 0;
    std::vector<std::string> choices{};  // when not empty, the only values it takes
};

struct tool_command;

// The options given, each once, and the words that are not options.
class command_args {
public:
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    std::string text(const std::string& name, const std::string& otherwise = "") const;
    // The value of an option whose record gives a range, as the number the parser checked it to be.
    long long whole(const std::string& name, long long otherwise) const;
    const std::vector<std::string>& words() const { return words_; }

private:
    friend command_args parse_command_line(const tool_command&, const std::vector<std::string>&);
    std::map<std::string, std::string> values_;
    std::vector<std::string> words_;
};

struct tool_command {
    std::string name;                  // the word after the tool's name: "tune"
    std::string summary;               // one line, for the tool's own usage
    std::string words;                 // what follows the options in the usage line ("PANEL.CFG"), if anything
    size_t least_words = 0, most_words = 0;
    std::string description;           // paragraphs after the usage line, without indentation
    std::vector<command_option> options;
    std::string exit_status;           // the closing paragraph
    std::function<int(const command_args&)> run;
};

// Throws command_line_error for an unknown or repeated option, an option without its value, or
// too few or too many words.
command_args parse_command_line(const tool_command& command, const std::vector<std::string>& arguments);

std::string usage_line(const std::string& tool, const tool_command& command);
std::string command_usage(const std::string& tool, const tool_command& command);

// Runs the command on the arguments after its name: --help prints its usage (exit 0); a bad
// command line prints "TOOL NAME: WHAT", the usage line and where more is said, on err (exit 2).
int run_tool_command(const std::string& tool, const tool_command& command, const std::vector<std::string>& arguments,
                     std::ostream& out, std::ostream& err);

// A tool of several commands: argv[1] names the command (or --help).
int run_tool(const std::string& tool, const std::string& about, const std::vector<tool_command>& commands, int argc,
             char** argv);
std::string tool_usage(const std::string& tool, const std::string& about, const std::vector<tool_command>& commands);
