#include "tools/gaugehost/script/script_commands.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

namespace {

// gaugehost's own words, which no extension may take.
const char* const host_words[] = {"exe",    "var",   "clock", "joystick", "open",  "frame", "service", "click",
                                  "show",   "render", "stats", "close",    "panel", "serve", "window",  "reload"};

struct registry {
    std::map<std::string, extension_command> commands;
    std::vector<std::string> order;
};

registry& commands()
{
    static registry instance;  // built on first use, whatever the order of static initialisation
    return instance;
}

}  // namespace

void add_script_command(const std::string& word, extension_command command)
{
    for (const char* own : host_words)
        if (word == own) throw std::logic_error("script command '" + word + "' is gaugehost's own");
    registry& r = commands();
    if (!r.commands.emplace(word, std::move(command)).second)
        throw std::logic_error("script command '" + word + "' registered twice");
    r.order.push_back(word);
}

const extension_command* find_script_command(const std::string& word)
{
    const registry& r = commands();
    const auto found = r.commands.find(word);
    return found == r.commands.end() ? nullptr : &found->second;
}

std::vector<std::string> script_command_usage()
{
    std::vector<std::string> lines;
    const registry& r = commands();
    for (const std::string& word : r.order) {
        const std::string& usage = r.commands.at(word).usage;
        if (lines.empty() || lines.back() != usage) lines.push_back(usage);
    }
    return lines;
}

std::string quoted_word(const std::string& word)
{
    constexpr size_t longest = 60, kept = 40;
    size_t shown = word.size();
    if (shown > longest) {
        shown = kept;
        while (shown > 0 && (static_cast<unsigned char>(word[shown]) & 0xC0) == 0x80) --shown;  // whole UTF-8 characters
    }
    std::string text = "'";
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c == 0) {
            text += "\\0";
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            text += escaped;
        } else {
            text += static_cast<char>(c);
        }
    }
    if (shown == word.size()) return text + "'";
    return text + "...' (" + std::to_string(word.size()) + " bytes)";
}
