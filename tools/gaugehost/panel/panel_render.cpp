#include "tools/gaugehost/panel/panel_render.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "tools/gaugehost/render/bitmap_source.h"
#include "tools/gaugehost/panel/panel_check.h"
#include "tools/gaugehost/render/png_file.h"
#include "tools/gaugehost/render/renderer.h"
#include "tools/gaugehost/render/text_font.h"

namespace {

constexpr rgb window_background = {16, 16, 16}, box_outline = {128, 128, 128}, box_label = {200, 200, 200};
constexpr int largest_side = 4096;  // pixels; a panel larger than this is drawn no larger

// The picture scaled to width x height, nearest neighbour.
rgb_image resized(const rgb_image& picture, int width, int height)
{
    rgb_image out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.at(x, y) = picture.at(x * picture.width / width, y * picture.height / height);
    return out;
}

void paste(rgb_image& canvas, const rgb_image& picture, int left, int top)
{
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            if (canvas.contains(left + x, top + y)) canvas.at(left + x, top + y) = picture.at(x, y);
}

void outline(rgb_image& canvas, int left, int top, int width, int height)
{
    for (int x = left; x < left + width; ++x)
        for (int y : {top, top + height - 1})
            if (canvas.contains(x, y)) canvas.at(x, y) = box_outline;
    for (int y = top; y < top + height; ++y)
        for (int x : {left, left + width - 1})
            if (canvas.contains(x, y)) canvas.at(x, y) = box_outline;
}

// A picture this command writes: WindowNN.png or VCockpitNN.png, in any letter case.
bool own_picture_name(const std::string& name)
{
    const std::string lower = lower_case(name);
    for (const std::string prefix : {"window", "vcockpit"}) {
        if (lower.size() != prefix.size() + 6 || lower.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string rest = lower.substr(prefix.size());
        if (std::isdigit(static_cast<unsigned char>(rest[0])) && std::isdigit(static_cast<unsigned char>(rest[1])) &&
            rest.compare(2, 4, ".png") == 0)
            return true;
    }
    return false;
}

// Removes the pictures an earlier run left in the folder, and nothing else; returns how many.
int remove_old_pictures(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::error_code error;
    int removed = 0;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error) && own_picture_name(it->path().filename().string()) && fs::remove(it->path(), error))
            ++removed;
    return removed;
}

// Why no window was drawn, in the pilot's words.
std::string nothing_drawn_reason(const panel_layout& panel, const std::string& module_name)
{
    for (const panel_window& w : panel.windows)
        for (const panel_gauge& g : w.gauges)
            if (g.module == module_name)
                return "the gauges of " + module_name + " are only on windows the simulator never creates (run panel-check)";
    return "no window of the panel holds a gauge of " + module_name;
}

}  // namespace

namespace {

struct placed {
    const panel_gauge* line;
    rgb_image picture;  // empty for a gauge not ours
    int width, height;
};

struct drawing_tools {
    GaugeHost& host;
    const text_font* font;
    const std::string& module_name;
    const std::string& path;
};

// The gauge a panel line names, when the host serves its module (ours, or one beside it).
GAUGEHDR* served_gauge(const GaugeHost& host, const panel_gauge& g)
{
    GAUGEHDR* gauge = host.find_gauge(g.gauge);
    return gauge != nullptr && host.module_name(gauge) == g.module ? gauge : nullptr;
}

// A window's gauges as the panel places them, ours drawn by the renderer (at their own size when
// the line gives none), others at their size or 32 units; status 1 when one of ours cannot be
// drawn. A window without size_mm grows to hold them (width and height).
std::vector<placed> placed_gauges(const panel_window& w, const drawing_tools& tools, int& width, int& height, int& status,
                                  std::ostream& out)
{
    std::vector<placed> gauges;
    for (const panel_gauge& g : w.gauges) {
        if (!g.problem.empty()) continue;
        placed p{&g, {}, g.width.value_or(0), g.height.value_or(0)};
        GAUGEHDR* ours = served_gauge(tools.host, g);
        if (ours != nullptr) {
            try {
                p.picture = render_gauge(ours, *module_bitmaps(tools.host.resource_handle(ours)), tools.font);
            } catch (const render_error& error) {
                out << tools.path << ":" << g.line << ": " << g.gauge << " not drawn: " << error.what() << "\n";
                status = 1;
            }
            if (p.width == 0) p.width = p.picture.width;
            if (p.height == 0 && p.picture.width > 0)
                p.height = static_cast<int>(std::lround(static_cast<double>(p.width) * p.picture.height / p.picture.width));
        }
        if (p.width <= 0) p.width = 32;  // another module's gauge at its own size: not known here
        if (p.height <= 0) p.height = 32;
        if (!w.size_mm) {
            width = std::max(width, g.x + p.width);
            height = std::max(height, g.y + p.height);
        }
        gauges.push_back(std::move(p));
    }
    return gauges;
}

// The window drawn: ours pasted, scaled to their place; others as labelled boxes.
rgb_image drawn_window(const std::vector<placed>& gauges, int width, int height, double scale, const text_font* font)
{
    const auto pixels = [&](int units) { return std::clamp(static_cast<int>(std::lround(units * scale)), 0, largest_side); };
    rgb_image canvas(std::max(pixels(width), 1), std::max(pixels(height), 1), window_background);
    for (const placed& p : gauges) {
        const int left = pixels(p.line->x), top = pixels(p.line->y), across = std::max(pixels(p.width), 1),
                  down = std::max(pixels(p.height), 1);
        if (p.picture.width > 0) {
            paste(canvas, resized(p.picture, across, down), left, top);
        } else {
            outline(canvas, left, top, across, down);
            if (font) font->draw_centred(canvas, {left, top, across, down}, p.line->gauge, std::clamp(down / 4, 8, 16), box_label);
        }
    }
    return canvas;
}

}  // namespace

int panel_render_command(GaugeHost& host, const panel_layout& panel, const std::string& path, const std::string& module_name,
                         const std::string& folder, std::ostream& out)
{
    const std::string font_path = default_font_path();
    const std::unique_ptr<text_font> font = font_path.empty() ? nullptr : text_font::load(font_path);
    const drawing_tools tools{host, font.get(), module_name, path};
    int status = 0, drawn = 0;
    if (const int removed = remove_old_pictures(folder); removed > 0)
        out << folder << ": " << count_of(static_cast<size_t>(removed), "picture") << " of an earlier run removed\n";
    for (const panel_window& w : panel.windows) {
        if (!w.created || std::none_of(w.gauges.begin(), w.gauges.end(), [&](const panel_gauge& g) { return served_gauge(host, g); }))
            continue;
        // The window's units: size_mm; a virtual cockpit's texture has pixel_size pixels for them.
        int width = w.size_mm ? w.size_mm->first : 0, height = w.size_mm ? w.size_mm->second : 0;
        double scale = 1.0;
        if (w.virtual_cockpit && w.size_mm && w.pixel_size && w.size_mm->first > 0)
            scale = static_cast<double>(w.pixel_size->first) / w.size_mm->first;
        const std::vector<placed> gauges = placed_gauges(w, tools, width, height, status, out);
        const rgb_image canvas = drawn_window(gauges, width, height, scale, font.get());
        const std::string file = folder + "/" + w.section + ".png";
        if (!write_png(canvas, file)) {
            out << "gaugehost panel-render: cannot write " << file << "\n";
            status = 1;
            continue;
        }
        out << file << ": " << (w.title.empty() ? w.section : w.title) << ", " << canvas.width << " x " << canvas.height << ", "
            << count_of(gauges.size(), "gauge") << "\n";
        ++drawn;
    }
    if (drawn == 0 && status == 0) out << path << ": nothing drawn: " << nothing_drawn_reason(panel, module_name) << "\n";
    return status;
}
