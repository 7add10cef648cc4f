#include "platform/native/profile_encoding.h"

#include <cstdint>

namespace {

constexpr std::string_view utf8_bom = "\xEF\xBB\xBF";
constexpr std::string_view utf16le_bom = "\xFF\xFE";
constexpr std::string_view utf16be_bom = "\xFE\xFF";

bool is_surrogate(uint32_t c)
{
    return c >= 0xD800 && c <= 0xDFFF;
}

void append_utf8(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point starting at text[pos], advancing pos; false for bytes that are not UTF-8.
// Surrogates (three bytes each) pass only when allowed: they come from unpaired ones in a file.
bool next_code_point(std::string_view text, size_t& pos, uint32_t& c, bool allow_surrogates)
{
    const auto lead = static_cast<uint8_t>(text[pos]);
    size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
        c = lead;
        ++pos;
        return true;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, c = lead & 0x07u;
    } else {
        return false;
    }
    if (pos + length > text.size())
        return false;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (next & 0x3Fu);
    }
    if (c < minimum || c > 0x10FFFF || (is_surrogate(c) && !allow_surrogates))
        return false;
    pos += length;
    return true;
}

uint32_t unit_at(std::string_view raw, size_t i, bool big_endian)
{
    const auto first = static_cast<uint8_t>(raw[i]);
    const auto second = i + 1 < raw.size() ? static_cast<uint8_t>(raw[i + 1]) : uint8_t{0};
    return big_endian ? (uint32_t{first} << 8 | second) : (uint32_t{second} << 8 | first);
}

std::string utf16_to_utf8(std::string_view raw, bool big_endian)
{
    std::string out;
    out.reserve(raw.size() / 2);
    for (size_t i = 0; i < raw.size(); i += 2) {
        uint32_t c = unit_at(raw, i, big_endian);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < raw.size()) {
            const uint32_t low = unit_at(raw, i + 2, big_endian);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        append_utf8(out, c);
    }
    return out;
}

void append_unit(std::string& out, uint32_t unit, bool big_endian)
{
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out += big_endian ? high : low;
    out += big_endian ? low : high;
}

bool utf8_to_utf16(std::string_view text, bool big_endian, std::string& out)
{
    for (size_t pos = 0; pos < text.size();) {
        uint32_t c = 0;
        if (!next_code_point(text, pos, c, true))
            return false;
        if (c >= 0x10000) {
            append_unit(out, 0xD800 + ((c - 0x10000) >> 10), big_endian);
            append_unit(out, 0xDC00 + ((c - 0x10000) & 0x3FF), big_endian);
        } else {
            append_unit(out, c, big_endian);
        }
    }
    return true;
}

} // namespace

profile_text decode_profile(std::string_view raw)
{
    if (raw.starts_with(utf8_bom))
        return {profile_encoding::utf8_bom, std::string(raw.substr(utf8_bom.size()))};
    if (raw.starts_with(utf16le_bom))
        return {profile_encoding::utf16le, utf16_to_utf8(raw.substr(utf16le_bom.size()), false)};
    if (raw.starts_with(utf16be_bom))
        return {profile_encoding::utf16be, utf16_to_utf8(raw.substr(utf16be_bom.size()), true)};
    return {profile_encoding::bytes, std::string(raw)};
}

bool encode_profile(profile_encoding encoding, std::string_view text, std::string& raw)
{
    switch (encoding) {
    case profile_encoding::bytes:
        raw.assign(text);
        return true;
    case profile_encoding::utf8_bom:
        raw.assign(utf8_bom).append(text);
        return true;
    case profile_encoding::utf16le:
        raw.assign(utf16le_bom);
        return utf8_to_utf16(text, false, raw);
    case profile_encoding::utf16be:
        raw.assign(utf16be_bom);
        return utf8_to_utf16(text, true, raw);
    }
    return false;
}

bool fits_encoding(profile_encoding encoding, std::string_view text)
{
    if (encoding != profile_encoding::utf16le && encoding != profile_encoding::utf16be)
        return true;
    uint32_t c = 0;
    for (size_t pos = 0; pos < text.size();)
        if (!next_code_point(text, pos, c, false))
            return false;
    return true;
}
