// The gauge renderer: draws a gauge as the host would, from its element records and the values
// its callbacks return now.
//
// The chain is walked from the root, each element drawn over the ones before it, on a canvas the
// size of the root's bitmap (black where nothing is drawn):
// - static image: its bitmap at its position.
// - icon: the value, truncated towards zero, picks image i; 0 <= i < image count draws bitmap
//   resource id + i if the module has it; any other value, or a missing bitmap, draws nothing.
// - slider: its bitmap at the position moved by x value * x scale and y value * y scale pixels,
//   each rounded to the nearest pixel.
// - needle: its bitmap turned by the value in degrees about the pivot (the offset point, a pixel
//   of the bitmap), which lands on the position.
// - sprite: the texture scaled down by the record's texture scales, its centre on the offset
//   point, turned by the rotation value in degrees; it shows only where the mask (the next
//   resource id, top-left at the position) has pixels of exactly (1,1,1). The x and y values
//   are not read (the module's sprites name no callbacks for them).
// - string: the host's text buffer (characters shown + 1 bytes) is handed to the value callback;
//   then the box is filled with the background colour and the text drawn in the text colour,
//   centred both ways, at a pixel height of 0.8 times the box height, clipped to the box.
// Positive angles turn clockwise on screen. Turned pictures are sampled nearest-neighbour, and
// sines and cosines come from plain arithmetic, so both builds draw the same pixels.
// Where an element's image flags ask for transparency, pure black (0,0,0) of its bitmap is not
// drawn. A value that is not finite draws the element not at all (a sprite: its texture).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "gauges/element_records.h"
#include "module/gauge_header.h"
#include "tools/gaugehost/render/bitmap_source.h"
#include "tools/gaugehost/render/text_font.h"

class GaugeHost;

struct render_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Draws the gauge. font may be null: strings then show their box only. Throws render_error when
// the gauge has no root static image or its bitmap is missing.
rgb_image render_gauge(GAUGEHDR* gauge, bitmap_source& bitmaps, const text_font* font);

// Each pixel becomes a factor x factor square.
rgb_image scale_up(const rgb_image& image, int factor);

// Sine and cosine of an angle in degrees, computed from basic arithmetic only.
void sin_cos_degrees(double degrees, double& sine, double& cosine);

// gaugehost's render command: draws the gauge with the module's bitmaps and the default font,
// scales it, writes the PNG file and returns the JSON line that reports it (without newline).
std::string render_command(GaugeHost& host, const std::string& gauge_name, const std::string& file, int scale);
