// Numbers to and from the configuration file's text, the same on every build and in every
// locale: "." is the decimal point.
#pragma once

#include <cstddef>
#include <cstdint>

// As the C library's atof reads decimal text in the "C" locale: leading blanks skipped, an
// optional sign, digits with an optional "." and exponent; conversion stops at the first
// character that cannot continue the number, and text with no number gives 0.0. The result is
// the correctly rounded double.
double text_to_double(const char* text);

// The whole number in plain decimal ("-1", "127"), cut to size − 1 characters and terminated.
void integer_to_text(int32_t value, char* buffer, size_t size);
