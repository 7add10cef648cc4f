#include "tools/gaugehost/script/script_line.h"

#include <charconv>
#include <cmath>

#include "tools/gaugehost/script/script_commands.h"

namespace {
template <typename Integer>
bool parse_integer(const std::string& word, Integer& value)
{
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}
}  // namespace

bool parse_whole_number(const std::string& word, uint32_t& value)
{
    return parse_integer(word, value);
}

void script_line::expect_words(size_t least, size_t most) const
{
    if (words_.size() < least || words_.size() > most)
        fail("'" + words_[0] + "' takes " +
             (least == most ? std::to_string(least - 1) : std::to_string(least - 1) + " to " + std::to_string(most - 1)) +
             " arguments");
}

int64_t script_line::integer(size_t index, const char* what, int64_t least, int64_t most) const
{
    int64_t value = 0;
    if (!parse_integer(words_[index], value) || value < least || value > most)
        fail("bad " + std::string(what) + " " + quoted_word(words_[index]));
    return value;
}

double script_line::value(size_t index) const
{
    const std::string& word = words_[index];
    if (word == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (word == "inf") return std::numeric_limits<double>::infinity();
    if (word == "-inf") return -std::numeric_limits<double>::infinity();
    double value = 0.0;
    const char* end = word.data() + word.size();
    const auto result = std::from_chars(word.data(), end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) fail("bad value " + quoted_word(word));
    return value;
}

const std::string& script_line::gauge(size_t index) const
{
    if (!is_gauge_(words_[index])) fail("no gauge named " + quoted_word(words_[index]));
    return words_[index];
}
