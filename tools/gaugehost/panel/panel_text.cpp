#include "tools/gaugehost/panel/panel_text.h"

namespace {

// Bytes per character and the character at a place, in the file's encoding.
size_t unit_size(text_encoding encoding)
{
    return encoding == text_encoding::eight_bit ? 1 : 2;
}

unsigned unit_at(const std::string& bytes, size_t at, text_encoding encoding)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    switch (encoding) {
    case text_encoding::utf16_little: return byte(at) | byte(at + 1) << 8;
    case text_encoding::utf16_big: return byte(at) << 8 | byte(at + 1);
    default: return byte(at);
    }
}

std::string encoded(const std::string& ascii, text_encoding encoding)
{
    if (encoding == text_encoding::eight_bit) return ascii;
    std::string bytes;
    for (const char c : ascii) {
        if (encoding == text_encoding::utf16_little) bytes += {c, '\0'};
        else bytes += {'\0', c};
    }
    return bytes;
}

}  // namespace

panel_text split_panel_text(const std::string& bytes)
{
    panel_text text;
    const auto starts_with = [&](const char* mark) { return bytes.rfind(mark, 0) == 0; };
    if (starts_with("\xFF\xFE")) text.encoding = text_encoding::utf16_little, text.mark = bytes.substr(0, 2);
    else if (starts_with("\xFE\xFF")) text.encoding = text_encoding::utf16_big, text.mark = bytes.substr(0, 2);
    else if (starts_with("\xEF\xBB\xBF")) text.mark = bytes.substr(0, 3);

    const size_t unit = unit_size(text.encoding);
    bool line_end_seen = false;
    text_line line;
    size_t at = text.mark.size();
    for (; at + unit <= bytes.size(); at += unit) {
        const unsigned c = unit_at(bytes, at, text.encoding);
        if (c != '\n') {
            line.bytes.append(bytes, at, unit);
            line.text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
            continue;
        }
        // "\r\n" keeps its "\r" in the line end; a "\r" alone stays in the line, as the reader trims it.
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            const size_t carriage_return = line.bytes.size() - unit;
            line.line_end.assign(line.bytes, carriage_return, unit);
            line.bytes.erase(carriage_return);
        }
        line.line_end.append(bytes, at, unit);
        if (!line_end_seen) text.usual_line_end = line.line_end.size() == 2 * unit ? "\r\n" : "\n";
        line_end_seen = true;
        text.lines.push_back(std::move(line));
        line = text_line{};
    }
    line.bytes.append(bytes, at, std::string::npos);  // an odd last byte of a UTF-16 file stays as it was
    if (!line.bytes.empty()) text.lines.push_back(std::move(line));
    return text;
}

std::string join_panel_text(const panel_text& text)
{
    std::string bytes = text.mark;
    for (const text_line& line : text.lines) bytes += line.bytes + line.line_end;
    return bytes;
}

text_line new_panel_line(const panel_text& text, const std::string& ascii)
{
    return {ascii, encoded(ascii, text.encoding), encoded(text.usual_line_end, text.encoding)};
}
