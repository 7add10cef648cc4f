// An aircraft's panel.cfg as the simulator reads it: the 2D windows its [Window Titles] section
// creates, the virtual-cockpit panels ([VCockpitNN]), and the gauge lines of each.
//
// Reading follows the Windows profile functions the simulator's panel system reads it with: a
// file in ANSI or in UTF-16 with a byte-order mark; section and key names in any letter case; the
// first of two sections or two keys of one name is the one read, the second is hidden; lines
// that are neither a section, a key nor a comment ("//" or ";") are skipped. Windows are created
// from Window00 up as long as [Window Titles] names them without a gap (up to Window63), virtual
// cockpits from VCockpit01 up as long as their sections follow without a gap.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "tools/common/text.h"

struct panel_file_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One gaugeNN= line: gaugeNN=MODULE!GAUGE, X, Y[, WIDTH[, HEIGHT]][, PARAMETERS].
struct panel_gauge {
    int line = 0;
    std::string key;     // as written ("gauge07")
    int number = 0;      // NN
    std::string module;  // before '!', as written
    std::string gauge;   // after '!', as written
    int x = 0, y = 0;
    std::optional<int> width, height;  // absent: the gauge's own size (height: kept in proportion)
    std::string parameters;            // the fields after the size, as written
    std::string problem;               // not empty when the simulator cannot use the line
};

struct panel_window {
    std::string section;  // "Window01", "VCockpit02" as the title or section names it
    bool virtual_cockpit = false;
    int number = 0;
    int line = 0;           // the section's first line; 0 when the file has no such section
    std::string title;      // from [Window Titles] (2D windows)
    int title_line = 0;     // 0: no title entry
    bool created = false;   // the simulator creates it (see above)
    bool visible = true;    // visible=0: closed until the pilot opens it
    std::optional<std::pair<int, int>> size_mm, pixel_size;
    std::vector<panel_gauge> gauges;  // in the order of their numbers, each key's first line
    std::vector<panel_gauge> hidden;  // lines a first line of the same key hides
};

// A note on a line the simulator reads differently from how it looks: a second section or key of
// one name (hidden), a line skipped.
struct panel_note {
    int line;
    std::string text;
    std::string content;  // the line as written
    // A line in, or the header of, a second section of one name: that section as written, and
    // the line of the first one, which is the one read.
    std::string hidden_section;
    int first_section_line = 0;
};

struct panel_layout {
    std::vector<panel_window> windows;  // the 2D windows by number, then the virtual cockpits
    std::vector<panel_note> notes;
    bool utf8_mark = false;        // the file starts with a UTF-8 byte-order mark
    int first_section_line = 0;    // the line of the file's first section header
};

// A panel.cfg is a few kilobytes; a file larger than this is refused.
constexpr size_t largest_panel_file = 16u << 20;

// Throws panel_file_error naming the file when it cannot be read, is too large or is not text.
panel_layout read_panel_file(const std::string& path);
// The file's bytes; throws panel_file_error naming the file when it cannot be read or is too large.
std::string read_panel_bytes(const std::string& path);
panel_layout parse_panel_text(const std::string& bytes);

