#include "tools/gaugehost/render/text_font.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>

struct text_font::face {
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
};

namespace {
#ifdef _WIN32
const char* const installed_font = "Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationMono-Bold.ttf";
#else
const char* const installed_font = "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf";
#endif

bool readable(const std::string& path)
{
    return !path.empty() && static_cast<bool>(std::ifstream(path, std::ios::binary));
}

uint8_t blend(uint8_t from, uint8_t to, unsigned coverage)
{
    return static_cast<uint8_t>((from * (255 - coverage) + to * coverage + 127) / 255);
}
}  // namespace

std::string default_font_path()
{
    if (readable(installed_font)) return installed_font;
    if (const char* named = std::getenv("BRASK_FONT"); named != nullptr && readable(named)) return named;
    return {};
}

text_font::text_font(std::unique_ptr<face> loaded) : face_(std::move(loaded)) {}
text_font::~text_font() = default;

std::unique_ptr<text_font> text_font::load(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return nullptr;
    auto loaded = std::make_unique<face>();
    loaded->data.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (loaded->data.empty()) return nullptr;
    const int offset = stbtt_GetFontOffsetForIndex(loaded->data.data(), 0);
    if (offset < 0 || stbtt_InitFont(&loaded->info, loaded->data.data(), offset) == 0) return nullptr;
    return std::unique_ptr<text_font>(new text_font(std::move(loaded)));
}

void text_font::draw_centred(rgb_image& canvas, const text_box& box, const std::string& text, int pixel_height,
                             rgb colour) const
{
    const stbtt_fontinfo& info = face_->info;
    const float scale = stbtt_ScaleForPixelHeight(&info, static_cast<float>(pixel_height));
    int ascent = 0, descent = 0, line_gap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &line_gap);

    // The line's extent in font units: advances plus kerning.
    int units = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<unsigned char>(text[i]);
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, code, &advance, &bearing);
        units += advance;
        if (i + 1 < text.size()) units += stbtt_GetCodepointKernAdvance(&info, code, static_cast<unsigned char>(text[i + 1]));
    }
    const int line_width = static_cast<int>(static_cast<float>(units) * scale + 0.5f);
    const int line_height = static_cast<int>(static_cast<float>(ascent - descent) * scale + 0.5f);
    const int left = box.x + (box.width - line_width) / 2;
    const int baseline = box.y + (box.height - line_height) / 2 + static_cast<int>(static_cast<float>(ascent) * scale + 0.5f);

    int pen_units = 0;
    std::vector<unsigned char> coverage;
    for (size_t i = 0; i < text.size(); ++i) {
        const int code = static_cast<unsigned char>(text[i]);
        const int pen = left + static_cast<int>(static_cast<float>(pen_units) * scale + 0.5f);
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBox(&info, code, scale, scale, &x0, &y0, &x1, &y1);
        const int w = x1 - x0, h = y1 - y0;
        if (w > 0 && h > 0) {
            coverage.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
            stbtt_MakeCodepointBitmap(&info, coverage.data(), w, h, w, scale, scale, code);
            for (int gy = 0; gy < h; ++gy)
                for (int gx = 0; gx < w; ++gx) {
                    const int x = pen + x0 + gx, y = baseline + y0 + gy;
                    if (x < box.x || x >= box.x + box.width || y < box.y || y >= box.y + box.height ||
                        !canvas.contains(x, y))
                        continue;
                    const unsigned a = coverage[static_cast<size_t>(gy) * static_cast<size_t>(w) + static_cast<size_t>(gx)];
                    rgb& pixel = canvas.at(x, y);
                    pixel = {blend(pixel.r, colour.r, a), blend(pixel.g, colour.g, a), blend(pixel.b, colour.b, a)};
                }
        }
        int advance = 0, bearing = 0;
        stbtt_GetCodepointHMetrics(&info, code, &advance, &bearing);
        pen_units += advance;
        if (i + 1 < text.size()) pen_units += stbtt_GetCodepointKernAdvance(&info, code, static_cast<unsigned char>(text[i + 1]));
    }
}
