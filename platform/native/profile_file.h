// The configuration file on the native build: our own reader and writer with the behaviour of
// GetPrivateProfileStringA and WritePrivateProfileStringA that users' INI files rely on.
//
// File format, as the Windows profile functions read it:
//   [Section]          section header; the name is matched case-insensitively, blanks trimmed
//   Key = Value        key line; key matched case-insensitively, key and value trimmed, a value
//                      enclosed in a matching pair of '...' or "..." loses the quotes
//   ; text             comment (first non-blank character is ';')
// Lines end at LF, CR LF or a lone CR. The text is 8-bit, UTF-8 after a byte order mark, or
// UTF-16 (little- or big-endian) after its byte order mark; a save keeps the file's encoding.
//
// Only a regular file is read or replaced: a FIFO, a device or a folder in its place reads as
// missing and is never written, and nothing waits on it.
//
// Paths may use '\' or '/' as separators; a doubled separator counts as one.
#pragma once

#include <cstdint>

// Files are read up to this many bytes. Of a longer file only the whole lines within the limit
// are read, and a save leaves it alone.
constexpr uint32_t profile_file_size_limit = 1024 * 1024;

// Like GetPrivateProfileStringA for one section and key: copies the key's value (or the default
// text when the file, the section or the key is missing) into buffer, cut to buffer_size - 1
// characters and terminated; returns the number of characters copied (without the terminator).
// Trailing blanks of the default text are dropped, as Windows does. A null section, key or path
// gives empty text; a null buffer or buffer_size 0 gives 0 and touches nothing.
uint32_t profile_read_string(const char* section, const char* key, const char* default_text,
                             char* buffer, uint32_t buffer_size, const char* path);

// Like WritePrivateProfileStringA for one section and key: returns true when the file now holds
// the value. Never leaves a half-written file: the new contents go to a temporary file in the
// same folder, which is then renamed over the old one, so the file is either the old one or
// the new one with this key changed. Every other line is kept byte for byte. A file without any
// write permission bit is read-only and left alone (false), for the superuser too, as Windows
// treats its read-only attribute. A missing file is created; a missing folder is not (false).
// Text that a UTF-16 file cannot carry (not UTF-8) is refused (false). A null argument gives
// false and leaves the file alone: unlike Windows, a null value does not delete the key. Names
// or values that could not be read back as given (a line break anywhere, '=' in the key, ']' in
// the section) are refused with false.
bool profile_write_string(const char* section, const char* key, const char* value, const char* path);
