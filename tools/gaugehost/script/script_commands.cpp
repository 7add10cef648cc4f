#include "tools/gaugehost/script/script_commands.h"

#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "tools/gaugehost/script/script_line.h"

namespace {

struct registry {
    std::map<std::string, script_word> words;
    std::vector<std::string> order;

    void add(const std::string& word, script_word entry)
    {
        if (!words.emplace(word, std::move(entry)).second) throw std::logic_error("script command '" + word + "' registered twice");
        order.push_back(word);
    }
};

registry& commands()
{
    // Built on first use, whatever the order of static initialisation, with gaugehost's own words.
    static registry instance = [] {
        registry own;
        for (auto& [word, entry] : own_script_words()) own.add(word, std::move(entry));
        return own;
    }();
    return instance;
}

// "  USAGE" and the help's lines from the help column, the first beside the usage when it fits
// (the options' layout).
void append_usage(std::string& text, const script_word& entry)
{
    constexpr size_t help_column = 19;
    std::string line = "  " + entry.usage;
    if (!entry.help.empty() && line.size() + 2 > help_column) text.append(line).append("\n"), line.clear();
    std::istringstream help(entry.help);
    for (std::string help_line; std::getline(help, help_line); line.clear())
        text.append(line).append(help_column - line.size(), ' ').append(help_line).append("\n");
    if (!line.empty()) text.append(line).append("\n");
}

}  // namespace

const script_word* find_script_word(const std::string& word)
{
    const registry& r = commands();
    const auto found = r.words.find(word);
    return found == r.words.end() ? nullptr : &found->second;
}

void add_script_command(const std::string& word, extension_command command)
{
    registry& r = commands();
    if (const auto found = r.words.find(word); found != r.words.end() && found->second.own)
        throw std::logic_error("script command '" + word + "' is gaugehost's own");
    script_word entry;
    entry.usage = command.usage;
    entry.parse = [command](const script_line& line) -> script_action {
        if (const std::string problem = command.check(line.words()); !problem.empty()) line.fail(problem);
        return [run = command.run, words = line.words()](GaugeHost& host, std::ostream& out) { run(words, host, out); };
    };
    r.add(word, std::move(entry));
}

std::string script_language_usage()
{
    const registry& r = commands();
    std::string own = "Commands, one a line ('#' starts a comment):\n";
    std::string added;
    std::string last_added_usage;
    for (const std::string& word : r.order) {
        const script_word& entry = r.words.at(word);
        if (entry.own) {
            append_usage(own, entry);
        } else if (entry.usage != last_added_usage) {  // several words may share one usage line
            append_usage(added, entry);
            last_added_usage = entry.usage;
        }
    }
    return added.empty() ? own : own + "Added by extensions:\n" + added;
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
