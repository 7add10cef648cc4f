#include "tools/gaugehost/render/png_file.h"

#include <fstream>

#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

static_assert(sizeof(rgb) == 3, "rgb_image rows are handed to the encoder as packed RGB");

namespace {
void append(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(context);
    const auto* begin = static_cast<const unsigned char*>(data);
    bytes->insert(bytes->end(), begin, begin + size);
}
}  // namespace

std::vector<unsigned char> encode_png(const rgb_image& image)
{
    std::vector<unsigned char> bytes;
    if (image.width <= 0 || image.height <= 0) return bytes;
    if (stbi_write_png_to_func(append, &bytes, image.width, image.height, 3, image.pixels.data(), image.width * 3) == 0)
        bytes.clear();
    return bytes;
}

bool write_png(const rgb_image& image, const std::string& path)
{
    const std::vector<unsigned char> bytes = encode_png(image);
    if (bytes.empty()) return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}
