// Pictures written as PNG files (8-bit RGB, no ancillary chunks), the same bytes on every build.
#pragma once

#include <string>
#include <vector>

#include "tools/gaugehost/render/bitmap_source.h"

std::vector<unsigned char> encode_png(const rgb_image& image);
// Writes the file whole; false when it cannot be written.
bool write_png(const rgb_image& image, const std::string& path);
