// A panel.cfg as lines of its own bytes, so that lines can be added and taken away while every
// other byte stays as the pilot's editor wrote it: the encoding (ANSI, UTF-16 with its mark, a
// UTF-8 mark), each line's own line end, a last line without one.
#pragma once

#include <string>
#include <vector>

enum class text_encoding { eight_bit, utf16_little, utf16_big };

struct text_line {
    std::string text;      // the line as 8-bit text, without its line end (UTF-16 narrowed, others '?')
    std::string bytes;     // the line as in the file, without its line end
    std::string line_end;  // the line end's bytes as in the file; empty for a last line without one
};

struct panel_text {
    text_encoding encoding = text_encoding::eight_bit;
    std::string mark;                 // the byte-order mark's bytes, if any
    std::string usual_line_end = "\r\n";  // the file's first line end, in 8-bit text: for added lines
    std::vector<text_line> lines;
};

panel_text split_panel_text(const std::string& bytes);
std::string join_panel_text(const panel_text& text);

// A line of ASCII text as the file writes it, with the file's usual line end.
text_line new_panel_line(const panel_text& text, const std::string& ascii);
