// Where the renderer finds a gauge module's bitmaps, and the pictures it draws with.
//
// A bitmap is a Windows device-independent bitmap (40-byte BITMAPINFOHEADER, uncompressed, 8 bits
// per pixel with a palette or 24 bits per pixel, rows bottom-up or top-down). On Windows the
// bitmaps are the loaded module's own resources, reached through its module handle; natively they
// are the .bmp files from which the module's resources are built.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const rgb&) const = default;
};

// A picture, rows top to bottom.
struct rgb_image {
    int width = 0;
    int height = 0;
    std::vector<rgb> pixels;

    rgb_image() = default;
    rgb_image(int w, int h, rgb fill = {})
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill)
    {
    }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]; }
    const rgb& at(int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Decodes a packed DIB: the info header, the palette, then the pixels. Returns nothing for a
// format it does not read (compressed, bit fields, other depths) or for truncated data.
std::optional<rgb_image> decode_dib(const uint8_t* data, size_t size);
// Decodes a .bmp file: the 14-byte file header, then a DIB whose pixels start where it says.
std::optional<rgb_image> decode_bmp_file(const uint8_t* data, size_t size);

class bitmap_source {
public:
    virtual ~bitmap_source() = default;
    // The bitmap with this resource id, or null when the module has none. Each bitmap is read
    // once and kept for the life of the source.
    const rgb_image* find(uint32_t id);

protected:
    virtual std::optional<rgb_image> load(uint32_t id) = 0;

private:
    std::map<uint32_t, std::optional<rgb_image>> loaded_;
};

#ifdef BRASK_MODULE_FILE_BUILD
// The bitmap resources of a loaded module (its HMODULE).
class module_resource_bitmaps : public bitmap_source {
public:
    explicit module_resource_bitmaps(void* module_handle) : module_(module_handle) {}

protected:
    std::optional<rgb_image> load(uint32_t id) override;

private:
    void* module_;
};
#else
// The files FOLDER/<id>.bmp.
class bitmap_files : public bitmap_source {
public:
    explicit bitmap_files(std::string folder) : folder_(std::move(folder)) {}

protected:
    std::optional<rgb_image> load(uint32_t id) override;

private:
    std::string folder_;
};

// The folder named by BRASK_RESOURCES if set, else the repository's resources folder.
std::string default_bitmap_folder();

// A module file run in the emulated host brings its own bitmaps, as on Windows: while it is
// registered, its resource handle leads to its bitmap resources (packed DIBs, by id).
using bitmap_resource_reader = std::function<std::optional<std::vector<uint8_t>>(uint32_t id)>;
void register_module_resources(void* resource_handle, bitmap_resource_reader reader);
void unregister_module_resources(void* resource_handle);
#endif

// The module's bitmaps as this build reaches them: through the module handle that the host
// gave the install routine on Windows; natively from the module file's own resources when the
// handle is registered, else from the resources folder.
std::unique_ptr<bitmap_source> module_bitmaps(void* resource_handle);
