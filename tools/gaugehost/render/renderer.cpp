#include "tools/gaugehost/render/renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/host/json_output.h"
#include "tools/gaugehost/render/png_file.h"

namespace {

constexpr int longest_chain = 256;  // a guard against a chain that loops
constexpr rgb black{0, 0, 0};
constexpr rgb sprite_window{1, 1, 1};
constexpr double text_height_of_box = 0.8;
constexpr double farthest_offset = 1e6;  // pixels; anything farther is off every canvas

double value_of(ELEMENT_VALUE_FN callback, ELEMENT_HEADER* element)
{
    return callback != nullptr ? callback(element) : 0.0;
}

bool keeps_black_clear(const ELEMENT_HEADER* element)
{
    return (element->image_flags & IMAGE_USE_TRANSPARENCY) != 0;
}

rgb colour_of(uint32_t colorref)
{
    return {static_cast<uint8_t>(colorref & 0xFF), static_cast<uint8_t>((colorref >> 8) & 0xFF),
            static_cast<uint8_t>((colorref >> 16) & 0xFF)};
}

// Value times scale as whole pixels, rounded to nearest; false when not a usable distance.
bool pixel_offset(double value, double scale, int& pixels)
{
    const double offset = std::round(value * scale);
    if (!std::isfinite(offset) || std::fabs(offset) > farthest_offset) return false;
    pixels = static_cast<int>(offset);
    return true;
}

void put(rgb_image& canvas, int x, int y, rgb colour, bool black_is_clear)
{
    if (black_is_clear && colour == black) return;
    if (canvas.contains(x, y)) canvas.at(x, y) = colour;
}

void blit(rgb_image& canvas, const rgb_image& bitmap, int left, int top, bool black_is_clear)
{
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) put(canvas, left + x, top + y, bitmap.at(x, y), black_is_clear);
}

// A turn by an angle, clockwise on screen (x right, y down).
struct turn {
    double sine = 0.0, cosine = 1.0;
    explicit turn(double degrees) { sin_cos_degrees(degrees, sine, cosine); }
    // Where a point of the turned picture (relative to the centre of turning) lies unturned.
    double back_x(double x, double y) const { return x * cosine + y * sine; }
    double back_y(double x, double y) const { return y * cosine - x * sine; }
};

int floor_to_int(double value)
{
    return static_cast<int>(std::floor(value));
}

class element_painter {
public:
    element_painter(rgb_image& canvas, bitmap_source& bitmaps, const text_font* font)
        : canvas_(canvas), bitmaps_(bitmaps), font_(font)
    {
    }

    void paint(ELEMENT_HEADER* element)
    {
        switch (element->element_type) {
        case ELEMENT_TYPE_STATIC_IMAGE: return paint_static(element);
        case ELEMENT_TYPE_ICON: return paint_icon(reinterpret_cast<ELEMENT_ICON*>(element));
        case ELEMENT_TYPE_SLIDER: return paint_slider(reinterpret_cast<ELEMENT_SLIDER*>(element));
        case ELEMENT_TYPE_NEEDLE: return paint_needle(reinterpret_cast<ELEMENT_NEEDLE*>(element));
        case ELEMENT_TYPE_SPRITE: return paint_sprite(reinterpret_cast<ELEMENT_SPRITE*>(element));
        case ELEMENT_TYPE_STRING: return paint_string(reinterpret_cast<ELEMENT_STRING*>(element));
        default: return;
        }
    }

private:
    void paint_static(ELEMENT_HEADER* element)
    {
        if (const rgb_image* bitmap = bitmaps_.find(element->resource_id))
            blit(canvas_, *bitmap, element->position.x, element->position.y, keeps_black_clear(element));
    }

    void paint_icon(ELEMENT_ICON* icon)
    {
        const double index = std::trunc(value_of(icon->value_callback, &icon->header));
        if (!(index >= 0.0 && index < static_cast<double>(icon->image_count))) return;  // NaN included
        const rgb_image* bitmap = bitmaps_.find(icon->header.resource_id + static_cast<uint32_t>(index));
        if (bitmap != nullptr)
            blit(canvas_, *bitmap, icon->header.position.x, icon->header.position.y, keeps_black_clear(&icon->header));
    }

    void paint_slider(ELEMENT_SLIDER* slider)
    {
        const rgb_image* bitmap = bitmaps_.find(slider->header.resource_id);
        int dx = 0, dy = 0;
        if (bitmap == nullptr || !pixel_offset(value_of(slider->x_callback, &slider->header), slider->x_scale, dx) ||
            !pixel_offset(value_of(slider->y_callback, &slider->header), slider->y_scale, dy))
            return;
        blit(canvas_, *bitmap, slider->header.position.x + dx, slider->header.position.y + dy,
             keeps_black_clear(&slider->header));
    }

    // The pivot pixel of the bitmap lands on the position pixel; every canvas pixel near it takes
    // the bitmap pixel that the reverse turn brings it to.
    void paint_needle(ELEMENT_NEEDLE* needle)
    {
        const ELEMENT_HEADER& header = needle->header;
        const rgb_image* bitmap = bitmaps_.find(header.resource_id);
        const double degrees = value_of(needle->value_callback, &needle->header);
        if (bitmap == nullptr || !std::isfinite(degrees)) return;
        const turn by(degrees);
        const int reach = bitmap->width + bitmap->height;  // beyond any corner, whatever the pivot
        const double pivot_x = header.offset.x + 0.5, pivot_y = header.offset.y + 0.5;
        const bool clear = keeps_black_clear(&header);
        for (int y = header.position.y - reach; y <= header.position.y + reach; ++y)
            for (int x = header.position.x - reach; x <= header.position.x + reach; ++x) {
                if (!canvas_.contains(x, y)) continue;
                const double rx = x - header.position.x, ry = y - header.position.y;
                const int sx = floor_to_int(pivot_x + by.back_x(rx, ry));
                const int sy = floor_to_int(pivot_y + by.back_y(rx, ry));
                if (bitmap->contains(sx, sy)) put(canvas_, x, y, bitmap->at(sx, sy), clear);
            }
    }

    // Each mask pixel of the window value shows the texture pixel under its centre: the texture's
    // centre on the offset point, scaled down by the texture scales and turned by the rotation.
    void paint_sprite(ELEMENT_SPRITE* sprite)
    {
        const ELEMENT_HEADER& header = sprite->header;
        const rgb_image* texture = bitmaps_.find(header.resource_id);
        const rgb_image* mask = bitmaps_.find(header.resource_id + 1);
        const double degrees = value_of(sprite->rotation_callback, &sprite->header);
        if (texture == nullptr || mask == nullptr || !std::isfinite(degrees)) return;
        const turn by(degrees);
        const double scale_x = usable_scale(sprite->texture_scale_x), scale_y = usable_scale(sprite->texture_scale_y);
        const double centre_x = texture->width / 2.0, centre_y = texture->height / 2.0;
        const bool clear = keeps_black_clear(&header);
        for (int my = 0; my < mask->height; ++my)
            for (int mx = 0; mx < mask->width; ++mx) {
                if (!(mask->at(mx, my) == sprite_window)) continue;
                const int x = header.position.x + mx, y = header.position.y + my;
                if (!canvas_.contains(x, y)) continue;
                const double rx = x + 0.5 - header.offset.x, ry = y + 0.5 - header.offset.y;
                const int tx = floor_to_int(centre_x + by.back_x(rx, ry) * scale_x);
                const int ty = floor_to_int(centre_y + by.back_y(rx, ry) * scale_y);
                if (texture->contains(tx, ty)) put(canvas_, x, y, texture->at(tx, ty), clear);
            }
    }

    static double usable_scale(float scale)
    {
        return std::isfinite(scale) && scale > 0.0f ? static_cast<double>(scale) : 1.0;
    }

    void paint_string(ELEMENT_STRING* string)
    {
        // The host's buffer: the characters shown and a terminator, then guard bytes that take
        // an overrun without harm. The record gets back whatever buffer it named before.
        const size_t size = static_cast<size_t>(std::min<uint32_t>(string->characters_shown, 4096)) + 1;
        text_buffer_.assign(size + string_guard_bytes, string_guard);
        text_buffer_[0] = '\0';
        char* const previous = string->text;
        string->text = text_buffer_.data();
        if (string->value_callback != nullptr) string->value_callback(&string->header);
        string->text = previous;
        const char* begin = text_buffer_.data();
        const std::string text(begin, std::find(begin, begin + size - 1, '\0'));

        const text_box box = {string->header.position.x, string->header.position.y, string->box_width,
                              string->box_height};
        const rgb background = colour_of(string->background_colour);
        for (int y = box.y; y < box.y + box.height; ++y)
            for (int x = box.x; x < box.x + box.width; ++x) put(canvas_, x, y, background, false);
        if (text.empty()) return;
        if (font_ == nullptr) throw render_error("no font for the text of string elements (see BRASK_FONT)");
        const int pixel_height = static_cast<int>(box.height * text_height_of_box);
        font_->draw_centred(canvas_, box, text, pixel_height, colour_of(string->text_colour));
    }

    rgb_image& canvas_;
    bitmap_source& bitmaps_;
    const text_font* font_;
    std::vector<char> text_buffer_;
};

}  // namespace

void sin_cos_degrees(double degrees, double& sine, double& cosine)
{
    // To the nearest quarter turn and a remainder of at most 45 degrees, then the series.
    const double turned = std::fmod(degrees, 360.0);  // exact
    const double quarters = std::round(turned / 90.0);
    const double r = (turned - 90.0 * quarters) * (3.14159265358979323846 / 180.0);
    const double r2 = r * r;
    const double s = r * (1 - r2 / 6 * (1 - r2 / 20 * (1 - r2 / 42 * (1 - r2 / 72 * (1 - r2 / 110 * (1 - r2 / 156 *
                     (1 - r2 / 210 * (1 - r2 / 272))))))));
    const double c = 1 - r2 / 2 * (1 - r2 / 12 * (1 - r2 / 30 * (1 - r2 / 56 * (1 - r2 / 90 * (1 - r2 / 132 *
                     (1 - r2 / 182 * (1 - r2 / 240)))))));
    // Turning a further quarter maps (sine, cosine) to (cosine, -sine).
    const double quarter_values[4][2] = {{s, c}, {c, -s}, {-s, -c}, {-c, s}};
    const int quarter = ((static_cast<int>(quarters) % 4) + 4) % 4;
    sine = quarter_values[quarter][0];
    cosine = quarter_values[quarter][1];
}

rgb_image render_gauge(GAUGEHDR* gauge, bitmap_source& bitmaps, const text_font* font)
{
    ELEMENT_HEADER* root = gauge != nullptr && gauge->elements_list != nullptr ? gauge->elements_list[0] : nullptr;
    if (root == nullptr || root->element_type != ELEMENT_TYPE_STATIC_IMAGE)
        throw render_error("the gauge has no root static image");
    const rgb_image* background = bitmaps.find(root->resource_id);
    if (background == nullptr) throw render_error("no bitmap " + std::to_string(root->resource_id));

    rgb_image canvas(background->width, background->height, black);
    element_painter painter(canvas, bitmaps, font);
    int place = 1;
    for (ELEMENT_HEADER* element = root; element != nullptr && place <= longest_chain;
         element = next_in_chain(element), ++place)
        painter.paint(element);
    return canvas;
}

rgb_image scale_up(const rgb_image& image, int factor)
{
    if (factor <= 1) return image;
    rgb_image scaled(image.width * factor, image.height * factor);
    for (int y = 0; y < scaled.height; ++y)
        for (int x = 0; x < scaled.width; ++x) scaled.at(x, y) = image.at(x / factor, y / factor);
    return scaled;
}

std::string render_command(GaugeHost& host, const std::string& gauge_name, const std::string& file, int scale)
{
    const std::string head = "{\"render\":" + json_string(gauge_name) + ",\"file\":" + json_string(file);
    try {
        const std::unique_ptr<bitmap_source> bitmaps = module_bitmaps(host.resource_handle(host.find_gauge(gauge_name)));
        const std::string font_path = default_font_path();
        const std::unique_ptr<text_font> font = font_path.empty() ? nullptr : text_font::load(font_path);
        const rgb_image image = scale_up(render_gauge(host.find_gauge(gauge_name), *bitmaps, font.get()), scale);
        if (!write_png(image, file)) throw render_error("cannot write " + file);
        return head + ",\"width\":" + std::to_string(image.width) + ",\"height\":" + std::to_string(image.height) + "}";
    } catch (const render_error& error) {
        return head + ",\"error\":" + json_string(error.what()) + "}";
    }
}
