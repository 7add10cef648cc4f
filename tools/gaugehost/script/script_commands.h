// Commands that an extension adds to gaugehost's script language. An extension registers each
// of its command words with a check, made on the line's words when the script is parsed (before
// anything runs), and what running the line does. gaugehost's own commands are not here.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class GaugeHost;

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

// Adds a command word; a word registered twice, or one of gaugehost's own, throws std::logic_error.
void add_script_command(const std::string& word, extension_command command);

// The command registered for a word, or nullptr.
const extension_command* find_script_command(const std::string& word);

// The usage lines of the registered commands, in the order they were added.
std::vector<std::string> script_command_usage();

// A word of the script as a message quotes it: 'WORD', with a NUL byte shown as \0 and other
// control bytes as \xHH, and a word longer than 60 bytes cut to its first 40, as 'WORD...' (N bytes).
std::string quoted_word(const std::string& word);

// Registers extension commands before main runs: a namespace-scope object of this type in an
// extension's source (linked into the program as an object file, not from an archive).
struct script_command_registration {
    explicit script_command_registration(void (*register_commands)()) { register_commands(); }
};
