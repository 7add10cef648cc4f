// One line of a script as a command's parser reads it: its words, its text, and the checks the
// parsers share. Every check that fails throws script_error with the line's number.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tools/gaugehost/script/script.h"

class script_line {
public:
    script_line(int number, std::string text, std::vector<std::string> words,
                const std::function<bool(const std::string&)>& is_gauge)
        : number_(number), text_(std::move(text)), words_(std::move(words)), is_gauge_(is_gauge)
    {
    }

    int number() const { return number_; }
    const std::string& text() const { return text_; }  // without its comment
    const std::vector<std::string>& words() const { return words_; }
    size_t size() const { return words_.size(); }
    const std::string& operator[](size_t index) const { return words_[index]; }

    [[noreturn]] void fail(const std::string& what) const { throw script_error(number_, what); }
    // "'WORD' takes N arguments" unless the line has least to most words, the command's own included.
    void expect_words(size_t least, size_t most) const;
    // The word at index as a whole number of at least least: "bad WHAT 'WORD'" otherwise.
    int64_t integer(size_t index, const char* what, int64_t least = std::numeric_limits<int64_t>::min(),
                    int64_t most = std::numeric_limits<int64_t>::max()) const;
    // The word at index as a number: a finite decimal, nan, inf or -inf.
    double value(size_t index) const;
    // The word at index, a gauge the module declares: "no gauge named 'WORD'" otherwise.
    const std::string& gauge(size_t index) const;

private:
    int number_;
    std::string text_;
    std::vector<std::string> words_;
    const std::function<bool(const std::string&)>& is_gauge_;
};

// An unsigned 32-bit whole number, all of the word, in decimal.
bool parse_whole_number(const std::string& word, uint32_t& value);
