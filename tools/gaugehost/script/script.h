// gaugehost's script language: one command a line, '#' starts a comment, words separated by
// blanks; a UTF-8 byte-order mark at the start is skipped. A script is parsed and checked whole
// before anything runs; each command word is one entry of the script commands' registry
// (script_commands.h), gaugehost's own and the extensions' alike.
#pragma once

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

class GaugeHost;

struct script_error : std::runtime_error {
    script_error(int line_number, const std::string& what) : std::runtime_error(what), line(line_number) {}
    int line;
};

// What running a checked line does; a line that cannot be carried out throws a std::exception
// saying why.
using script_action = std::function<void(GaugeHost& host, std::ostream& out)>;

struct script_command {
    int line = 0;
    std::string word;  // the command word
    script_action run;
};

// Parses the whole script; is_gauge tells whether a name is a gauge the module declares.
// Throws script_error for the first bad line.
std::vector<script_command> parse_script(const std::string& text,
                                         const std::function<bool(const std::string&)>& is_gauge);
