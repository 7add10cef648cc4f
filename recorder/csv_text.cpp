#include "recorder/csv_text.h"

namespace {
constexpr double largest_whole_units = 9.0e17;  // well inside int64, after scaling
constexpr double powers_of_ten[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0, 1000000.0};
constexpr int32_t most_decimals = 6;

// The digits of a whole number, at least width of them.
void append_digits(text_writer& out, uint64_t value, int32_t width)
{
    char digits[24];
    int32_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || count < width);
    while (count > 0) append_char(out, digits[--count]);
}
}  // namespace

void append_char(text_writer& out, char c)
{
    if (out.length >= out.capacity) {
        out.overflowed = 1;
        return;
    }
    out.start[out.length++] = c;
}

void append_text(text_writer& out, const char* text)
{
    for (const char* c = text; *c != '\0'; ++c) append_char(out, *c);
}

void append_integer(text_writer& out, int64_t value)
{
    if (value < 0) append_char(out, '-');
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    append_digits(out, magnitude, 1);
}

void append_fixed(text_writer& out, double value, int32_t decimals)
{
    if (decimals < 0) decimals = 0;
    if (decimals > most_decimals) decimals = most_decimals;
    if (value != value) return append_text(out, "nan");
    const double scaled = value * powers_of_ten[decimals];
    if (scaled >= largest_whole_units) return append_text(out, "inf");
    if (scaled <= -largest_whole_units) return append_text(out, "-inf");
    const bool negative = scaled < 0.0;
    const auto units = static_cast<uint64_t>(negative ? 0.5 - scaled : scaled + 0.5);
    if (negative && units != 0) append_char(out, '-');
    const auto whole_scale = static_cast<uint64_t>(powers_of_ten[decimals]);
    append_digits(out, units / whole_scale, 1);
    if (decimals == 0) return;
    append_char(out, '.');
    append_digits(out, units % whole_scale, decimals);
}
