// The recording's text, written into a caller's buffer without the C library's formatting (the
// module file formats no floating point through its imports): numbers in fixed point, rounded
// half away from zero, so that the module file and the linked build write the same bytes.
#pragma once

#include <cstdint>

// A place to write text: at most capacity bytes from start; what does not fit is left out and
// the writer marks itself overflowed.
struct text_writer {
    char* start;
    uint32_t capacity;
    uint32_t length;
    int32_t overflowed;
};

void append_text(text_writer& out, const char* text);
void append_char(text_writer& out, char c);
// The value with decimals digits after the point ("-12.345"); "nan" for a value that is not a
// number, "inf" or "-inf" for one past what 18 digits hold.
void append_fixed(text_writer& out, double value, int32_t decimals);
void append_integer(text_writer& out, int64_t value);
