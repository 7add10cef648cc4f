#include "tools/gaugehost/script/script.h"

#include <sstream>
#include <string_view>

#include "tools/gaugehost/script/script_commands.h"
#include "tools/gaugehost/script/script_line.h"

namespace {
std::vector<std::string> split_words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}
}  // namespace

std::vector<script_command> parse_script(const std::string& text,
                                         const std::function<bool(const std::string&)>& is_gauge)
{
    std::vector<script_command> commands;
    // A byte-order mark, as some editors start a UTF-8 file with, is no part of the first line.
    const std::string_view utf8_mark = "\xEF\xBB\xBF";
    std::istringstream stream(text.starts_with(utf8_mark) ? text.substr(utf8_mark.size()) : text);
    int line_number = 0;
    for (std::string text_line; std::getline(stream, text_line);) {
        ++line_number;
        if (const size_t hash = text_line.find('#'); hash != std::string::npos) text_line.erase(hash);
        if (!text_line.empty() && text_line.back() == '\r') text_line.pop_back();
        std::vector<std::string> words = split_words(text_line);
        if (words.empty()) continue;
        const script_line line(line_number, text_line, std::move(words), is_gauge);
        const script_word* entry = find_script_word(line[0]);
        if (entry == nullptr) line.fail("unknown command " + quoted_word(line[0]));
        commands.push_back({line_number, line[0], entry->parse(line)});
    }
    return commands;
}
