#include "tools/gaugehost/panel_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <ostream>

#include "tools/gaugehost/bitmap_source.h"

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

void check_size(const panel_gauge& g, const module_gauge& ours, std::vector<panel_finding>& findings)
{
    if (!g.width || !g.height || ours.width <= 0 || ours.height <= 0) return;
    const double across = static_cast<double>(*g.width) / ours.width, down = static_cast<double>(*g.height) / ours.height;
    if (std::fabs(down / across - 1.0) <= largest_stretch) return;
    char stretch[32];
    std::snprintf(stretch, sizeof stretch, "%.2f", down > across ? down / across : across / down);
    findings.push_back({g.line, g.gauge + " drawn " + size_text(*g.width, *g.height) + ", its picture is " +
                                    size_text(ours.width, ours.height) + ": stretched " + stretch + " times " +
                                    (down > across ? "taller" : "wider") + " than it is; give it " +
                                    size_text(*g.width, static_cast<int>(std::lround(*g.width * static_cast<double>(ours.height) / ours.width)))});
}

}  // namespace

std::vector<panel_finding> check_panel(const panel_layout& panel, const std::string& module_name,
                                       const std::vector<module_gauge>& gauges, const std::string& engine)
{
    std::vector<panel_finding> findings;
    struct placed {
        const panel_window* window;
        const panel_gauge* gauge;
    };
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
            check_size(g, *exact, findings);
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
    // reported above, with its window).
    for (const panel_note& note : panel.notes)
        if (lower_case(note.content).find(lower_case(module_name)) != std::string::npos && note.text.rfind("a second ", 0) != 0)
            findings.push_back({note.line, note.content + ": " + note.text});

    const auto working = std::count_if(engines.begin(), engines.end(), [](const placed& p) { return p.window->created; });
    if (engines.empty()) {
        findings.push_back({0, engine + " is on no window: the autopilot never runs (add " + module_name + "!" + engine +
                                   " to a window that stays open in flight)"});
    } else if (working == 0) {
        findings.push_back({engines.front().gauge->line, engine + " is only on windows the simulator never creates: the autopilot never runs"});
    } else if (std::none_of(engines.begin(), engines.end(), [](const placed& p) { return p.window->created && p.window->visible; })) {
        findings.push_back({engines.front().gauge->line, engine + "'s window starts closed (visible=0): the autopilot runs only while the pilot keeps it open"});
    }
    if (working > 1) {
        std::string lines;
        for (const placed& p : engines) lines += (lines.empty() ? "" : ", ") + std::to_string(p.gauge->line);
        findings.push_back({engines[1].gauge->line, engine + " is placed " + std::to_string(working) + " times (lines " + lines +
                                                        "): place it once, on a window that stays open in flight"});
    }
    std::stable_sort(findings.begin(), findings.end(), [](const panel_finding& a, const panel_finding& b) { return a.line < b.line; });
    return findings;
}

std::vector<module_gauge> module_gauges(GaugeHost& host)
{
    const std::unique_ptr<bitmap_source> bitmaps = module_bitmaps(host.resource_handle());
    std::vector<module_gauge> gauges;
    for (GAUGEHDR* gauge : host.gauges()) {
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

int panel_check_command(GaugeHost& host, const panel_layout& panel, const std::string& path, const std::string& module_name,
                        std::ostream& out)
{
    const std::vector<panel_finding> findings = check_panel(panel, module_name, module_gauges(host), "A_Pilot");
    for (const panel_finding& f : findings) out << path << ":" << (f.line > 0 ? std::to_string(f.line) + ":" : "") << " " << f.text << "\n";
    if (findings.empty()) {
        int ours = 0;
        for (const panel_window& w : panel.windows)
            for (const panel_gauge& g : w.gauges) ours += g.module == module_name;
        out << path << ": " << ours << " gauges of " << module_name << ", nothing wrong with them\n";
    }
    return findings.empty() ? 0 : 1;
}
