#include "tools/common/text.h"
#include "tools/gaugehost/panel/panel_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

namespace {

constexpr int last_window = 63;       // Window00 to Window63
constexpr int last_virtual_cockpit = 99;

// The file as 8-bit text: UTF-16 (by its byte-order mark) narrowed, a character beyond ASCII
// becoming '?'; a UTF-8 byte-order mark dropped.
std::string narrow_text(const std::string& bytes)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
        const bool little = byte(0) == 0xFF;
        std::string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned unit = little ? byte(i) | byte(i + 1) << 8 : byte(i) << 8 | byte(i + 1);
            text.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
        }
        return text;
    }
    const size_t start = bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF ? 3 : 0;
    const size_t nul = bytes.find('\0', start);
    if (nul != std::string::npos)
        throw panel_file_error("not a text file (a NUL byte at offset " + std::to_string(nul) +
                               "; a UTF-16 file needs its byte-order mark)");
    return bytes.substr(start);
}

struct entry {
    int line;
    std::string key, value;  // the key as written
};
struct section {
    int line;
    std::string name;  // as written
    std::map<std::string, entry> entries;  // by lower-case key, the first of each
    std::vector<entry> hidden;             // later entries of a key already read
};

// Number in a key such as "gauge07" after its prefix; -1 when the rest is not all digits.
int key_number(const std::string& lower_key, const std::string& prefix)
{
    if (lower_key.size() <= prefix.size() || lower_key.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::string digits = lower_key.substr(prefix.size());
    if (digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return -1;
    return std::atoi(digits.c_str());
}

std::optional<int> whole_number(const std::string& field)
{
    const std::string text = trim(field);
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < -100000 || value > 100000) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<std::pair<int, int>> number_pair(const std::string& value)
{
    const auto comma = value.find(',');
    if (comma == std::string::npos) return std::nullopt;
    const auto first = whole_number(value.substr(0, comma)), second = whole_number(value.substr(comma + 1));
    if (!first || !second) return std::nullopt;
    return std::make_pair(*first, *second);
}

panel_gauge gauge_line(const entry& e, int number)
{
    panel_gauge g;
    g.line = e.line;
    g.key = e.key;
    g.number = number;
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t comma = e.value.find(',', start);
        fields.push_back(trim(e.value.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    const auto bang = fields[0].find('!');
    if (bang == std::string::npos) {
        g.gauge = fields[0];
        g.problem = "no '!' between the module's name and the gauge's";
        return g;
    }
    g.module = trim(fields[0].substr(0, bang));
    g.gauge = trim(fields[0].substr(bang + 1));
    // Two words in the name, the position or the size: the comma between them left out
    // ("V_Lamp 16, 396"). The fields after the size are the gauge's own and may hold blanks.
    constexpr size_t name_position_and_size = 5;
    for (size_t i = 0; i < std::min(fields.size(), name_position_and_size); ++i) {
        const std::string field = i == 0 ? g.gauge : fields[i];
        const size_t blank = field.find_first_of(" \t");
        if (blank == std::string::npos) continue;
        const std::string before = field.substr(0, blank), after = trim(field.substr(blank));
        if (i == 0) g.gauge = before;
        g.problem = "a comma missing between '" + before + "' and '" + after + "': write " + before + ", " + after;
        return g;
    }
    if (fields.size() < 3) {
        g.problem = "no position: the line needs at least MODULE!GAUGE, X, Y";
        return g;
    }
    const auto x = whole_number(fields[1]), y = whole_number(fields[2]);
    if (!x || !y) {
        g.problem = "the position '" + fields[1] + ", " + fields[2] + "' is not two whole numbers";
        return g;
    }
    g.x = *x;
    g.y = *y;
    size_t next = 3;
    if (next < fields.size() && whole_number(fields[next])) g.width = whole_number(fields[next++]);
    if (g.width && next < fields.size() && whole_number(fields[next])) g.height = whole_number(fields[next++]);
    if ((g.width && *g.width <= 0) || (g.height && *g.height <= 0)) g.problem = "a size of zero or less";
    for (; next < fields.size(); ++next) g.parameters += (g.parameters.empty() ? "" : ",") + fields[next];
    return g;
}

panel_window window_from(const section* s, const std::string& name, bool virtual_cockpit, int number)
{
    panel_window w;
    w.section = name;
    w.virtual_cockpit = virtual_cockpit;
    w.number = number;
    if (s == nullptr) return w;
    w.line = s->line;
    const auto value = [&](const char* key) -> const entry* {
        const auto found = s->entries.find(key);
        return found == s->entries.end() ? nullptr : &found->second;
    };
    if (const entry* e = value("size_mm")) w.size_mm = number_pair(e->value);
    if (const entry* e = value("pixel_size")) w.pixel_size = number_pair(e->value);
    if (const entry* e = value("visible")) w.visible = trim(e->value) != "0";
    for (const auto& [key, e] : s->entries)
        if (const int n = key_number(key, "gauge"); n >= 0) w.gauges.push_back(gauge_line(e, n));
    for (const entry& e : s->hidden)
        if (const int n = key_number(lower_case(e.key), "gauge"); n >= 0) w.hidden.push_back(gauge_line(e, n));
    const auto by_number = [](const panel_gauge& a, const panel_gauge& b) { return a.number < b.number; };
    std::stable_sort(w.gauges.begin(), w.gauges.end(), by_number);
    return w;
}

// The file's sections as the profile functions read them (the first of each name), and notes on
// the lines they never read.
std::map<std::string, section> read_sections(const std::string& text, panel_layout& layout)
{
    std::map<std::string, section> sections;  // by lower-case name, the first of each
    section* current = nullptr;
    const section* hidden_first = nullptr;  // in a second section of a name: the first, which is read
    std::string hidden_name;
    int line_number = 0;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = trim(text.substr(start, end - start));
        start = end + 1;
        ++line_number;
        if (line.empty() || line[0] == ';' || line.rfind("//", 0) == 0) continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            const std::string name = trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            const auto [found, added] = sections.try_emplace(lower_case(name), section{line_number, name, {}, {}});
            if (layout.first_section_line == 0) layout.first_section_line = line_number;
            current = added ? &found->second : nullptr;
            hidden_first = added ? nullptr : &found->second;
            hidden_name = name;
            if (!added)
                layout.notes.push_back({line_number,
                                        "a second [" + name + "]: the simulator reads only the first, at line " +
                                            std::to_string(found->second.line),
                                        line, name, found->second.line});
            continue;
        }
        const auto equals = line.find('=');
        if (hidden_first != nullptr) {
            layout.notes.push_back({line_number, "in a second [" + hidden_name + "]: never read", line, hidden_name,
                                    hidden_first->line});
            continue;
        }
        if (current == nullptr || equals == std::string::npos) {
            layout.notes.push_back(
                {line_number, current == nullptr ? "before any section: never read" : "not a key=value line: skipped", line,
                 "", 0});
            continue;
        }
        const entry e{line_number, trim(line.substr(0, equals)), trim(line.substr(equals + 1))};
        const auto [found, added] = current->entries.try_emplace(lower_case(e.key), e);
        if (!added) {
            current->hidden.push_back(e);
            layout.notes.push_back({line_number, "a second " + e.key + " in [" + current->name +
                                                     "]: the simulator reads only the first, at line " +
                                                     std::to_string(found->second.line),
                                    line, "", 0});
        }
    }
    return sections;
}

// The windows the file creates: the 2D windows that [Window Titles] names from Window00 up
// without a gap, the virtual cockpits from VCockpit01 up; those after a gap listed, not created.
void add_windows(const std::map<std::string, section>& sections, panel_layout& layout)
{
    const auto find = [&](const std::string& name) -> const section* {
        const auto found = sections.find(lower_case(name));
        return found == sections.end() ? nullptr : &found->second;
    };
    const section* titles = find("Window Titles");
    // The numbers of the windows the file mentions, by a title or a section.
    std::set<int> window_numbers, cockpit_numbers;
    for (const auto& [name, s] : sections) {
        if (const int n = key_number(name, "window"); n >= 0 && n <= last_window) window_numbers.insert(n);
        if (const int n = key_number(name, "vcockpit"); n >= 1 && n <= last_virtual_cockpit) cockpit_numbers.insert(n);
    }
    if (titles != nullptr)
        for (const auto& [key, e] : titles->entries)
            if (const int n = key_number(key, "window"); n >= 0 && n <= last_window) window_numbers.insert(n);
    int expected = 0;  // created while the numbers run on without a gap
    for (const int n : window_numbers) {
        const std::string name = "Window" + two_digits(n);
        const entry* title = nullptr;
        if (titles != nullptr) {
            const auto found = titles->entries.find(lower_case(name));
            if (found != titles->entries.end()) title = &found->second;
        }
        panel_window w = window_from(find(name), name, false, n);
        if (title != nullptr) {
            w.title = title->value;
            w.title_line = title->line;
        }
        w.created = title != nullptr && n == expected;
        if (w.created) ++expected;
        layout.windows.push_back(std::move(w));
    }
    expected = 1;
    for (const int n : cockpit_numbers) {
        const std::string name = "VCockpit" + two_digits(n);
        panel_window w = window_from(find(name), name, true, n);
        w.created = n == expected;
        if (w.created) ++expected;
        layout.windows.push_back(std::move(w));
    }
}

}  // namespace

panel_layout parse_panel_text(const std::string& bytes)
{
    panel_layout layout;
    layout.utf8_mark = bytes.rfind("\xEF\xBB\xBF", 0) == 0;
    add_windows(read_sections(narrow_text(bytes), layout), layout);
    std::stable_sort(layout.notes.begin(), layout.notes.end(),
                     [](const panel_note& a, const panel_note& b) { return a.line < b.line; });
    return layout;
}

std::string read_panel_bytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw panel_file_error(path + ": cannot be read");
    // Read up to one byte past the largest, so that an endless file (a device) ends too.
    std::string bytes(largest_panel_file + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(file.gcount()));
    if (bytes.size() > largest_panel_file)
        throw panel_file_error(path + ": larger than " + std::to_string(largest_panel_file >> 20) + " MB, no panel.cfg");
    return bytes;
}

panel_layout read_panel_file(const std::string& path)
{
    const std::string bytes = read_panel_bytes(path);
    try {
        return parse_panel_text(bytes);
    } catch (const panel_file_error& e) {
        throw panel_file_error(path + ": " + e.what());
    }
}
