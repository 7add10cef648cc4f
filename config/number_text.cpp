#include "config/number_text.h"

#include <cstring>

// Debian's fast_float: correctly rounded decimal-to-binary conversion with no locale, no heap and
// no C++ runtime library behind it, so the module file carries none of those.
#include <fast_float.h>

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
    // Beyond the range of a double the result is infinite, below it zero, as atof gives them.
    double value = 0.0;
    fast_float::from_chars(text, text + length, value, fast_float::chars_format::general);
    return negative ? -value : value;
}

void integer_to_text(int32_t value, char* buffer, size_t size)
{
    if (buffer == nullptr || size == 0) return;
    // Digits from the last, of the magnitude as an unsigned number so that INT32_MIN has one too.
    char digits[16];
    size_t start = sizeof digits;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[--start] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[--start] = '-';
    size_t length = sizeof digits - start;
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, digits + start, length);
    buffer[length] = '\0';
}
