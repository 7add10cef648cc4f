// The encodings a profile file comes in. Most are 8-bit text, some start with a UTF-8 byte order
// mark, and Notepad's "Unicode" files are UTF-16 with a byte order mark (FF FE little-endian,
// FE FF big-endian). The reader and writer work on 8-bit text, UTF-8 for UTF-16 files, and a
// save writes the file back in the encoding it came in, byte order mark included.
#pragma once

#include <string>
#include <string_view>

enum class profile_encoding { bytes, utf8_bom, utf16le, utf16be };

struct profile_text {
    profile_encoding encoding = profile_encoding::bytes;
    std::string text; // without the byte order mark
};

// The file's text. UTF-16 without a byte order mark counts as 8-bit text, as Windows reads it.
// An odd last byte of a UTF-16 file is read as if a zero byte followed it. Unpaired surrogates
// become the three bytes UTF-8 would give them, so that a save writes them back unchanged.
profile_text decode_profile(std::string_view raw);

// The file's bytes for `text` in `encoding`; false when text for a UTF-16 file is not UTF-8.
bool encode_profile(profile_encoding encoding, std::string_view text, std::string& raw);

// Whether text from a caller (a section, key or value) can go into a file of this encoding and
// read back unchanged: anything for 8-bit files, well-formed UTF-8 for UTF-16 files.
bool fits_encoding(profile_encoding encoding, std::string_view text);
