#include "tools/gaugehost/panel/panel_install.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <set>
#include <system_error>

#include "tools/common/text.h"
#include "tools/gaugehost/panel/panel_file.h"
#include "tools/gaugehost/panel/panel_text.h"

namespace {

// The comment that opens the block of our windows at the end of the file; uninstall finds it.
const std::string block_marker = "; brask_torvik: the autopilot's windows, added by install_panel.bat";
const std::string block_marker_line = block_marker + " (uninstall_panel.bat takes them out again)";

constexpr int last_window = 63;
constexpr int first_ident = 10042;  // the windows' menu ids, as the package's example gives them

// The engine's line: on the main panel a small mark in its corner; in a virtual cockpit, where it
// only has to run, a dot that covers nothing of the cockpit's own gauges.
const char* const engine_place_2d = ", 4, 4, 20, 20";
const char* const engine_place_virtual = ", 0, 0, 1, 1";

// Our two windows: their titles and every line of their sections but the ident.
struct our_window {
    const char* title;
    std::vector<std::string> settings;  // before the ident
    std::vector<std::string> gauges;    // GAUGE, X, Y, WIDTH, HEIGHT
};

const our_window our_windows[] = {
    {"Autopilot",
     {"size_mm=420,450", "window_size_ratio=1.000", "position=8", "visible=1"},
     {"AP_Panel_1, 0, 0, 420, 250", "IN_4, 16, 254, 388, 139", "V_Lamp, 16, 396, 97, 52", "V_Contrl_key, 125, 405, 16, 34"}},
    {"Autopilot Joystick Channels",
     {"size_mm=158,159", "window_size_ratio=1.000", "position=2", "visible=0"},
     {"AP_YoySet, 0, 0, 158, 159"}},
};

// The section a header line opens, in lower case; empty for a line that is no header.
std::string header_name(const text_line& line)
{
    const std::string text = trim(line.text);
    if (text.empty() || text[0] != '[') return {};
    const auto close = text.find(']');
    return lower_case(trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
}

// The key of a key=value line in lower case; empty for a comment or another line.
std::string key_of(const text_line& line)
{
    const std::string text = trim(line.text);
    if (text.empty() || text[0] == ';' || text.rfind("//", 0) == 0 || text[0] == '[') return {};
    const auto equals = text.find('=');
    return equals == std::string::npos ? std::string() : lower_case(trim(text.substr(0, equals)));
}

// The first section of a name (the one the simulator reads): its header's index and the index
// after its last line.
struct section_span {
    size_t header, end;
};

std::optional<section_span> find_section(const panel_text& text, const std::string& name)
{
    for (size_t i = 0; i < text.lines.size(); ++i) {
        if (header_name(text.lines[i]) != lower_case(name)) continue;
        size_t end = i + 1;
        while (end < text.lines.size() && header_name(text.lines[end]).empty()) ++end;
        return section_span{i, end};
    }
    return std::nullopt;
}

// Where a line added to a section goes: after its last key, before the comments and blank lines
// that close it.
size_t after_last_key(const panel_text& text, const section_span& section)
{
    size_t at = section.header + 1;
    for (size_t i = section.header + 1; i < section.end; ++i)
        if (!key_of(text.lines[i]).empty()) at = i + 1;
    return at;
}

const panel_window* window_named(const panel_layout& layout, const std::string& section)
{
    for (const panel_window& w : layout.windows)
        if (lower_case(w.section) == lower_case(section) && w.line != 0) return &w;
    return nullptr;
}

int next_gauge_number(const panel_window& w)
{
    int next = 0;
    for (const panel_gauge& g : w.gauges) next = std::max(next, g.number + 1);
    for (const panel_gauge& g : w.hidden) next = std::max(next, g.number + 1);
    return next;
}

std::string engine_line(int number, const std::string& module_name, const std::string& engine, bool virtual_cockpit)
{
    return "gauge" + two_digits(number) + "=" + module_name + "!" + engine +
           (virtual_cockpit ? engine_place_virtual : engine_place_2d);
}

// The engine line install writes, whatever its number.
bool is_our_engine_line(const text_line& line, const std::string& module_name, const std::string& engine, bool virtual_cockpit)
{
    const std::string key = key_of(line);
    if (key.rfind("gauge", 0) != 0) return false;
    const std::string value = trim(line.text.substr(line.text.find('=') + 1));
    return value == module_name + "!" + engine + (virtual_cockpit ? engine_place_virtual : engine_place_2d);
}

std::optional<size_t> marker_index(const panel_text& text)
{
    for (size_t i = 0; i < text.lines.size(); ++i)
        if (trim(text.lines[i].text).rfind(block_marker, 0) == 0) return i;
    return std::nullopt;
}

// The first line placing a gauge of the module, 0 for none.
int first_line_of_ours(const panel_layout& layout, const std::string& module_name)
{
    int first = 0;
    for (const panel_window& w : layout.windows)
        for (const panel_gauge& g : w.gauges)
            if (g.module == module_name && (first == 0 || g.line < first)) first = g.line;
    return first;
}

std::vector<int> free_window_numbers(const panel_layout& layout, size_t wanted)
{
    std::set<int> used;
    for (const panel_window& w : layout.windows)
        if (!w.virtual_cockpit) used.insert(w.number);
    std::vector<int> numbers;
    for (int n = 0; n <= last_window && numbers.size() < wanted; ++n)
        if (used.count(n) == 0) numbers.push_back(n);
    return numbers;
}

std::vector<int> free_idents(const panel_text& text, size_t wanted)
{
    std::set<std::string> used;
    for (const text_line& line : text.lines)
        if (key_of(line) == "ident") used.insert(trim(line.text.substr(line.text.find('=') + 1)));
    std::vector<int> idents;
    for (int id = first_ident; idents.size() < wanted; ++id)
        if (used.count(std::to_string(id)) == 0) idents.push_back(id);
    return idents;
}

// The windows the file's [Window Titles] brings to life now that were skipped before, ours apart.
void say_windows_brought_to_life(const panel_layout& before, const panel_layout& after, const std::vector<int>& ours,
                                 std::vector<std::string>& said)
{
    for (const panel_window& w : after.windows) {
        if (w.virtual_cockpit || !w.created || std::find(ours.begin(), ours.end(), w.number) != ours.end()) continue;
        const panel_window* was = window_named(before, w.section);
        const bool created_before = std::any_of(before.windows.begin(), before.windows.end(), [&](const panel_window& b) {
            return !b.virtual_cockpit && b.number == w.number && b.created;
        });
        if (created_before) continue;
        const bool starts_closed = was != nullptr && !was->visible;
        said.push_back("[" + w.section + "] ('" + w.title + "'), which the simulator skipped until now because of the gap in " +
                       "the window numbers that the autopilot's window fills, now exists too: " +
                       (starts_closed ? "it starts closed (visible=0), so it shows only in the Views menu"
                                      : "it opens with the panel; put visible=0 in its section to keep it closed"));
    }
}

}  // namespace

namespace {

// Why the file cannot take the module, or nothing when it can; "" with installed_already.
std::optional<std::string> why_not_installable(const std::string& bytes, const panel_text& text, const panel_layout& layout,
                                               const std::string& module_name, const std::string& engine)
{
    if (text.encoding != text_encoding::eight_bit && bytes.size() % 2 != 0)
        return "a UTF-16 file with an odd number of bytes, cut short: save it again in Notepad; nothing changed";
    // A lone carriage return at the very end, with no line feed: a line end added after it would
    // make one line end of two, and uninstall could not tell them apart.
    const text_line* last = text.lines.empty() ? nullptr : &text.lines.back();
    if (last != nullptr && last->line_end.empty() && !last->text.empty() && last->text.back() == '\r')
        return "the file ends in a carriage return without a line feed: open it in Notepad, save it again, and install again; nothing changed";
    if (const int line = first_line_of_ours(layout, module_name); line != 0)
        return "gauges of " + module_name + " are placed by hand already (line " + std::to_string(line) +
               "): nothing changed; check the file with check_panel.bat, or put back the original panel.cfg and install again";
    if (!find_section(text, "Window Titles"))
        return std::string("no [Window Titles]: a panel.cfg names its windows there, so this is no panel.cfg the simulator opens; nothing changed");
    if (!find_section(text, "Window00") || window_named(layout, "Window00") == nullptr)
        return "no [Window00], the main panel, to put " + engine + " on: nothing changed";
    if (free_window_numbers(layout, std::size(our_windows)).size() < std::size(our_windows))
        return "no free window numbers left (Window00 to Window" + std::to_string(last_window) + " are taken): nothing changed";
    return std::nullopt;
}

struct insertion {
    size_t at;          // the line it goes before
    std::string line;   // ASCII
};

// Lines added inside the file, each at its place in the file as it was; lines for one place in
// the order given.
void insert_lines(panel_text& text, std::vector<insertion> insertions)
{
    // From the bottom up, so that each place still means what it meant.
    std::stable_sort(insertions.begin(), insertions.end(), [](const insertion& a, const insertion& b) { return a.at > b.at; });
    for (size_t first = 0; first < insertions.size();) {
        std::vector<text_line> lines;
        size_t next = first;
        for (; next < insertions.size() && insertions[next].at == insertions[first].at; ++next)
            lines.push_back(new_panel_line(text, insertions[next].line));
        text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(insertions[first].at), lines.begin(), lines.end());
        first = next;
    }
}

// Our windows' sections at the end of the file, behind the marking comment.
void append_our_windows(panel_text& text, bool after_blank_line, const std::vector<int>& numbers, const std::vector<int>& idents,
                        const std::string& module_name)
{
    const auto add = [&text](const std::string& line) { text.lines.push_back(new_panel_line(text, line)); };
    if (after_blank_line) add("");
    add(block_marker_line);
    for (size_t i = 0; i < std::size(our_windows); ++i) {
        if (i > 0) add("");
        add("[Window" + two_digits(numbers[i]) + "]");
        for (const std::string& setting : our_windows[i].settings) add(setting);
        add("ident=" + std::to_string(idents[i]));
        add("background_color=16,16,16");
        for (size_t g = 0; g < our_windows[i].gauges.size(); ++g)
            add("gauge" + two_digits(static_cast<int>(g)) + "=" + module_name + "!" + our_windows[i].gauges[g]);
    }
}

}  // namespace

panel_edit install_into_panel(const std::string& bytes, const std::string& module_name, const std::string& engine)
{
    const panel_layout layout = parse_panel_text(bytes);
    panel_text text = split_panel_text(bytes);
    panel_edit edit;
    if (const auto marker = marker_index(text)) {
        edit.said.push_back("the autopilot is installed already (line " + std::to_string(*marker + 1) + "): nothing changed");
        return edit;
    }
    if (const auto why = why_not_installable(bytes, text, layout, module_name, engine)) {
        edit.result = panel_edit::outcome::refused;
        edit.said.push_back(*why);
        return edit;
    }
    const std::vector<int> numbers = free_window_numbers(layout, std::size(our_windows));
    const std::vector<int> idents = free_idents(text, std::size(our_windows));
    const panel_window* cockpit = window_named(layout, "VCockpit01");
    const auto cockpit_section = find_section(text, "VCockpit01");
    const bool into_cockpit = cockpit != nullptr && cockpit->created && cockpit_section.has_value();

    // The last line gets its line end, so that lines can follow it; the blank line that would
    // separate our block then stays out, so that uninstall can tell the two apart.
    const bool ended_with_line_end = !text.lines.back().line_end.empty();
    if (!ended_with_line_end) text.lines.back().line_end = new_panel_line(text, "").line_end;

    std::vector<insertion> insertions;
    const size_t after_titles = after_last_key(text, *find_section(text, "Window Titles"));
    for (size_t i = 0; i < std::size(our_windows); ++i)
        insertions.push_back({after_titles, "Window" + two_digits(numbers[i]) + "=" + our_windows[i].title});
    const int main_number = next_gauge_number(*window_named(layout, "Window00"));
    insertions.push_back({after_last_key(text, *find_section(text, "Window00")), engine_line(main_number, module_name, engine, false)});
    const int cockpit_number = into_cockpit ? next_gauge_number(*cockpit) : 0;
    if (into_cockpit)
        insertions.push_back({after_last_key(text, *cockpit_section), engine_line(cockpit_number, module_name, engine, true)});
    insert_lines(text, insertions);
    append_our_windows(text, ended_with_line_end, numbers, idents, module_name);

    edit.result = panel_edit::outcome::changed;
    edit.bytes = join_panel_text(text);
    for (size_t i = 0; i < std::size(our_windows); ++i)
        edit.said.push_back("window '" + std::string(our_windows[i].title) + "' added as [Window" + two_digits(numbers[i]) + "]");
    edit.said.push_back(engine + " added to the main panel, [Window00], as gauge" + two_digits(main_number));
    if (into_cockpit)
        edit.said.push_back(engine + " added to the virtual cockpit, [VCockpit01], as gauge" + two_digits(cockpit_number) +
                            ", so that the autopilot runs in either view");
    say_windows_brought_to_life(layout, parse_panel_text(edit.bytes), numbers, edit.said);
    return edit;
}

namespace {

// The block install appended: the marker and the window sections after it that hold only our
// gauges. Marks its lines removed and returns the sections' names (lower case) and its end.
std::vector<std::string> mark_our_block(const panel_text& text, size_t marker, const std::string& module_name,
                                        std::vector<bool>& removed, size_t& block_end)
{
    std::vector<std::string> our_sections;
    block_end = marker + 1;
    while (block_end < text.lines.size()) {
        const std::string name = header_name(text.lines[block_end]);
        if (name.rfind("window", 0) != 0 || name == "window titles") break;
        size_t end = block_end + 1;
        bool only_ours = true;
        for (; end < text.lines.size() && header_name(text.lines[end]).empty(); ++end)
            if (key_of(text.lines[end]).rfind("gauge", 0) == 0)
                only_ours = only_ours && text.lines[end].text.find("=" + module_name + "!") != std::string::npos;
        if (!only_ours) break;
        our_sections.push_back(name);
        block_end = end;
    }
    for (size_t i = marker; i < block_end; ++i) removed[i] = true;
    return our_sections;
}

// The lines install put into the file's own sections: each after the last key of its section, so
// the last match is ours.
void mark_our_lines(const panel_text& text, const std::vector<std::string>& our_sections, const std::string& module_name,
                    const std::string& engine, std::vector<bool>& removed)
{
    const auto remove_last = [&](const std::optional<section_span>& section, const auto& is_ours) {
        if (!section) return;
        for (size_t i = section->end; i > section->header + 1; --i)
            if (!removed[i - 1] && is_ours(text.lines[i - 1])) {
                removed[i - 1] = true;
                return;
            }
    };
    const auto titles = find_section(text, "Window Titles");
    for (const std::string& section : our_sections)
        remove_last(titles, [&](const text_line& line) { return key_of(line) == section; });
    for (const bool virtual_cockpit : {false, true})
        remove_last(find_section(text, virtual_cockpit ? "VCockpit01" : "Window00"), [&](const text_line& line) {
            return is_our_engine_line(line, module_name, engine, virtual_cockpit);
        });
}

// With the block at the end: the line end install gave the file's last line, or the blank line it
// put before the block, goes too.
void mark_what_came_before_the_block(panel_text& text, size_t marker, std::vector<bool>& removed)
{
    size_t last = marker;
    while (last > 0 && removed[last - 1]) --last;
    if (last == 0) return;
    text_line& before = text.lines[last - 1];
    if (before.bytes.empty()) removed[last - 1] = true;
    else before.line_end.clear();
}

}  // namespace

panel_edit uninstall_from_panel(const std::string& bytes, const std::string& module_name, const std::string& engine)
{
    const panel_layout layout = parse_panel_text(bytes);
    panel_text text = split_panel_text(bytes);
    panel_edit edit;
    const auto marker = marker_index(text);
    if (!marker) {
        edit.said.push_back("no windows of install_panel.bat in this file: nothing changed");
        if (const int line = first_line_of_ours(layout, module_name); line != 0)
            edit.said.push_back("the gauges of " + module_name + " here (the first at line " + std::to_string(line) +
                                ") were placed by hand: take them out in Notepad, or put back the original panel.cfg");
        return edit;
    }
    std::vector<bool> removed(text.lines.size(), false);
    size_t block_end = 0;
    const std::vector<std::string> our_sections = mark_our_block(text, *marker, module_name, removed, block_end);
    mark_our_lines(text, our_sections, module_name, engine, removed);
    if (block_end == text.lines.size()) mark_what_came_before_the_block(text, *marker, removed);

    panel_text kept = text;
    kept.lines.clear();
    for (size_t i = 0; i < text.lines.size(); ++i)
        if (!removed[i]) kept.lines.push_back(text.lines[i]);
    edit.result = panel_edit::outcome::changed;
    edit.bytes = join_panel_text(kept);
    edit.said.push_back("the autopilot's " + count_of(our_sections.size(), "window") + " and its " + engine + " lines taken out");
    if (const int line = first_line_of_ours(parse_panel_text(edit.bytes), module_name); line != 0)
        edit.said.push_back("gauges of " + module_name + " changed or placed by hand since the install are still there (line " +
                            std::to_string(line) + "): take them out in Notepad");
    return edit;
}

std::string panel_backup_path(const std::string& path)
{
    return path + ".before_brask_torvik";
}

namespace {

namespace fs = std::filesystem;

bool write_whole(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

// Writes beside the file, then renames over it: the file is either as it was or wholly new.
bool replace_atomically(const std::string& path, const std::string& bytes)
{
    const std::string fresh = path + ".brask_torvik_new";
    std::error_code error;
    if (!write_whole(fresh, bytes)) {
        fs::remove(fresh, error);
        return false;
    }
    fs::rename(fresh, path, error);
    if (error) fs::remove(fresh, error);
    return !error;
}

bool read_only(const std::string& path)
{
    std::error_code error;
    const fs::perms perms = fs::status(path, error).permissions();
    return !error && (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) == fs::perms::none;
}

// Reads the file and says why not; 0 when read.
int read_for_edit(const std::string& path, std::string& bytes, std::ostream& out)
{
    try {
        bytes = read_panel_bytes(path);
        parse_panel_text(bytes);
    } catch (const panel_file_error& error) {
        out << "gaugehost: " << (std::string(error.what()).rfind(path, 0) == 0 ? "" : path + ": ") << error.what() << "\n";
        return 2;
    }
    return 0;
}

void say(const std::string& path, const std::vector<std::string>& said, std::ostream& out)
{
    for (const std::string& sentence : said) out << path << ": " << sentence << "\n";
}

int write_edit(const std::string& path, const std::string& bytes, std::ostream& out)
{
    if (!replace_atomically(path, bytes)) {
        out << path << ": cannot be written (the folder is read-only, or the disk full): nothing changed\n";
        return 1;
    }
    return 0;
}

}  // namespace

int panel_install_command(GaugeHost& host, const std::string& path, std::ostream& out)
{
    std::string bytes;
    if (const int status = read_for_edit(path, bytes, out); status != 0) return status;
    const std::string& module_name = host.module_name();
    const panel_edit edit = install_into_panel(bytes, module_name, "A_Pilot");
    if (edit.result == panel_edit::outcome::changed && read_only(path)) {
        out << path << ": read-only: nothing changed (clear 'Read-only' in the file's properties, then run this again)\n";
        return 1;
    }
    if (edit.result != panel_edit::outcome::changed) {
        say(path, edit.said, out);
        return edit.result == panel_edit::outcome::refused ? 1 : 0;
    }
    const std::vector<panel_finding> findings = check_panel(parse_panel_text(edit.bytes), module_name, module_gauges(host), "A_Pilot");
    if (panel_has_problems(findings)) {
        out << path << ": nothing changed: with the autopilot added, the panel checker finds what would keep it from working:\n";
        print_findings(findings, path, out);
        return 1;
    }
    const std::string backup = panel_backup_path(path);
    std::error_code error;
    const bool had_backup = fs::exists(backup, error);
    if (!had_backup && !replace_atomically(backup, bytes)) {
        out << path << ": the original cannot be kept as " << backup << " (the folder is read-only, or the disk full): nothing changed\n";
        return 1;
    }
    if (const int status = write_edit(path, edit.bytes, out); status != 0) return status;
    say(path, edit.said, out);
    out << path << ": " << (had_backup ? "the original kept earlier stays in " : "the original is kept as ") << backup << "\n";
    print_findings(findings, path, out);
    out << path << ": installed; the panel checker finds nothing wrong\n";
    return 0;
}

int panel_uninstall_command(GaugeHost& host, const std::string& path, std::ostream& out)
{
    std::string bytes;
    if (const int status = read_for_edit(path, bytes, out); status != 0) return status;
    const panel_edit edit = uninstall_from_panel(bytes, host.module_name(), "A_Pilot");
    if (edit.result == panel_edit::outcome::changed && read_only(path)) {
        out << path << ": read-only: nothing changed (clear 'Read-only' in the file's properties, then run this again)\n";
        return 1;
    }
    if (edit.result == panel_edit::outcome::changed)
        if (const int status = write_edit(path, edit.bytes, out); status != 0) return status;
    say(path, edit.said, out);
    return 0;
}
