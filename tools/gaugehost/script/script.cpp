#include "tools/gaugehost/script/script.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>
#include <string_view>

#include "tools/gaugehost/script/script_commands.h"

namespace {

constexpr int64_t max_render_scale = 16;

std::vector<std::string> split_words(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    for (std::string word; stream >> word;) words.push_back(word);
    return words;
}

template <typename Integer>
bool parse_integer(const std::string& word, Integer& value)
{
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

bool parse_value(const std::string& word, double& value)
{
    if (word == "nan") return value = std::numeric_limits<double>::quiet_NaN(), true;
    if (word == "inf") return value = std::numeric_limits<double>::infinity(), true;
    if (word == "-inf") return value = -std::numeric_limits<double>::infinity(), true;
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value, std::chars_format::general);
    return result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

class line_parser {
public:
    line_parser(int line, std::vector<std::string> words, const std::function<bool(const std::string&)>& is_gauge)
        : line_(line), words_(std::move(words)), is_gauge_(is_gauge)
    {
        command_.line = line;
    }

    [[noreturn]] void fail(const std::string& what) const { throw script_error(line_, what); }

    void expect_words(size_t least, size_t most) const
    {
        if (words_.size() < least || words_.size() > most)
            fail("'" + words_[0] + "' takes " +
                 (least == most ? std::to_string(least - 1) : std::to_string(least - 1) + " to " + std::to_string(most - 1)) +
                 " arguments");
    }

    template <typename Integer>
    Integer integer(size_t index, const char* what, Integer least = std::numeric_limits<Integer>::min()) const
    {
        Integer value{};
        if (!parse_integer(words_[index], value) || value < least) fail("bad " + std::string(what) + " " + quoted_word(words_[index]));
        return value;
    }

    std::string gauge(size_t index) const
    {
        if (!is_gauge_(words_[index])) fail("no gauge named " + quoted_word(words_[index]));
        return words_[index];
    }

    int64_t joystick_id() const
    {
        const int64_t id = integer<int64_t>(1, "joystick id", 0);
        if (id > 1) fail("joystick id must be 0 or 1");
        return id;
    }

    script_command parse()
    {
        const std::string& name = words_[0];
        if (name == "var") return parse_var();
        if (name == "clock") return parse_clock();
        if (name == "joystick") return parse_joystick();
        if (name == "open" || name == "stats" || name == "close" || name == "reload") {
            expect_words(1, 1);
            command_.kind = name == "open"    ? command_kind::open
                            : name == "stats" ? command_kind::stats
                            : name == "close" ? command_kind::close
                                              : command_kind::reload;
            return command_;
        }
        if (name == "panel") {
            expect_words(2, 2);
            command_.kind = command_kind::panel;
            command_.text = words_[1];
            return command_;
        }
        if (name == "serve") return parse_serve();
        if (name == "window") {
            expect_words(3, 3);
            if (words_[2] != "open" && words_[2] != "close") fail("'window' takes a window's name and open or close");
            command_.kind = command_kind::window;
            command_.text = words_[1];
            command_.first = words_[2] == "open" ? 1 : 0;
            return command_;
        }
        if (name == "frame") {
            expect_words(1, 2);
            command_.kind = command_kind::frame;
            command_.first = words_.size() == 2 ? integer<int64_t>(1, "frame count", 0) : 1;
            return command_;
        }
        if (name == "service") {
            expect_words(3, 3);
            command_.kind = command_kind::service;
            command_.text = gauge(1);
            command_.first = integer<int32_t>(2, "service id");
            return command_;
        }
        if (name == "click") {
            expect_words(4, 5);
            command_.kind = command_kind::click;
            command_.text = gauge(1);
            command_.first = integer<int32_t>(2, "x");
            command_.second = integer<int32_t>(3, "y");
            command_.count = words_.size() == 5 ? integer<int64_t>(4, "click count", 0) : 1;
            return command_;
        }
        if (name == "show") {
            expect_words(2, 2);
            command_.kind = command_kind::show;
            command_.text = gauge(1);
            return command_;
        }
        if (name == "render") {
            expect_words(3, 4);
            command_.kind = command_kind::render;
            command_.text = gauge(1);
            command_.file = words_[2];
            command_.count = words_.size() == 4 ? integer<int64_t>(3, "scale", 1) : 1;
            if (command_.count > max_render_scale) fail("scale must be 1 to " + std::to_string(max_render_scale));
            return command_;
        }
        if (const extension_command* extension = find_script_command(name)) {
            if (const std::string problem = extension->check(words_); !problem.empty()) fail(problem);
            command_.kind = command_kind::extension;
            command_.words = words_;
            return command_;
        }
        fail("unknown command " + quoted_word(name));
    }

private:
    script_command parse_var()
    {
        if (words_.size() < 3 || words_.size() % 2 == 0) fail("'var' takes pairs of TOKEN VALUE");
        command_.kind = command_kind::var;
        for (size_t i = 1; i < words_.size(); i += 2) {
            const uint32_t token = integer<uint32_t>(i, "token");
            double value = 0.0;
            if (!parse_value(words_[i + 1], value)) fail("bad value " + quoted_word(words_[i + 1]));
            command_.vars.emplace_back(token, value);
        }
        return command_;
    }

    script_command parse_serve()
    {
        expect_words(2, 5);
        static const char* const orders[] = {"listed", "reversed", "by-window"};
        command_.kind = command_kind::serve;
        command_.first = -1;
        for (int64_t i = 0; i < 3; ++i)
            if (words_[1] == orders[i]) command_.first = i;
        if (command_.first < 0) fail("'serve' takes listed, reversed or by-window, not " + quoted_word(words_[1]));
        command_.count = 0;
        for (size_t i = 2; i < words_.size(); ++i) {
            if (words_[i] == "closed" && command_.second == 0) {
                command_.second = 1;
            } else if (words_[i] == "apart" && i + 1 < words_.size()) {
                command_.count = integer<int64_t>(++i, "tick count", 0);
            } else {
                fail("'serve' ORDER takes 'closed' and 'apart TICKS' after it, not " + quoted_word(words_[i]));
            }
        }
        return command_;
    }

    script_command parse_clock()
    {
        expect_words(3, 3);
        if (words_[1] == "at") {
            command_.kind = command_kind::clock_at;
            command_.first = integer<int64_t>(2, "counter value");
        } else {
            command_.kind = command_kind::clock_rate;
            command_.first = integer<int64_t>(1, "frequency", 0);
            command_.second = integer<int64_t>(2, "step", 0);
        }
        return command_;
    }

    script_command parse_joystick()
    {
        if (words_.size() < 3) fail("'joystick' takes an id and a state or settings");
        command_.first = joystick_id();
        const std::string& what = words_[2];
        if (what == "absent" || what == "fail") {
            expect_words(3, 3);
            command_.kind = what == "absent" ? command_kind::joystick_absent : command_kind::joystick_fail;
            return command_;
        }
        if (what == "present") {
            expect_words(3, 5);
            command_.kind = command_kind::joystick_present;
            for (size_t i = 3; i < words_.size(); ++i) {
                if (words_[i] == "z") command_.has_z = true;
                else if (words_[i] == "r") command_.has_r = true;
                else fail("'present' takes only z and r, not " + quoted_word(words_[i]));
            }
            return command_;
        }
        command_.kind = command_kind::joystick_set;
        for (size_t i = 2; i < words_.size(); ++i) {
            const size_t equals = words_[i].find('=');
            const std::string key = words_[i].substr(0, equals);
            if (equals == std::string::npos ||
                (key != "x" && key != "y" && key != "z" && key != "r" && key != "buttons" && key != "flags"))
                fail("bad joystick setting " + quoted_word(words_[i]));
            uint32_t value = 0;
            if (!parse_integer(words_[i].substr(equals + 1), value)) fail("bad joystick value " + quoted_word(words_[i]));
            command_.joystick_keys.emplace_back(key, value);
        }
        return command_;
    }

    int line_;
    std::vector<std::string> words_;
    const std::function<bool(const std::string&)>& is_gauge_;
    script_command command_;
};

}  // namespace

std::vector<script_command> parse_script(const std::string& text,
                                         const std::function<bool(const std::string&)>& is_gauge)
{
    std::vector<script_command> commands;
    // A byte-order mark, as some editors start a UTF-8 file with, is no part of the first line.
    const std::string_view utf8_mark = "\xEF\xBB\xBF";
    std::istringstream stream(text.starts_with(utf8_mark) ? text.substr(utf8_mark.size()) : text);
    int line_number = 0;
    for (std::string line; std::getline(stream, line);) {
        ++line_number;
        if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::string> words = split_words(line);
        if (words.empty()) continue;
        if (words[0] == "exe") {
            // The rest of the line after the blanks that follow the word, blanks included.
            const size_t start = line.find_first_not_of(" \t", line.find("exe") + 3);
            const std::string path = start == std::string::npos ? "" : line.substr(start);
            if (path.empty()) throw script_error(line_number, "'exe' takes a path");
            script_command command;
            command.line = line_number;
            command.kind = command_kind::exe;
            command.text = path;
            commands.push_back(command);
            continue;
        }
        commands.push_back(line_parser(line_number, words, is_gauge).parse());
    }
    return commands;
}
