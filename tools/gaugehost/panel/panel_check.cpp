#include "tools/gaugehost/panel/panel_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <utility>
#include <ostream>

#include "tools/gaugehost/render/bitmap_source.h"

namespace {

// A gauge drawn more than this much taller than wide (or wider than tall) against its own
// picture is distorted visibly.
constexpr double largest_stretch = 0.03;
// Names within this many edits of one of ours are taken for a misspelling of it.
constexpr size_t misspelling_edits = 3;

size_t edits_between(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Ours, misspelt: the same in another letter case, a few edits away, or cut short (or run on)
// by at least half of it.
bool close_to(const std::string& written, const std::string& ours)
{
    const std::string a = lower_case(written), b = lower_case(ours);
    const std::string& shorter = a.size() < b.size() ? a : b;
    const std::string& longer = a.size() < b.size() ? b : a;
    const bool cut = !shorter.empty() && 2 * shorter.size() >= longer.size() && longer.compare(0, shorter.size(), shorter) == 0;
    return written != ours && (cut || edits_between(a, b) <= misspelling_edits);
}

std::string where(const panel_window& w)
{
    return "[" + w.section + "]";
}

std::string size_text(int width, int height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

// The size nearest the one written that keeps the picture's proportions and stays inside the
// window from the gauge's corner (when the window gives its size).
std::pair<int, int> proportional_size(const panel_gauge& g, const module_gauge& ours, const panel_window& w)
{
    const double across_per_down = static_cast<double>(ours.width) / ours.height;
    int width = *g.width, height = static_cast<int>(std::lround(width / across_per_down));
    if (w.size_mm) {
        const int room_across = w.size_mm->first - g.x, room_down = w.size_mm->second - g.y;
        if (room_down > 0 && height > room_down) {
            height = room_down;
            width = static_cast<int>(std::lround(height * across_per_down));
        }
        if (room_across > 0 && width > room_across) {
            width = room_across;
            height = static_cast<int>(std::lround(width / across_per_down));
        }
    }
    return {std::max(width, 1), std::max(height, 1)};
}

void check_size(const panel_gauge& g, const module_gauge& ours, const panel_window& w, std::vector<panel_finding>& findings)
{
    if (!g.width || !g.height || ours.width <= 0 || ours.height <= 0) return;
    const double across = static_cast<double>(*g.width) / ours.width, down = static_cast<double>(*g.height) / ours.height;
    if (std::fabs(down / across - 1.0) > largest_stretch) {
        char stretch[32];
        std::snprintf(stretch, sizeof stretch, "%.2f", down > across ? down / across : across / down);
        const auto [width, height] = proportional_size(g, ours, w);
        findings.push_back({g.line, g.gauge + " drawn " + size_text(*g.width, *g.height) + ", its picture is " +
                                        size_text(ours.width, ours.height) + ": stretched " + stretch + " times " +
                                        (down > across ? "taller" : "wider") + " than it is; give it " +
                                        size_text(width, height) +
                                        (w.size_mm ? " (which fits in " + where(w) + " from " + std::to_string(g.x) + ", " +
                                                         std::to_string(g.y) + ")"
                                                   : "")});
    }
    if (!w.size_mm) return;
    const bool past_right = g.x + *g.width > w.size_mm->first, past_bottom = g.y + *g.height > w.size_mm->second;
    if (!past_right && !past_bottom)
        return;
    findings.push_back({g.line,
                        g.gauge + " at " + std::to_string(g.x) + ", " + std::to_string(g.y) + " drawn " +
                            size_text(*g.width, *g.height) + " reaches past the " +
                            (past_right && past_bottom ? "right and bottom edges" : past_right ? "right edge" : "bottom edge") +
                            " of " + where(w) + " (size_mm " + std::to_string(w.size_mm->first) + "," +
                            std::to_string(w.size_mm->second) + "): the part beyond is not shown",
                        true});
}

struct placed {
    const panel_window* window;
    const panel_gauge* gauge;
};

std::string line_list(const std::vector<placed>& engines)
{
    std::string lines;
    for (const placed& p : engines) lines += (lines.empty() ? "" : ", ") + std::to_string(p.gauge->line);
    return lines;
}

// The engine runs while a window holding it is drawn: the 2D panel's windows in the 2D view, the
// virtual-cockpit panels (all of them at once) in the virtual cockpit. One in each is right.
void check_engine_placement(const panel_layout& panel, const std::vector<placed>& engines, const std::string& module_name,
                            const std::string& engine, std::vector<panel_finding>& findings)
{
    std::vector<placed> working;
    for (const placed& p : engines)
        if (p.window->created) working.push_back(p);
    if (engines.empty()) {
        findings.push_back({0, engine + " is on no window: the autopilot never runs (add " + module_name + "!" + engine +
                                   " to the main panel, [Window00], and to the first virtual cockpit, [VCockpit01], if "
                                   "the panel has one; install_panel.bat does both)"});
        return;
    }
    if (working.empty()) {
        findings.push_back({engines.front().gauge->line, engine + " is only on windows the simulator never creates: the autopilot never runs"});
        return;
    }
    if (std::none_of(working.begin(), working.end(), [](const placed& p) { return p.window->visible; }))
        findings.push_back({working.front().gauge->line, engine + "'s window starts closed (visible=0): the autopilot runs only while the pilot keeps it open"});

    struct cockpit {
        const char* name;
        bool virtual_cockpit;
        const char* add_to;
    } const cockpits[] = {{"the 2D panel", false, "[Window00]"}, {"the virtual cockpit", true, "[VCockpit01]"}};
    const auto has_created = [&](bool virtual_cockpit) {
        return std::any_of(panel.windows.begin(), panel.windows.end(),
                           [&](const panel_window& w) { return w.created && w.virtual_cockpit == virtual_cockpit; });
    };
    for (const cockpit& c : cockpits) {
        std::vector<placed> here;
        for (const placed& p : working)
            if (p.window->virtual_cockpit == c.virtual_cockpit) here.push_back(p);
        if (here.size() > 1)
            findings.push_back({here[1].gauge->line, engine + " is placed " + std::to_string(here.size()) + " times in " + c.name +
                                                         " (lines " + line_list(here) +
                                                         "): one there is enough; the autopilot runs once a frame either way",
                                true});
        const cockpit& other = c.virtual_cockpit ? cockpits[0] : cockpits[1];
        if (here.empty() && has_created(c.virtual_cockpit))
            findings.push_back({working.front().gauge->line,
                                engine + " is in " + other.name + " but not in " + c.name +
                                    ": the autopilot stops while you fly from " + c.name + "; add " + module_name + "!" +
                                    engine + " to " + c.add_to + " too (one per cockpit is right)",
                                true});
    }
}

// A second section of a name is never read. One holding our gauges, or a second [Window Titles],
// keeps them from working: the lines pasted at the end of a panel.cfg whose sections it already has.
void check_hidden_sections(const panel_layout& panel, const std::string& module_name, std::vector<panel_finding>& findings)
{
    for (const panel_note& header : panel.notes) {
        if (header.hidden_section.empty() || header.text.rfind("a second [", 0) != 0) continue;
        int lines = 0, ours = 0;
        for (const panel_note& n : panel.notes)
            if (n.line > header.line && n.first_section_line == header.first_section_line &&
                n.hidden_section == header.hidden_section && n.text.rfind("in a second [", 0) == 0) {
                ++lines;
                ours += lower_case(n.content).find(lower_case(module_name) + "!") != std::string::npos;
            }
        const bool titles = lower_case(header.hidden_section) == "window titles";
        findings.push_back({header.line,
                            "[" + header.hidden_section + "] a second time: the simulator reads only the first, at line " +
                                std::to_string(header.first_section_line) + ", so the " + count_of(lines, "line") +
                                " here " + (lines == 1 ? "is" : "are") + " never read" +
                                (ours > 0 ? ", " + count_of(ours, "gauge") + " of " + module_name + " among them" : "") +
                                "; merge " + (lines == 1 ? "it" : "them") + " into the first [" + header.hidden_section +
                                "] (a window or gauge number used there takes the next free one), or put back the "
                                "original panel.cfg and drop it on install_panel.bat",
                            ours == 0 && !titles});
    }
}

void check_encoding(const panel_layout& panel, std::vector<panel_finding>& findings)
{
    if (!panel.utf8_mark) return;
    // Windows' profile functions know UTF-16's mark but not UTF-8's (so on today's Windows; the
    // era's documentation says nothing either way): the mark is read as part of the first line.
    const bool first_line_is_a_section = panel.first_section_line == 1;
    findings.push_back({1,
                        std::string("saved as UTF-8 with a byte-order mark, which Windows' profile functions do not "
                                    "know: they read the mark as part of the first line") +
                            (first_line_is_a_section ? ", so the section it starts is likely never read"
                                                     : " (a comment or blank here, so likely harmless)") +
                            "; save the file as ANSI (Notepad: File, Save As, Encoding ANSI)",
                        !first_line_is_a_section});
}

}  // namespace

bool panel_has_problems(const std::vector<panel_finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const panel_finding& f) { return !f.note; });
}

std::string count_of(size_t count, const std::string& thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::vector<panel_finding> check_panel(const panel_layout& panel, const std::string& module_name,
                                       const std::vector<module_gauge>& gauges, const std::string& engine)
{
    std::vector<panel_finding> findings;
    std::vector<placed> engines;
    for (const panel_window& w : panel.windows) {
        bool holds_ours = false;
        for (const panel_gauge& g : w.gauges) {
            const bool our_module = g.module == module_name;
            if (!our_module && close_to(g.module, module_name)) {
                findings.push_back({g.line, "the module is named '" + g.module + "': it is " + module_name + " (the file " +
                                                module_name + ".gau), letter for letter; the simulator skips this gauge"});
                continue;
            }
            if (!our_module) continue;
            holds_ours = true;
            if (!g.problem.empty()) {
                findings.push_back({g.line, g.key + ": " + g.problem});
                continue;
            }
            const auto exact = std::find_if(gauges.begin(), gauges.end(), [&](const module_gauge& m) { return m.name == g.gauge; });
            if (exact == gauges.end()) {
                const auto near = std::find_if(gauges.begin(), gauges.end(), [&](const module_gauge& m) { return close_to(g.gauge, m.name); });
                findings.push_back({g.line, "no gauge '" + g.gauge + "' in " + module_name +
                                                (near != gauges.end() ? ": it is " + near->name + ", letter for letter" : "") +
                                                "; the simulator skips this gauge"});
                continue;
            }
            check_size(g, *exact, w, findings);
            if (g.gauge == engine) engines.push_back({&w, &g});
        }
        for (const panel_gauge& g : w.hidden) {
            const auto first = std::find_if(w.gauges.begin(), w.gauges.end(), [&](const panel_gauge& f) { return f.number == g.number; });
            findings.push_back({g.line, g.key + " a second time in " + where(w) + ": the simulator reads only line " +
                                            std::to_string(first != w.gauges.end() ? first->line : 0) + ", so " + g.gauge +
                                            " here is never shown; give it a free number"});
        }
        if (!w.virtual_cockpit && w.title_line == 0 && w.line != 0)
            findings.push_back({w.line, where(w) + " has no title in [Window Titles] (" + w.section +
                                            "=TITLE): the simulator never creates it"});
        else if (!w.created && holds_ours)
            findings.push_back({w.line != 0 ? w.line : w.title_line,
                                where(w) + (w.virtual_cockpit ? " follows a gap in the numbers of the virtual cockpits"
                                                              : " follows a gap in the window numbers of [Window Titles]") +
                                    ": the simulator never creates it, nor the gauges in it"});
    }
    // Lines naming our module that the simulator never reads (a second key of a name is
    // reported above, with its window; a second section below, as a whole).
    for (const panel_note& note : panel.notes)
        if (lower_case(note.content).find(lower_case(module_name)) != std::string::npos && note.text.rfind("a second ", 0) != 0 &&
            note.hidden_section.empty())
            findings.push_back({note.line, note.content + ": " + note.text});
    check_hidden_sections(panel, module_name, findings);
    if (!engine.empty()) check_engine_placement(panel, engines, module_name, engine, findings);
    check_encoding(panel, findings);
    std::stable_sort(findings.begin(), findings.end(), [](const panel_finding& a, const panel_finding& b) { return a.line < b.line; });
    return findings;
}

std::vector<module_gauge> module_gauges(GaugeHost& host)
{
    return module_gauges(host, host.module_name());
}

std::vector<module_gauge> module_gauges(GaugeHost& host, const std::string& module_name)
{
    std::vector<module_gauge> gauges;
    for (GAUGEHDR* gauge : host.gauges()) {
        if (host.module_name(gauge) != module_name) continue;
        const std::unique_ptr<bitmap_source> bitmaps = module_bitmaps(host.resource_handle(gauge));
        module_gauge g;
        g.name = gauge->gauge_name != nullptr ? gauge->gauge_name : "";
        const ELEMENT_HEADER* root = gauge->elements_list != nullptr ? gauge->elements_list[0] : nullptr;
        if (const rgb_image* picture = root != nullptr ? bitmaps->find(root->resource_id) : nullptr) {
            g.width = picture->width;
            g.height = picture->height;
        }
        gauges.push_back(g);
    }
    return gauges;
}

void print_findings(const std::vector<panel_finding>& findings, const std::string& path, std::ostream& out)
{
    for (const panel_finding& f : findings)
        out << path << ":" << (f.line > 0 ? std::to_string(f.line) + ":" : "") << (f.note ? " note: " : " ") << f.text << "\n";
}

int panel_check_command(GaugeHost& host, const panel_layout& panel, const std::string& path, const std::string& module_name,
                        std::ostream& out)
{
    std::vector<panel_finding> findings = check_panel(panel, module_name, module_gauges(host), "A_Pilot");
    // A module served beside (the recorder's) is checked as well, if the panel names it; its
    // gauges need no engine. A finding on the panel as a whole is said once.
    std::vector<std::string> beside;
    for (GAUGEHDR* gauge : host.gauges())
        if (host.module_name(gauge) != module_name && std::find(beside.begin(), beside.end(), host.module_name(gauge)) == beside.end())
            beside.push_back(host.module_name(gauge));
    for (const std::string& other : beside)
        for (const panel_finding& f : check_panel(panel, other, module_gauges(host, other), ""))
            if (std::none_of(findings.begin(), findings.end(), [&](const panel_finding& g) { return g.line == f.line && g.text == f.text; }))
                findings.push_back(f);
    std::stable_sort(findings.begin(), findings.end(), [](const panel_finding& a, const panel_finding& b) { return a.line < b.line; });
    print_findings(findings, path, out);
    if (panel_has_problems(findings)) return 1;
    beside.insert(beside.begin(), module_name);
    for (const std::string& name : beside) {
        size_t ours = 0;
        for (const panel_window& w : panel.windows)
            for (const panel_gauge& g : w.gauges) ours += g.module == name;
        if (ours != 0 || name == module_name)
            out << path << ": " << count_of(ours, "gauge") << " of " << name << ", nothing wrong with them\n";
    }
    return 0;
}
