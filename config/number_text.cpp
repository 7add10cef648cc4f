#include "config/number_text.h"

#include <charconv>
#include <cstring>

namespace {
bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the longest prefix of text that is a decimal number without sign:
// digits, optional "." and digits (at least one digit in all), optional exponent.
size_t number_length(const char* text)
{
    size_t i = 0, digits = 0;
    while (is_digit(text[i])) ++i, ++digits;
    if (text[i] == '.') {
        ++i;
        while (is_digit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (text[i] == 'e' || text[i] == 'E') {
        size_t j = i + 1;
        if (text[j] == '+' || text[j] == '-') ++j;
        if (is_digit(text[j])) {
            while (is_digit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}
}  // namespace

double text_to_double(const char* text)
{
    if (text == nullptr) return 0.0;
    while (is_blank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';

    const size_t length = number_length(text);
    if (length == 0) return 0.0;
    double value = 0.0;
    // Out of range: from_chars leaves the value alone; atof gives ±HUGE_VAL or 0 then.
    const std::from_chars_result result = std::from_chars(text, text + length, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        const char* exponent = std::strpbrk(text, "eE");
        const bool tiny = exponent != nullptr && exponent < text + length && exponent[1] == '-';
        value = tiny ? 0.0 : __builtin_huge_val();
    }
    return negative ? -value : value;
}

void integer_to_text(int32_t value, char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0) return;
    char digits[16];
    const std::to_chars_result result = std::to_chars(digits, digits + sizeof digits, value);
    size_t length = static_cast<size_t>(result.ptr - digits);
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, digits, length);
    buffer[length] = '\0';
}
