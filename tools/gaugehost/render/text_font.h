// A TrueType font for the text of string elements, drawn as Windows' DrawText draws a single
// line centred both ways in a box (the flags the module's strings use).
#pragma once

#include <memory>
#include <string>

#include "tools/gaugehost/render/bitmap_source.h"

struct text_box {
    int x, y, width, height;
};

class text_font {
public:
    // Null when the file cannot be read or is not a TrueType font.
    static std::unique_ptr<text_font> load(const std::string& path);
    ~text_font();
    text_font(const text_font&) = delete;
    text_font& operator=(const text_font&) = delete;

    // Draws text in one line, pixel_height pixels from the lowest descent to the highest ascent,
    // centred horizontally and vertically in box and clipped to it; each pixel is blended from
    // what is there to colour by the glyphs' coverage.
    void draw_centred(rgb_image& canvas, const text_box& box, const std::string& text, int pixel_height,
                      rgb colour) const;

private:
    struct face;
    explicit text_font(std::unique_ptr<face> loaded);
    std::unique_ptr<face> face_;
};

// The font that stands in for the host's "Courier New": Liberation Mono Bold, its metric twin.
// Returns the first readable of: the Debian path (through Wine's Z: drive on Windows), then the
// file that the environment variable BRASK_FONT names. Empty when none is readable.
std::string default_font_path();
