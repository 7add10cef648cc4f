// The registry of the script language's commands: each command word one entry with its usage and
// its parser, which checks the line's words when the script is parsed (before anything runs) and
// gives what running the line does. gaugehost's own commands are entered first (own_commands.cpp);
// an extension, the flight simulator among them, adds its words before main runs.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/gaugehost/script/script.h"

class script_line;

struct script_word {
    std::string usage;  // "click GAUGE X Y [N]"
    std::string help;   // lines that say more, without indentation; may be empty
    // Checks the line (its words[0] is the word) through script_line's checks, which throw
    // script_error, and gives what running it does.
    std::function<script_action(const script_line& line)> parse;
    bool own = false;  // gaugehost's own, rather than an extension's
};

// The entry of a word, or nullptr.
const script_word* find_script_word(const std::string& word);

// What an extension adds, for each of its words.
struct extension_command {
    // One line for gaugehost --help, e.g. "fly SECONDS".
    std::string usage;
    // What is wrong with the line's words (words[0] is the command), or an empty string.
    std::function<std::string(const std::vector<std::string>& words)> check;
    // Runs a checked line against the host; the module's events go to out as JSON lines. A line
    // that cannot be carried out throws a std::exception saying why: gaugehost stops there,
    // prints it with the line's number and exits 3.
    std::function<void(const std::vector<std::string>& words, GaugeHost& host, std::ostream& out)> run;
};

// Adds an extension's word; a word registered twice, or one of gaugehost's own, throws
// std::logic_error.
void add_script_command(const std::string& word, extension_command command);

// The language's usage for gaugehost --help, generated from the registry: gaugehost's own
// commands, then those added by extensions.
std::string script_language_usage();

// A word of the script as a message quotes it: 'WORD', with a NUL byte shown as \0 and other
// control bytes as \xHH, and a word longer than 60 bytes cut to its first 40, as 'WORD...' (N bytes).
std::string quoted_word(const std::string& word);

// Registers extension commands before main runs: a namespace-scope object of this type in an
// extension's source (linked into the program as an object file, not from an archive).
struct script_command_registration {
    explicit script_command_registration(void (*register_commands)()) { register_commands(); }
};

// gaugehost's own words, in the order the usage lists them (own_commands.cpp).
std::vector<std::pair<std::string, script_word>> own_script_words();
