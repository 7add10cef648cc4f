// The bytes of an image as a loader maps it, kept by 4 KB page: only the pages that the file fills
// or the loader writes hold storage, and every other byte of the image reads as zero. An image
// may claim 64 MB and fill 60 KB of it; copying and relocating it costs what it fills.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

class pe_image {
public:
    static constexpr uint32_t page_size = 0x1000;
    using page = std::array<uint8_t, page_size>;

    pe_image() = default;
    explicit pe_image(uint32_t size) : size_(size) {}

    // The image's size in bytes; every access must lie inside it (else std::out_of_range).
    uint32_t size() const { return size_; }
    uint8_t at(uint32_t rva) const;
    uint32_t u32(uint32_t rva) const;
    std::vector<uint8_t> bytes(uint32_t rva, uint32_t length) const;
    void write(uint32_t rva, const uint8_t* data, uint32_t length);
    void write32(uint32_t rva, uint32_t value);
    // Adds delta to the little-endian word at rva (wrapping), as a base relocation moves it.
    void add32(uint32_t rva, uint32_t delta);

    // The pages holding storage, by the RVA of their first byte, in order.
    const std::map<uint32_t, page>& pages() const { return pages_; }

private:
    void need(uint32_t rva, uint32_t length) const;

    uint32_t size_ = 0;
    std::map<uint32_t, page> pages_;
};
