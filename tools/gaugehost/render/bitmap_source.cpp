#include "tools/gaugehost/render/bitmap_source.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#ifdef BRASK_MODULE_FILE_BUILD
#include <windows.h>
#endif

namespace {

constexpr size_t file_header_size = 14;
constexpr uint32_t info_header_size = 40;
constexpr uint32_t bi_rgb = 0;
constexpr int largest_side = 1 << 14;  // a guard against nonsense sizes

uint16_t u16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t u32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// The DIB whose info header starts at data and whose pixels start pixel_offset bytes after it.
std::optional<rgb_image> decode(const uint8_t* data, size_t size, std::optional<size_t> pixel_offset)
{
    if (size < info_header_size || u32(data) < info_header_size) return std::nullopt;
    const uint32_t header_size = u32(data);
    const auto width = static_cast<int32_t>(u32(data + 4));
    const auto stored_height = static_cast<int32_t>(u32(data + 8));
    const uint16_t bits = u16(data + 14);
    const uint32_t compression = u32(data + 16);
    const uint32_t colours_used = u32(data + 32);
    if (compression != bi_rgb || (bits != 8 && bits != 24)) return std::nullopt;
    if (width <= 0 || width > largest_side || stored_height == 0 || stored_height < -largest_side ||
        stored_height > largest_side)
        return std::nullopt;
    const bool bottom_up = stored_height > 0;
    const int height = bottom_up ? stored_height : -stored_height;

    const size_t palette_entries = bits == 8 ? (colours_used != 0 ? colours_used : 256) : colours_used;
    if (bits == 8 && palette_entries > 256) return std::nullopt;
    const size_t palette_offset = header_size;
    const size_t pixels_at = pixel_offset.value_or(palette_offset + 4 * palette_entries);
    const size_t stride = (static_cast<size_t>(width) * bits / 8 + 3) & ~static_cast<size_t>(3);
    if (palette_offset + 4 * palette_entries > size || pixels_at > size ||
        size - pixels_at < stride * static_cast<size_t>(height))
        return std::nullopt;

    rgb_image image(width, height);
    for (int row = 0; row < height; ++row) {
        const uint8_t* line = data + pixels_at + stride * static_cast<size_t>(bottom_up ? height - 1 - row : row);
        for (int x = 0; x < width; ++x) {
            if (bits == 24) {
                const uint8_t* p = line + 3 * x;
                image.at(x, row) = {p[2], p[1], p[0]};
            } else {
                const uint8_t index = line[x];
                if (index >= palette_entries) return std::nullopt;
                const uint8_t* quad = data + palette_offset + 4 * static_cast<size_t>(index);  // blue, green, red, 0
                image.at(x, row) = {quad[2], quad[1], quad[0]};
            }
        }
    }
    return image;
}

}  // namespace

std::optional<rgb_image> decode_dib(const uint8_t* data, size_t size)
{
    return decode(data, size, std::nullopt);
}

std::optional<rgb_image> decode_bmp_file(const uint8_t* data, size_t size)
{
    if (size < file_header_size || data[0] != 'B' || data[1] != 'M') return std::nullopt;
    const uint32_t pixels_at = u32(data + 10);
    if (pixels_at < file_header_size) return std::nullopt;
    return decode(data + file_header_size, size - file_header_size, pixels_at - file_header_size);
}

const rgb_image* bitmap_source::find(uint32_t id)
{
    auto found = loaded_.find(id);
    if (found == loaded_.end()) found = loaded_.emplace(id, load(id)).first;
    return found->second ? &*found->second : nullptr;
}

#ifdef BRASK_MODULE_FILE_BUILD

std::optional<rgb_image> module_resource_bitmaps::load(uint32_t id)
{
    if (id > 0xFFFF) return std::nullopt;  // not an integer resource id
    const auto module = static_cast<HMODULE>(module_);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (resource == nullptr) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return std::nullopt;
    return decode_dib(static_cast<const uint8_t*>(bytes), SizeofResource(module, resource));
}

std::unique_ptr<bitmap_source> module_bitmaps(void* resource_handle)
{
    return std::make_unique<module_resource_bitmaps>(resource_handle);
}

#else

std::optional<rgb_image> bitmap_files::load(uint32_t id)
{
    std::ifstream file(folder_ + "/" + std::to_string(id) + ".bmp", std::ios::binary);
    if (!file) return std::nullopt;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return decode_bmp_file(bytes.data(), bytes.size());
}

std::string default_bitmap_folder()
{
    if (const char* folder = std::getenv("BRASK_RESOURCES"); folder != nullptr && *folder != '\0') return folder;
    return BRASK_RESOURCE_DIR;
}

namespace {

std::map<void*, bitmap_resource_reader>& registered_resources()
{
    static std::map<void*, bitmap_resource_reader> readers;
    return readers;
}

class resource_bitmaps : public bitmap_source {
public:
    explicit resource_bitmaps(bitmap_resource_reader reader) : reader_(std::move(reader)) {}

protected:
    std::optional<rgb_image> load(uint32_t id) override
    {
        const std::optional<std::vector<uint8_t>> bytes = reader_(id);
        return bytes ? decode_dib(bytes->data(), bytes->size()) : std::nullopt;
    }

private:
    bitmap_resource_reader reader_;
};

}  // namespace

void register_module_resources(void* resource_handle, bitmap_resource_reader reader)
{
    registered_resources()[resource_handle] = std::move(reader);
}

void unregister_module_resources(void* resource_handle)
{
    registered_resources().erase(resource_handle);
}

std::unique_ptr<bitmap_source> module_bitmaps(void* resource_handle)
{
    const auto found = registered_resources().find(resource_handle);
    if (found != registered_resources().end()) return std::make_unique<resource_bitmaps>(found->second);
    return std::make_unique<bitmap_files>(default_bitmap_folder());
}

#endif
